// The diagnosis after a read, verify and blank check, end to end: a part
// with a known image in the simulated socket, a fault of the simulated
// programmer's pins, and the lines the command line prints.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/cli_run.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

std::vector<uint8_t> Random_Bytes(std::size_t size, uint8_t mask, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random() & mask);
  return bytes;
}

// A state file of the simulated part: its type and its fuse bytes.
std::string State_Text(const std::string& type, const std::vector<uint8_t>& bytes) {
  std::string text = "type " + type + "\n";
  for (std::size_t at = 0; at < bytes.size(); at += 16) {
    char line[24];
    std::snprintf(line, sizeof line, "%03zX:", at);
    text += line;
    for (std::size_t i = at; i < at + 16 && i < bytes.size(); ++i) {
      std::snprintf(line, sizeof line, " %02X", bytes[i]);
      text += line;
    }
    text += "\n";
  }
  return text;
}

struct Fault_Run {
  const char* fault;
  const char* type;
  std::size_t size;
  uint8_t mask;
  const char* command;  // read, verify or blank
  std::vector<std::string> lines;  // each printed
};

TEST(Cli_Diagnosis, Each_Simulated_Fault_Is_Named_After_The_Operation) {
  const std::vector<Fault_Run> runs = {
      {"stuck-bit=3:0", "82S129", 256, 0x0F, "read",
       {"Bit 3 Reads 0 at Every Location: an Unused Output, or an Open One"}},
      {"stuck-bit=3:1", "82S129", 256, 0x0F, "read",
       {"Bit 3 Reads 1 at Every Location: an Unused Output, or an Open One"}},
      {"stuck-bit=5:0", "82S147", 512, 0xFF, "verify",
       {"Device Did NOT Verify to Buffer....", "Bit 5 Reads 0 at Every Location: an Unused Output, or an Open One",
        "Differences Are Bit 5 Reading 0: Output O5 May Be Dead"}},
      {"stuck-bit=1:1", "82S147", 512, 0xFF, "verify",
       {"Differences Are Bit 1 Reading 1: Output O1 May Be Stuck High"}},
      {"stuck-address=8:0", "82S131", 512, 0x0F, "read",
       {"Locations 100-1FF Repeat 000-0FF: A8 Has No Effect (an Open Line, a Smaller Part, or an "
        "Image Written Twice)"}},
      {"stuck-address=8:0", "82S131", 512, 0x0F, "verify",
       {"Every Difference Reads Its A8-Clear Twin: A8 May Be Stuck Low"}},
      {"stuck-address=5:0", "74S473", 512, 0xFF, "verify",
       {"Every Difference Reads Its A5-Clear Twin: A5 May Be Stuck Low"}},
      {"stuck-address=5:1", "74S287", 256, 0x0F, "read",
       {"Every Location With A5 Set Repeats Its A5-Clear Twin: A5 Has No Effect"}},
  };
  for (const Fault_Run& run : runs) {
    Temp_Dir folder;
    const std::vector<uint8_t> image = Random_Bytes(run.size, run.mask, 5);
    folder.Write("s.txt", State_Text(run.type, image));
    folder.Write("good.bin", std::string(image.begin(), image.end()));
    std::vector<std::string> args = {"--simulate=" + folder.File("s.txt"), "--sim-fault", run.fault,
                                     "-d", run.type, run.command};
    if (std::string(run.command) == "read") args.push_back(folder.File("out.bin"));
    if (std::string(run.command) == "verify") args.push_back(folder.File("good.bin"));
    const Cli_Result result = Run_Cli_Args(args);
    for (const std::string& line : run.lines)
      EXPECT_TRUE(result.Says(line)) << run.fault << " " << run.command << " lacks: " << line
                                     << "\n" << result.out << result.err;
  }
}

TEST(Cli_Diagnosis, A_Read_No_Known_Image_Matches_Is_Matched_With_The_Stuck_Bit_Ignored) {
  Temp_Dir folder;
  const std::vector<uint8_t> image = Random_Bytes(256, 0x0F, 12);
  folder.Write("s.txt", State_Text("82S129", image));
  std::filesystem::create_directories(folder.Path() / "roms");
  folder.Write("roms/col.6f", std::string(image.begin(), image.end()));
  folder.Write("roms/other.bin", std::string(256, '\x03'));
  int ones = 0;
  for (const uint8_t byte : image) ones += (byte >> 1) & 1;
  const Cli_Result result =
      Run_Cli_Args({"--simulate=" + folder.File("s.txt"), "--sim-fault", "stuck-bit=1:0", "-d",
                    "82S129", "--roms", folder.File("roms"), "read", folder.File("out.bin")});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::vector<std::string> lines = {
      "No Known Image Matches (2 Images of This Size Searched)",
      "Bit 1 Reads 0 at Every Location: an Unused Output, or an Open One",
      "Known Image if Bit 1 Is Ignored: col.6f in roms \u2014 Every Other Bit Agrees",
      "All " + std::to_string(ones) + " Differences Are Bit 1 Reading 0: Output O1 May Be Dead"};
  std::size_t at = 0;
  for (const std::string& line : lines) {
    const std::size_t found = result.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "lacks, in order: " << line << "\n" << result.out;
    at = found + line.size();
  }
}

TEST(Cli_Diagnosis, A_Healthy_Part_Gets_No_Finding) {
  for (const char* command : {"read", "verify"}) {
    Temp_Dir folder;
    const std::vector<uint8_t> image = Random_Bytes(512, 0xFF, 9);
    folder.Write("s.txt", State_Text("82S147", image));
    folder.Write("good.bin", std::string(image.begin(), image.end()));
    const std::string file = folder.File(std::string(command) == "read" ? "out.bin" : "good.bin");
    const Cli_Result result =
        Run_Cli_Args({"--simulate=" + folder.File("s.txt"), "-d", "82S147", command, file});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    for (const char* word : {"Every Location", "Has No Effect", "Differences Are", "May Be"})
      EXPECT_FALSE(result.Says(word)) << command << ": " << result.out;
  }
}

}  // namespace
}  // namespace tarnik::testing
