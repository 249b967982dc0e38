// The command line's device and file commands, end to end over the simulator.

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "window/text_file.h"
#include "cli/cli_app.h"
#include "link/update_file.h"
#include "tests/cli_run.h"
#include "tests/test_files.h"

namespace tarnik::cli {
namespace {

using tarnik::testing::Temp_Dir;

using Run_Result = ::tarnik::testing::Cli_Result;
constexpr auto Run_Args = ::tarnik::testing::Run_Cli_Args;

std::string Nibble_Image(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) & 0x0F);
  return bytes;
}

TEST(Cli_Devices, Program_Then_Verify_Then_Blank_With_One_State_File) {
  Temp_Dir folder;
  folder.Write("img.bin", Nibble_Image(256));
  const std::string state = "--simulate=" + folder.File("s.txt");
  const Run_Result program =
      Run_Args({state, "--sim-part", "82S129", "-d", "82S129", "program", folder.File("img.bin")});
  EXPECT_EQ(program.status, Exit_Passed) << program.out << program.err;
  EXPECT_NE(program.out.find("Device Verified to Buffer...."), std::string::npos);

  const Run_Result verify = Run_Args({state, "-d", "82S129", "verify", folder.File("img.bin")});
  EXPECT_EQ(verify.status, Exit_Passed) << verify.out;

  // The state keeps its 82S129: asking for another part is refused.
  const Run_Result other = Run_Args({state, "--sim-part", "82S131", "-d", "82S131", "blank"});
  EXPECT_EQ(other.status, Exit_Bad_Usage);
  EXPECT_NE(other.err.find("holds a 82S129"), std::string::npos);

  const Run_Result blank = Run_Args({state, "-d", "82S129", "blank"});
  EXPECT_EQ(blank.status, Exit_Part_Failed);
  // Every location that is not 0 is listed, in order.
  const std::string image = Nibble_Image(256);
  std::string expected;
  for (std::size_t a = 0; a < image.size(); ++a) {
    if (image[a] == 0) continue;
    char line[40];
    std::snprintf(line, sizeof line, "%04zX  EXPECTED-00 FOUND-%02X\n", a,
                  static_cast<unsigned>(static_cast<uint8_t>(image[a])));
    expected += line;
  }
  EXPECT_NE(blank.out.find(expected), std::string::npos);
  EXPECT_NE(blank.out.find("Device is NOT Erased...."), std::string::npos);
}

TEST(Cli_Devices, Reading_A_1k_Part_Costs_No_Read_Time_Out) {
  Temp_Dir folder;
  const Run_Result read = Run_Args({"--simulate", "-d", "82S181", "--stats", "read",
                                    folder.File("out.hex")});
  EXPECT_EQ(read.status, Exit_Passed) << read.err;
  const std::size_t at = read.out.find("stats ");
  ASSERT_NE(at, std::string::npos);
  unsigned packets = 0, replies = 0, timeouts = 0, link_ms = 0;
  ASSERT_EQ(std::sscanf(read.out.c_str() + at,
                        "stats packets-out=%u replies=%u read-timeouts=%u link-ms=%u", &packets,
                        &replies, &timeouts, &link_ms),
            4);
  EXPECT_EQ(replies, 1u + 1024u);
  EXPECT_EQ(timeouts, 0u);
  EXPECT_LT(link_ms, 1024u * 40u / 10u);
  // An empty part read into an Intel hex file: 1k of zeros.
  const auto text = Read_Whole_File(folder.File("out.hex"));
  ASSERT_TRUE(text);
  EXPECT_EQ(Split_Text_Lines(*text).size(), 66u);
}

struct Read_Stats {
  unsigned replies = 0, usb_writes = 0, wall_ms = 0;
};

Read_Stats Read_1k_With(const std::string& window, const std::string& file,
                        const std::string& packet_us = "20") {
  const Run_Result read = Run_Args({"--simulate", "-d", "82S181", "--stats", "--read-window",
                                    window, "--sim-packet-us", packet_us, "read", file});
  EXPECT_EQ(read.status, Exit_Passed) << read.err;
  Read_Stats stats;
  const std::size_t at = read.out.find("stats ");
  EXPECT_NE(at, std::string::npos);
  if (at == std::string::npos) return stats;
  unsigned packets = 0, timeouts = 0, link_ms = 0;
  EXPECT_EQ(std::sscanf(read.out.c_str() + at,
                        "stats packets-out=%u replies=%u read-timeouts=%u link-ms=%u "
                        "usb-writes=%u wall-ms=%u",
                        &packets, &stats.replies, &timeouts, &link_ms, &stats.usb_writes,
                        &stats.wall_ms),
            6);
  return stats;
}

