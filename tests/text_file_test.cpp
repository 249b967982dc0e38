#include "window/text_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "window/errors.h"
#include "tests/test_files.h"

namespace tarnik {
namespace {

// The names in a folder, dotted ones included.
std::set<std::string> Names_In(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(Text_File, Line_Rules) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\rtwo", {"one", "two"}},
      {"a\nb\r\n", {"a\nb"}},  // a line feed alone ends nothing
      {"\r\n\r\n", {"", ""}},
      {"kept\r\n\x1A" "dropped\r\n", {"kept"}},
      {"half\x1A", {"half"}},
      {" blanks kept \r\n", {" blanks kept "}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split_Text_Lines(c.text), c.lines) << c.text;
}

TEST(Text_File, Strict_Integer_Conversion) {
  const std::pair<const char*, int32_t> good[] = {
      {"0", 0}, {"19", 19}, {"-5", -5}, {"+7", 7}, {" 12", 12}, {"$1F", 31}, {"0x3ff", 1023},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}};
  for (const auto& [text, value] : good) EXPECT_EQ(Str_To_Int(text), value) << text;
  for (const char* bad : {"", " ", "-", "12 ", "1.5", "$G0", "abc", "2147483648", "0x"}) {
    try {
      (void)Str_To_Int(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const Handler_Error& error) {
      EXPECT_EQ(std::string(error.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
}


TEST(Text_File, Bounded_Reads_Refuse_Longer_And_Endless_Files) {
  testing::Temp_Dir dir;
  dir.Write("exact", std::string(1000, 'x'));
  dir.Write("over", std::string(1001, 'x'));
  dir.Write("empty", "");
  struct Case {
    std::string path;
    bool read;
    bool too_long;
    std::size_t size;
  };
  const Case cases[] = {
      {dir.File("exact"), true, false, 1000},
      {dir.File("over"), false, true, 0},
      {dir.File("empty"), true, false, 0},
      {dir.File("missing"), false, false, 0},
      {dir.Path().string(), false, false, 0},
      {"/dev/zero", false, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const Bounded_File file = Read_Bounded_File(c.path, 1000);
    EXPECT_EQ(file.bytes.has_value(), c.read);
    EXPECT_EQ(file.too_long, c.too_long);
    if (file.bytes) {
      EXPECT_EQ(file.bytes->size(), c.size);
    }
  }
  EXPECT_TRUE(Read_Bounded_File("/dev/zero").too_long);
  EXPECT_EQ(Too_Long_Text("/dev/zero", 1000), "/dev/zero is longer than 1000 bytes");
}

// A file-size limit below the new file's size: the write fails where a full
// disk would, and the old file stays whole.
TEST(Text_File, A_Write_Cut_Short_Leaves_The_Old_File_Whole) {
  testing::Temp_Dir dir;
  const std::string path = dir.File("kept.txt");
  ASSERT_TRUE(Write_File_Atomically(path, "old\r\n"));
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = Write_File_Atomically(path, std::string(100000, 'n'));
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);
  EXPECT_EQ(Read_Whole_File(path), "old\r\n");
  EXPECT_EQ(Names_In(dir.Path()), std::set<std::string>{"kept.txt"});
}

// Files beside the target with the names a temporary file could have are
// the user's: a save leaves each as it was, and only the target changes.
TEST(Text_File, A_Save_Leaves_The_Files_Beside_Its_Target_Alone) {
  testing::Temp_Dir dir;
  const std::string neighbours[] = {"kept.txt.new", ".kept.txt.new", "kept.txt~", ".kept.txt.XXXXXX",
                                    ".kept.txt.000000", "kept.txt.tmp"};
  for (const std::string& name : neighbours) dir.Write(name, "mine: " + name);
  const std::string path = dir.File("kept.txt");
  ASSERT_TRUE(Write_File_Atomically(path, "old"));
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  ASSERT_TRUE(Write_File_Atomically(path, "new"));
  EXPECT_EQ(Read_Whole_File(path), "new");
  // The new file keeps the permissions the user gave the old one.
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
  std::set<std::string> expected(std::begin(neighbours), std::end(neighbours));
  expected.insert("kept.txt");
  EXPECT_EQ(Names_In(dir.Path()), expected);
  for (const std::string& name : neighbours)
    EXPECT_EQ(Read_Whole_File(dir.File(name)), "mine: " + name) << name;
}

// Saves to one target at once do not meet: the target ends as one of them,
// whole, and no temporary file stays.
TEST(Text_File, Saves_To_One_Target_At_Once_Leave_One_Of_Them_Whole) {
  testing::Temp_Dir dir;
  const std::string path = dir.File("same.hex");
  std::vector<std::string> texts;
  for (char c = 'a'; c < 'i'; ++c) texts.emplace_back(20000, c);
  std::vector<std::thread> savers;
  std::vector<int> saved(texts.size(), 0);
  for (std::size_t i = 0; i < texts.size(); ++i)
    savers.emplace_back([&, i] { saved[i] = Write_File_Atomically(path, texts[i]) ? 1 : 0; });
  for (std::thread& saver : savers) saver.join();
  EXPECT_EQ(saved, std::vector<int>(texts.size(), 1));
  const std::optional<std::string> result = Read_Whole_File(path);
  ASSERT_TRUE(result);
  EXPECT_NE(std::find(texts.begin(), texts.end(), *result), texts.end());
  EXPECT_EQ(Names_In(dir.Path()), std::set<std::string>{"same.hex"});
  // A new file gets what the umask leaves of rw-rw-rw-, as any other would.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms(0666 & ~mask));
}

TEST(Text_File, A_Link_Stays_A_Link_And_Its_Target_Is_Replaced) {
  testing::Temp_Dir dir;
  const std::string target = dir.File("target.hex");
  const std::string link = dir.File("link.hex");
  ASSERT_TRUE(Write_File_Atomically(target, "old"));
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(Write_File_Atomically(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Read_Whole_File(target), "new");
}

}  // namespace
}  // namespace tarnik
