#include "record/operation_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "record/record_output.h"
#include "tests/test_files.h"

namespace tarnik::record {
namespace {

using testing::Temp_Dir;

Operation_Record Full_Record() {
  Operation_Record r;
  r.time = "2026-12-10T14:32:02+01:00";
  r.version = "1.1";
  r.operation = "program";
  r.type = "82S135";
  r.programmer = "simulated";
  r.file = File_Digests{"/home/ann/cpu \"board\".hex", Digests{"0badf00d", std::string(40, 'a')}};
  r.part = Digests{"12345678", std::string(40, 'b')};
  r.result = Result::Failed;
  r.fault = "Device Did NOT Program....";
  r.differences = Difference_Totals{3, 5, 1, 1};
  r.known_image = "cpu.u12 (Board Set)";
  r.findings = {"bit 3 stuck", "supply low"};
  r.exit_code = 1;
  r.part_number = 3;
  r.parts = 20;
  return r;
}

std::vector<std::string> Lines_Of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Operation_Record, Round_Trips_Through_One_Line) {
  Operation_Record bare;
  bare.time = "2026-01-01T00:00:00+00:00";
  bare.version = "1.1";
  bare.operation = "probe";
  bare.result = Result::Stopped;
  bare.fault = "Device no longer present ... PortStatus-0 USB-5";
  Operation_Record no_digests = Full_Record();
  no_digests.file->digests.reset();
  for (const Operation_Record& r : {Full_Record(), bare, no_digests}) {
    const std::string line = To_Json_Line(r);
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_EQ(From_Json_Line(line), r) << line;
  }
}

TEST(Operation_Record, Lines_That_Are_No_Record_Are_Refused) {
  const std::string whole = To_Json_Line(Full_Record());
  const std::string cases[] = {
      "",
      whole.substr(0, whole.size() / 2),  // torn
      "[1,2,3]",
      R"({"time":"t","version":"1","operation":"read"})",                     // no result
      R"({"time":"t","version":"1","operation":"read","result":"maybe"})",    // unknown result
      R"({"time":"t","version":"1","operation":"read","result":"passed","exit_code":"0"})",
  };
  for (const std::string& line : cases) EXPECT_FALSE(From_Json_Line(line)) << line;
}

TEST(Operation_Record, Bytes_That_Are_Not_Utf8_Do_Not_Lose_The_Record) {
  Operation_Record r = Full_Record();
  r.file->path = "/tmp/\xff\xfe.bin";
  const std::optional<Operation_Record> back = From_Json_Line(To_Json_Line(r));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->operation, "program");
  EXPECT_NE(back->file->path.find(".bin"), std::string::npos);
}

// `shape` spells the text with 'd' for any digit and '+' for either sign.
bool Has_Shape(const std::string& text, std::string_view shape) {
  if (text.size() != shape.size()) return false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    const bool fits = shape[at] == 'd'   ? c >= '0' && c <= '9'
                      : shape[at] == '+' ? c == '+' || c == '-'
                                         : c == shape[at];
    if (!fits) return false;
  }
  return true;
}

TEST(Operation_Record, Time_Is_Iso_8601_With_The_Zone_Offset) {
  const std::pair<const char*, const char*> zones[] = {
      {"UTC0", "+00:00"}, {"IST-5:30", "+05:30"}, {"NST3:30", "-03:30"}};
  for (const auto& [zone, offset] : zones) {
    const testing::Scoped_Env tz("TZ", zone);
    tzset();
    const std::string now = Local_Time_Now();
    EXPECT_TRUE(Has_Shape(now, "dddd-dd-ddTdd:dd:dd+dd:dd")) << now;
    EXPECT_EQ(now.substr(now.size() - 6), offset) << zone;
  }
  tzset();
}