TEST(Cli_Devices, The_Read_Window_Sets_The_Usb_Writes_Of_A_Read) {
  Temp_Dir folder;
  const Read_Stats one = Read_1k_With("1", folder.File("one.bin"));
  const Read_Stats sixteen = Read_1k_With("16", folder.File("sixteen.bin"));
  const Read_Stats four = Read_1k_With("4", folder.File("four.bin"));
  EXPECT_EQ(one.replies, sixteen.replies);
  EXPECT_EQ(one.usb_writes - sixteen.usb_writes, 1024u - 1024u / 16u);
  EXPECT_EQ(one.usb_writes - four.usb_writes, 1024u - 1024u / 4u);
  EXPECT_LT(sixteen.wall_ms, four.wall_ms);
  EXPECT_LT(four.wall_ms, one.wall_ms);
  EXPECT_EQ(Read_Whole_File(folder.File("one.bin")), Read_Whole_File(folder.File("sixteen.bin")));
  // A slower firmware: 64 packets of a window at 200 us each hold up every
  // window by about 11.5 ms more.
  const Read_Stats slow = Read_1k_With("16", folder.File("slow.bin"), "200");
  EXPECT_GT(slow.wall_ms, sixteen.wall_ms + 64 * 10);
  EXPECT_LT(slow.wall_ms, sixteen.wall_ms + 64 * 14);
}

// A command the link stopped before or after its check ends on the stop,
// never on the check's result or a fault line: a burn that never began says
// it was stopped.
TEST(Cli_Devices, A_Command_Stopped_Outside_Its_Check_Ends_On_The_Stop) {
  Temp_Dir folder;
  folder.Write("img.bin", std::string(32, '\x5A'));
  const std::string found = "Usb Programmer Found - FirmWare Version 1.07\n";
  const std::string cut = "USB Device Write TimeOut ...\nStopped: Programmer Link Fault....";
  const std::string in_load = cut + " While Loading the File\n";
  const std::string in_check = cut + " in the Check Before Programming: Nothing Was Burned\n";
  const std::string compare = "Comparing Device for Re-Progamablity....\n";
  struct Case {
    const char* what;
    const char* command;
    const char* fault;
    std::string out;
  };
  const Case cases[] = {
      {"load of program", "program", "short-write=3", found + in_load},
      {"load of verify", "verify", "short-write=3", found + in_load},
      {"check before the burn", "program", "short-write=6:3", found + compare + in_check},
      {"closing idle of the check", "program", "short-write=7",
       found + compare + "Device Can be Reprogrammed....\n" + in_check},
      {"closing idle of a blank check", "blank", "short-write=7",
       found + "Checking to see if Device is erased....\nDevice is Erased....\n" + cut + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = {"--simulate", "-d", "82S123", "--sim-fault", c.fault,
                                     c.command};
    if (std::string(c.command) != "blank") args.push_back(folder.File("img.bin"));
    const Run_Result run = Run_Args(args);
    EXPECT_EQ(run.status, Exit_No_Programmer);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
  }
}

TEST(Cli_Devices, Usage_Errors_And_A_Missing_Programmer) {
  Temp_Dir folder;
  EXPECT_EQ(Run_Args({"--simulate", "blank"}).status, Exit_Bad_Usage);  // no device
  EXPECT_EQ(Run_Args({"--simulate", "-d", "82S999", "blank"}).status, Exit_Bad_Usage);
  EXPECT_EQ(Run_Args({"--simulate", "-d", "82S129", "-t", "word", "verify", "x"}).status,
            Exit_Bad_Usage);
  EXPECT_EQ(Run_Args({"--simulate", "--sim-fault", "devices=0", "-d", "82S129", "blank"}).status,
            Exit_No_Programmer);
  const Run_Result devices = Run_Args({"devices"});
  EXPECT_EQ(devices.status, Exit_Passed);
  EXPECT_NE(devices.out.find("74S471\t74LS471        256 X 8\t0FF\t"), std::string::npos);
}

// What a check the link cut short prints: the fault line, at most one box,
// the stop, and nothing that judges the part.
TEST(Cli_Devices, A_Cut_Link_Prints_The_Fault_And_The_Stop_And_No_Verdict) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string err;
  };
  const std::string found = "Usb Programmer Found - FirmWare Version 1.07\n";
  const Case cases[] = {
      {{"--simulate", "-d", "82S123", "--sim-fault", "unplug=30", "blank"},
       found +
           "Checking to see if Device is erased....\n"
           "Device no longer present ... PortStatus-4 USB-0\n"
           "Stopped: Programmer Lost....\n",
       "The Zorvik Programmer Was Lost (FT_Write - General IO Error...); nothing more is sent "
       "to it until it is looked for again....\n"},
      {{"--simulate", "-d", "82S123", "--sim-fault", "no-reply=5", "--read-window", "1", "blank"},
       found +
           "Checking to see if Device is erased....\n"
           "Device no longer present ... PortStatus-0 USB-5\n"
           "Stopped: Programmer Did Not Answer....\n",
       ""},
      // No programmer that opens: nothing is sent, and no box follows.
      {{"--simulate", "--sim-fault", "open-fail", "probe"},
       "",
       "Open_USB_Device_By_Serial_Number - Device Not Opened...\n"
       "The Zorvik Programmer Could Not Be Found....\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[c.args.size() - 2]);
    const Run_Result run = Run_Args(c.args);
    EXPECT_EQ(run.status, Exit_No_Programmer);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
  }
}

