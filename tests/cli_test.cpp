#include "cli/cli_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tarnik_version.h"
#include "tests/cli_run.h"

namespace tarnik::cli {
namespace {

using Cli_Run = ::tarnik::testing::Cli_Result;
constexpr auto Run_Tool = ::tarnik::testing::Run_Cli_Args;

std::vector<std::string> Lines_Of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Cli, Probe_Finds_The_Simulated_Programmer_And_Traces_The_Wire) {
  const std::string trace =
      (std::filesystem::temp_directory_path() / "tarnik_cli_probe_trace.txt").string();
  const Cli_Run run = Run_Tool({"--simulate", "--trace", trace, "probe"});
  EXPECT_EQ(run.status, Exit_Passed);
  EXPECT_EQ(run.out, "Usb Programmer Found - FirmWare Version 1.07\n");
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> idle = {
      "> 94 5F 3B 00 00 00 00 2E", "> 94 3F E4 00 00 00 00 B7", "> 94 0F 76 00 00 00 00 19",
      "> 94 2F 00 00 00 00 00 C3", "> 94 1F B0 00 00 00 00 63"};
  std::vector<std::string> expected = {"> 56 00 00 00 00 00 00 56", "< 56 01 07 00 00 00 00 5E"};
  expected.insert(expected.end(), idle.begin(), idle.end());  // after discovery
  expected.insert(expected.end(), idle.begin(), idle.end());  // at the close
  EXPECT_EQ(Lines_Of(trace), expected);
  std::filesystem::remove(trace);
}

TEST(Cli, Probe_Outcomes) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {{"--simulate", "--sim-firmware", "1.06", "probe"}, Exit_Passed,
       "Usb Programmer Found - FirmWare Version 1.06\n",
       "This Software Requires Firmware Version - 1.07 Do You Want to Flash Update the "
       "Programmer ? No\n"},
      {{"--simulate", "--sim-fault", "no-reply", "probe"}, Exit_No_Programmer,
       "Device no longer present ... PortStatus-0 USB-5\n",
       "The Zorvik Programmer Could Not Be Found....\n"},
      {{"--simulate", "--sim-fault=devices=2", "probe"}, Exit_No_Programmer, "",
       "The Zorvik Programmer Could Not Be Found....\n"},
      {{"--simulate", "--stats", "probe"}, Exit_Passed,
       "Usb Programmer Found - FirmWare Version 1.07\n"
       "stats packets-out=11 replies=1 read-timeouts=0 link-ms=4 usb-writes=3 wall-ms=4\n",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    const Cli_Run run = Run_Tool(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
  }
}

TEST(Cli, Bad_Usage_Exits_2_With_The_Reason) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--simulate", "frobnicate"},
      {"--simulate", "--sim-firmware", "1.x", "probe"},
      {"--simulate", "--sim-fault", "loud", "probe"},
      {"--trace"},
      {"--simulate", "probe", "extra"},
      {"--bogus", "probe"},
      {"--simulate", "--read-window", "0", "probe"},
      {"--simulate", "--read-window", "17", "probe"},
      {"--simulate", "--read-window=x", "probe"},
      {"--simulate", "--read-window=", "probe"},
      {"--simulate", "probe", "--read-window"},
      {"--simulate", "--sim-packet-us", "-1", "probe"},
      {"--simulate", "--sim-packet-us=100001", "probe"},
  };
  for (const auto& args : cases) {
    const Cli_Run run = Run_Tool(args);
    EXPECT_EQ(run.status, Exit_Bad_Usage) << (args.empty() ? "(none)" : args.back());
  }
  const Cli_Run help = Run_Tool({"--help"});
  EXPECT_EQ(help.status, Exit_Passed);
  EXPECT_NE(help.out.find("usage: tarnik-cli"), std::string::npos);
  // --version answers alone, whatever else is given, with the project's version.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--version"}, {"--simulate", "--version", "probe"}}) {
    const Cli_Run version = Run_Tool(args);
    EXPECT_EQ(version.status, Exit_Passed);
    EXPECT_EQ(version.out, std::string("tarnik-cli ") + Version + "\n");
  }
}

}  // namespace
}  // namespace tarnik::cli