TEST(Operation_Log, Appends_Lines_And_Keeps_One_Old_File_When_Full) {
  const Temp_Dir dir;
  const std::string line = To_Json_Line(Full_Record()) + "\n";
  // Room for three lines: the fourth starts a new file, the seventh another.
  const Operation_Log log(dir.Path() / "state" / "log.jsonl", 3 * line.size() + 10);
  for (int i = 1; i <= 8; ++i) {
    Operation_Record r = Full_Record();
    r.part_number = i;
    ASSERT_EQ(log.Append(r), std::nullopt) << i;
  }
  const std::vector<std::string> current = Lines_Of(log.File().string());
  const std::vector<std::string> old = Lines_Of(log.Old_File().string());
  ASSERT_EQ(old.size(), 3u);
  ASSERT_EQ(current.size(), 2u);
  const std::vector<Operation_Record> all = log.Read_All();
  ASSERT_EQ(all.size(), 5u);
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i].part_number, int(i) + 4);
}

TEST(Operation_Log, A_Log_That_Cannot_Be_Written_Says_Why_Once) {
  const Temp_Dir dir;
  dir.Write("blocker", "a file where the folder should be");
  std::vector<std::string> said;
  std::ostringstream json;
  Record_Output output(Operation_Log(dir.Path() / "blocker" / "log.jsonl"), &json,
                       [&said](const std::string& problem) { said.push_back(problem); });
  output.Write(Full_Record());
  output.Write(Full_Record());
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said.front().find("blocker"), std::string::npos) << said.front();
  // The JSON stream has both records all the same.
  const std::string stream = json.str();
  EXPECT_EQ(std::count(stream.begin(), stream.end(), '\n'), 2);
  EXPECT_NE(Operation_Log({}).Append(Full_Record()), std::nullopt);
}

// Two real programs append at once, each its own records; with `rotate`
// small the log is renamed under them again and again.
void Append_From_Two_Processes(const Operation_Log& log, int each) {
  pid_t children[2];
  for (int child = 0; child < 2; ++child) {
    children[child] = fork();
    ASSERT_GE(children[child], 0);
    if (children[child] == 0) {
      Operation_Record r = Full_Record();
      // Long lines make a torn or interleaved write easy to see.
      r.known_image = std::string(3000, child == 0 ? 'x' : 'y');
      r.parts = 2 + child;
      for (int i = 1; i <= each; ++i) {
        r.part_number = i;
        if (log.Append(r)) _exit(1);
      }
      _exit(0);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

TEST(Operation_Log, Two_Programs_Appending_At_Once_Lose_And_Break_No_Line) {
  const Temp_Dir dir;
  const Operation_Log log(dir.Path() / "log.jsonl");
  Append_From_Two_Processes(log, 300);
  const std::vector<std::string> lines = Lines_Of(log.File().string());
  ASSERT_EQ(lines.size(), 600u);
  int next[2] = {1, 1};
  for (const std::string& line : lines) {
    const std::optional<Operation_Record> r = From_Json_Line(line);
    ASSERT_TRUE(r) << line.substr(0, 80);
    const int writer = *r->parts - 2;
    // Each program's lines are whole and in its own order.
    EXPECT_EQ(*r->part_number, next[writer]++);
    EXPECT_EQ(r->known_image, std::string(3000, writer == 0 ? 'x' : 'y'));
  }
}

TEST(Operation_Log, Two_Programs_Rotating_At_Once_Leave_Only_Whole_Lines) {
  const Temp_Dir dir;
  const Operation_Log log(dir.Path() / "log.jsonl", 40 * 1024);
  Append_From_Two_Processes(log, 200);
  std::size_t lines = 0;
  for (const auto& path : {log.Old_File(), log.File()}) {
    for (const std::string& line : Lines_Of(path.string())) {
      ++lines;
      EXPECT_TRUE(From_Json_Line(line)) << line.substr(0, 80);
    }
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_LE(static_cast<std::size_t>(status.st_size), 40u * 1024) << path;
  }
  // The newest lines are there: the rotation dropped only the oldest file.
  const std::vector<Operation_Record> all = log.Read_All();
  EXPECT_EQ(all.size(), lines);
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(*all.back().part_number, 200);
}

}  // namespace
}  // namespace tarnik::record