TEST(Cli_Devices, An_Endless_Simulator_State_Is_Refused_By_Name) {
  const Run_Result run = Run_Args({"--simulate=/dev/zero", "-d", "82S123", "blank"});
  EXPECT_EQ(run.status, Exit_Bad_Usage);
  EXPECT_NE(run.err.find("/dev/zero is longer than"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(Cli_Devices, An_Update_Carries_Its_Version_Into_The_State_File) {
  Temp_Dir folder;
  const std::string update = folder.File("update.bin");
  const std::vector<uint8_t> file = Build_Update_File(1, 9, std::vector<uint8_t>(300, 0x5A));
  folder.Write("update.bin", std::string(file.begin(), file.end()));
  const std::string state = "--simulate=" + folder.File("s.txt");
  const Run_Result run = Run_Args({state, "--sim-firmware", "1.06", "--yes", "update", update});
  EXPECT_EQ(run.status, Exit_Passed) << run.out << run.err;
  EXPECT_NE(run.err.find("Good Update..."), std::string::npos);
  const Run_Result probe = Run_Args({state, "probe"});
  EXPECT_EQ(probe.status, Exit_Passed);
  EXPECT_EQ(probe.out, "Usb Programmer Found - FirmWare Version 1.09\n");
  // Without --yes the question is answered No and nothing is sent.
  const Run_Result declined =
      Run_Args({"--simulate", "--sim-firmware", "1.06", "update", update});
  EXPECT_EQ(declined.status, Exit_Passed);
  EXPECT_EQ(declined.err.find("Good Update..."), std::string::npos);
}

TEST(Cli_Files, Checksum_And_Convert) {
  Temp_Dir folder;
  std::string bytes(32, '\0');
  for (int i = 0; i < 32; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
  folder.Write("a.bin", bytes);
  const Run_Result sum = Run_Args({"-d", "82S123", "--simulate", "checksum", folder.File("a.bin")});
  EXPECT_EQ(sum.status, Exit_Passed) << sum.err;
  EXPECT_NE(sum.out.find("CheckSum=01F0\n"), std::string::npos);

  const Run_Result convert = Run_Args(
      {"--simulate", "-d", "82S123", "convert", folder.File("a.bin"), folder.File("a.hex")});
  EXPECT_EQ(convert.status, Exit_Passed) << convert.err;
  const auto hex = Read_Whole_File(folder.File("a.hex"));
  ASSERT_TRUE(hex);
  EXPECT_NE(hex->find(":10000000000102030405060708090A0B0C0D0E0F78\r\n"), std::string::npos);

  folder.Write("bad.hex", ":10000000$G0102\r\n");
  const Run_Result bad = Run_Args({"--simulate", "checksum", folder.File("bad.hex")});
  EXPECT_EQ(bad.status, Exit_Bad_Usage);
  EXPECT_NE(bad.err.find("is not a valid integer value."), std::string::npos);
  const Run_Result missing = Run_Args({"--simulate", "checksum", folder.File("none.bin")});
  EXPECT_EQ(missing.status, Exit_Bad_Usage);
}

}  // namespace
}  // namespace tarnik::cli
