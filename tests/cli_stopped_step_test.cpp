// What the last line of a command the link stopped says about the step it
// stopped in, held against the simulated part it left; and the file
// commands, which never reach the programmer.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "devices/link_fault_watch.h"
#include "tests/cli_run.h"
#include "tests/test_files.h"

namespace tarnik::cli {
namespace {

using tarnik::testing::Read_File;
using tarnik::testing::Temp_Dir;
using Run_Result = ::tarnik::testing::Cli_Result;
constexpr auto Run_Args = ::tarnik::testing::Run_Cli_Args;

std::vector<std::string> Lines_Of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int Usb_Writes_Of(const std::string& out) {
  const std::size_t at = out.find(" usb-writes=");
  return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 12);
}

// What a stop in each step leaves in the socket, in the order the steps
// come in a program run.
enum class Part_Left { Blank, Unknown, Something_Burned, Programmed };

struct Step_Case {
  Stopped_Step step;
  Part_Left part;
};

const Step_Case Program_Steps[] = {
    {Stopped_Step::Loading_File, Part_Left::Blank},
    {Stopped_Step::Check_Before_Programming, Part_Left::Blank},
    {Stopped_Step::Programming_Before_Any_Pulse, Part_Left::Blank},
    {Stopped_Step::Programming_In_First_Pulse, Part_Left::Unknown},
    {Stopped_Step::Programming, Part_Left::Something_Burned},
    {Stopped_Step::Verify_After_Programming, Part_Left::Programmed},
    // The shut-down after the verify: the command's work was done.
    {Stopped_Step::Unnamed, Part_Left::Programmed},
};

// The index in Program_Steps of the step `last` names; -1 when it names none.
int Step_Index_Of(const std::string& last) {
  const std::string cause = Stopped_Link_Fault_Text;
  for (int i = 0; i < static_cast<int>(std::size(Program_Steps)); ++i)
    if (last == Stopped_Line(cause.c_str(), Program_Steps[i].step)) return i;
  return -1;
}

// `program` cut at every USB write in turn: a run stopped after the
// programmer was found ends on the Stopped line of the step it was in, what
// that line says of the part is what the simulated socket holds, and the
// steps come in the order a program run takes them.
TEST(Cli_Stopped_Step, Program_Cut_At_Every_Write_Names_The_Step_And_What_It_Left) {
  Temp_Dir folder;
  std::string image(32, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 37 + 5);
  folder.Write("img.bin", image);
  const std::vector<std::string> part = {"--sim-part", "82S123", "-d", "82S123"};
  const auto simulate = [&](const std::string& state) { return "--simulate=" + folder.File(state); };

  ASSERT_EQ(Run_Args({simulate("blank.txt"), "--sim-part", "82S123", "probe"}).status, Exit_Passed);
  const std::string blank = Read_File(folder.File("blank.txt"));
  std::vector<std::string> clean_args = {simulate("clean.txt"), "--stats"};
  clean_args.insert(clean_args.end(), part.begin(), part.end());
  clean_args.insert(clean_args.end(), {"program", folder.File("img.bin")});
  const Run_Result clean = Run_Args(clean_args);
  ASSERT_EQ(clean.status, Exit_Passed) << clean.out << clean.err;
  const std::string programmed = Read_File(folder.File("clean.txt"));
  ASSERT_NE(programmed, blank);
  const int writes = Usb_Writes_Of(clean.out);
  ASSERT_GT(writes, 10) << clean.out;

  std::vector<int> seen(std::size(Program_Steps), 0);
  int latest = 0;
  for (int index = 1; index <= writes; ++index) {
    const std::string state = "cut-" + std::to_string(index) + ".txt";
    std::vector<std::string> args = {simulate(state), "--sim-fault",
                                     "short-write=" + std::to_string(index)};
    args.insert(args.end(), part.begin(), part.end());
    args.insert(args.end(), {"program", folder.File("img.bin")});
    const Run_Result run = Run_Args(args);
    SCOPED_TRACE("short-write=" + std::to_string(index) + "\n" + run.out);
    ASSERT_EQ(run.status, Exit_No_Programmer);
    if (!run.Says("Usb Programmer Found")) continue;  // cut in the search: nothing was stopped
    const std::vector<std::string> lines = Lines_Of(run.out);
    ASSERT_FALSE(lines.empty());
    const int step = Step_Index_Of(lines.back());
    ASSERT_GE(step, 0) << lines.back();
    const std::string left = Read_File(folder.File(state));
    // The start-up's idle sequence, before the command's first step, names
    // no step either: nothing was burned.
    if (Program_Steps[step].step == Stopped_Step::Unnamed && latest == 0 && seen[0] == 0) {
      EXPECT_EQ(left, blank);
      continue;
    }
    EXPECT_GE(step, latest) << "a step named before the one of an earlier cut";
    latest = step;
    ++seen[static_cast<std::size_t>(step)];
    switch (Program_Steps[step].part) {
      case Part_Left::Blank: EXPECT_EQ(left, blank); break;
      case Part_Left::Unknown: break;
      case Part_Left::Something_Burned: EXPECT_NE(left, blank); break;
      case Part_Left::Programmed: EXPECT_EQ(left, programmed); break;
    }
    // Nothing is burned after a check that was stopped.
    if (Program_Steps[step].step == Stopped_Step::Check_Before_Programming ||
        Program_Steps[step].step == Stopped_Step::Loading_File) {
      EXPECT_FALSE(run.Says("Programming Device from Buffer...."));
    }
  }
  for (std::size_t i = 0; i < seen.size(); ++i)
    EXPECT_GT(seen[i], 0) << "no cut stopped step " << i;
}

// The file commands work on files alone: whatever the programmer does, they
// do their work, print no line of it and pass.
TEST(Cli_Stopped_Step, File_Commands_Never_Reach_The_Programmer) {
  Temp_Dir folder;
  std::string image(32, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i);
  folder.Write("a.bin", image);
  const struct {
    const char* fault;
  } faults[] = {{"short-write=1"}, {"short-write=3"}, {"no-reply=1"}, {"unplug=1"}, {"devices=0"},
                {"open-fail"}};
  for (const auto& f : faults) {
    SCOPED_TRACE(f.fault);
    const Run_Result sum = Run_Args({"--simulate", "--sim-fault", f.fault, "-d", "82S123",
                                     "checksum", folder.File("a.bin")});
    EXPECT_EQ(sum.status, Exit_Passed) << sum.out << sum.err;
    EXPECT_EQ(sum.err, "");
    EXPECT_EQ(Lines_Of(sum.out).front(), "CheckSum=01F0") << sum.out;
    EXPECT_FALSE(sum.Says("Stopped")) << sum.out;
    EXPECT_FALSE(sum.Says("Programmer")) << sum.out;

    const Run_Result convert = Run_Args({"--simulate", "--sim-fault", f.fault, "-d", "82S123",
                                         "convert", folder.File("a.bin"), folder.File("a.hex")});
    EXPECT_EQ(convert.status, Exit_Passed) << convert.out << convert.err;
    EXPECT_EQ(convert.err, "");
    EXPECT_FALSE(convert.Says("Stopped")) << convert.out;
    EXPECT_NE(Read_File(folder.File("a.hex")).find(":10000000000102030405060708090A0B0C0D0E0F78"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace tarnik::cli
