// The command line names the known image a part holds, or the nearest one
// and its bits, over the simulator; bad catalogues never change the exit
// status, while a catalogue or folder that is not there at all is bad usage.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/named_image_file.h"
#include "app/options.h"
#include "tests/cli_run.h"
#include "tests/known_images.h"

namespace tarnik::cli {
namespace {

using tarnik::testing::Bytes;
using tarnik::testing::Datafile;
using tarnik::testing::Pattern;
using tarnik::testing::Rom_Element;
using tarnik::testing::Run_Cli_Args;
using tarnik::testing::Temp_Dir;
using tarnik::testing::Scoped_Env;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Cli_Identify, Names_The_Image_A_Part_Holds_Or_The_Nearest) {
  Temp_Dir dir;
  const Scoped_Env cache("XDG_CACHE_HOME", dir.File("cache"));
  const Bytes known = Pattern(256, 0x0F);
  ASSERT_EQ(known[0x10] & 0x08, 0x08);
  ASSERT_EQ(known[0x42] & 0x01, 0x01);
  Bytes drifted = known;  // two fuses grown back
  drifted[0x10] &= 0xF7;
  drifted[0x42] &= 0xFE;
  dir.Write("known.dat", Datafile("Proms", "board", Rom_Element("col.6f", known)));
  std::filesystem::create_directories(dir.Path() / "roms");
  ASSERT_TRUE(tarnik::testing::Write_Zip(dir.File("roms/board.zip"), {{"col.6f", known}}));
  dir.Write("known.bin", Text(known));
  dir.Write("drifted.bin", Text(drifted));
  const std::vector<std::string> sources = {"--dat", dir.File("known.dat"), "--roms",
                                            dir.File("roms/")};
  const std::string board = (dir.Path() / "roms/board.zip").lexically_normal().string() + ":col.6f";

  const auto read_part = [&](const std::string& image, const std::string& state) {
    const auto burn = Run_Cli_Args({"--simulate=" + dir.File(state), "-d", "82S129", "program",
                                    dir.File(image)});
    EXPECT_EQ(burn.status, 0) << burn.out << burn.err;
    std::vector<std::string> args = {"--simulate=" + dir.File(state), "-d", "82S129"};
    args.insert(args.end(), sources.begin(), sources.end());
    args.insert(args.end(), {"read", dir.File("dump.bin")});
    return Run_Cli_Args(args);
  };

  const auto exact = read_part("known.bin", "a.txt");
  EXPECT_EQ(exact.status, 0);
  EXPECT_TRUE(exact.Says("Device Has Been Moved to Buffer....\n"
                         "Known Image: col.6f in board (Proms)\n"
                         "Known Image: col.6f in board.zip (File: " + board + ")\n"
                         "CRC32="))
      << exact.out;

  const auto near = read_part("drifted.bin", "b.txt");
  EXPECT_EQ(near.status, 0);
  EXPECT_TRUE(near.Says("No Known Image Matches (2 Images of This Size Searched)\n"
                        "Nearest Known Image: col.6f in board.zip, 2 Bits Differ (File: " + board + ")\n"
                        "0010  BIT-3 KNOWN-1 READ-0\n"
                        "0042  BIT-0 KNOWN-1 READ-0\n"
                        "Fill the Buffer From the Nearest Known Image to Burn a Fresh Part\n"))
      << near.out;

  // The file the line names is one the command line loads: the drifted
  // part fails against it, and a fresh part burnt from it passes.
  const std::string line = near.out.substr(near.out.find("Nearest Known Image: "));
  const std::optional<std::string> named = Loadable_File_Named(line.substr(0, line.find('\n')));
  ASSERT_EQ(named, board);
  const auto check = [&](const std::string& state) {
    return Run_Cli_Args({"--simulate=" + dir.File(state), "-d", "82S129", "verify", *named});
  };
  EXPECT_NE(check("b.txt").status, 0);
  const auto fresh = Run_Cli_Args({"--simulate=" + dir.File("c.txt"), "-d", "82S129", "program", *named});
  EXPECT_EQ(fresh.status, 0) << fresh.out << fresh.err;
  EXPECT_EQ(check("c.txt").status, 0) << check("c.txt").out;
}

TEST(Cli_Identify, Bad_Sources_Leave_The_Status_Missing_Ones_Are_Bad_Usage) {
  Temp_Dir dir;
  const Scoped_Env cache("XDG_CACHE_HOME", dir.File("cache"));
  dir.Write("img.bin", std::string(256, '\x05'));
  dir.Write("bad.dat", "<datafile><game name=\"g\"><rom name=\"r\" size=\"256\" crc=\"xyz\"/>");
  std::filesystem::create_directories(dir.Path() / "roms");
  dir.Write("roms/broken.zip", "PK not really");
  const std::string img = dir.File("img.bin");
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string says;  // in the output; for bad usage, the error's first line
  } cases[] = {
      {"bad catalogue and zip: said once, status kept",
       {"-d", "82S129", "--dat", dir.File("bad.dat"), "--roms", dir.File("roms"), "checksum", img},
       0,
       "Skipped " + dir.File("bad.dat") +
           ": line 1: rom r has a CRC that is not 8 hex digits\nSkipped roms/broken.zip: "},
      {"no such catalogue", {"-d", "82S129", "--dat", dir.File("none.dat"), "checksum", img}, 2,
       "tarnik-cli: no DAT file " + dir.File("none.dat")},
      {"no such folder", {"-d", "82S129", "--roms", dir.File("none"), "checksum", img}, 2,
       "tarnik-cli: no ROM folder " + dir.File("none")},
      {"a file for a folder", {"-d", "82S129", "--roms", img, "checksum", img}, 2,
       "tarnik-cli: no ROM folder " + img},
      {"not for blank", {"--simulate", "-d", "82S129", "--dat", dir.File("bad.dat"), "blank"}, 2,
       "tarnik-cli: --dat and --roms belong to read, verify, checksum and convert, not to blank"},
      {"near bits out of range", {"-d", "82S129", "--near-bits", "8193", "checksum", img}, 2,
       "tarnik-cli: --near-bits needs a count from 0 to 8192"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = Run_Cli_Args(c.args);
    EXPECT_EQ(result.status, c.status) << result.err;
    if (c.status == 2) {
      // Refused before anything is done: nothing on the output.
      EXPECT_EQ(result.err.substr(0, result.err.find('\n')), c.says);
      EXPECT_EQ(result.out, "");
    } else {
      EXPECT_TRUE(result.Says(c.says)) << result.out;
      EXPECT_EQ(result.out.find("Skipped " + dir.File("bad.dat")),
                result.out.rfind("Skipped " + dir.File("bad.dat")));
    }
  }
}

TEST(Cli_Identify, Options_Repeat_And_Belong_To_The_Command_Line) {
  const Parse_Result cli = Parse_Options(
      {"--dat", "a.dat", "--dat=b.xml", "--roms", "r1", "--roms=r2", "--near-bits=0", "read", "x"}, true);
  ASSERT_TRUE(cli.options) << cli.error;
  EXPECT_EQ(cli.options->dats, (std::vector<std::string>{"a.dat", "b.xml"}));
  EXPECT_EQ(cli.options->rom_folders, (std::vector<std::string>{"r1", "r2"}));
  EXPECT_EQ(cli.options->near_bits, 0);
  EXPECT_EQ(Parse_Options({"read", "x"}, true).options->near_bits, 16);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--dat"}, {"--dat="}, {"--roms"}, {"--near-bits", "-1"},
        {"--near-bits", "8193"}, {"--near-bits", "x"}})
    EXPECT_FALSE(Parse_Options(bad, true).options) << bad[0];
  // The window looks in the user's folders; it takes the distance only.
  EXPECT_FALSE(Parse_Options({"--dat", "a.dat"}, false).options);
  EXPECT_FALSE(Parse_Options({"--roms", "r"}, false).options);
  EXPECT_EQ(Parse_Options({"--near-bits", "3"}, false).options->near_bits, 3);
}

}  // namespace
}  // namespace tarnik::cli
