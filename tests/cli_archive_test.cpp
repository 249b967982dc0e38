// Images taken from zip archives on the command line: a named member
// programs and verifies the part; a zip alone loads its one member of the
// part's size; several, none, a missing member, one too large for any part,
// a damaged member and a bomb are refused with the members named, exit 2.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/archive_images.h"
#include "tests/cli_run.h"
#include "tests/known_images.h"

namespace tarnik::testing {
namespace {

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Cli_Archive, Program_And_Verify_From_A_Member) {
  Temp_Dir dir;
  const Bytes colours = Pattern(256, 0x0F, 3);
  ASSERT_TRUE(Write_Zip(dir.File("board.zip"),
                        {{"col.6f", colours}, {"pal.5e", Pattern(32, 0xFF, 4)}}));
  const std::string state = "--simulate=" + dir.File("s.txt");
  const auto program =
      Run_Cli_Args({state, "-d", "82S129", "program", dir.File("board.zip") + ":col.6f"});
  EXPECT_EQ(program.status, 0) << program.out << program.err;
  EXPECT_TRUE(program.Says("Device is Programmed....")) << program.out;
  const auto verify =
      Run_Cli_Args({state, "-d", "82S129", "verify", dir.File("board.zip") + ":col.6f"});
  EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
  // What the part holds now is the member, byte for byte.
  const auto read = Run_Cli_Args({state, "-d", "82S129", "read", dir.File("dump.bin")});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(Read_File(dir.File("dump.bin")), Text(colours));
}

TEST(Cli_Archive, A_Zip_Alone_Loads_Its_One_Member_Of_The_Parts_Size) {
  Temp_Dir dir;
  const Bytes colours = Pattern(256, 0x0F, 5);
  ASSERT_TRUE(Write_Zip(dir.File("one.zip"), {{"pal.5e", Pattern(32)}, {"col.6f", colours}}));
  const auto sum = Run_Cli_Args({"-d", "82S129", "checksum", dir.File("one.zip")});
  const auto plain_sum = [&] {
    dir.Write("col.6f", Text(colours));
    return Run_Cli_Args({"-d", "82S129", "checksum", dir.File("col.6f")});
  }();
  EXPECT_EQ(sum.status, 0) << sum.err;
  EXPECT_EQ(plain_sum.status, 0) << plain_sum.err;
  EXPECT_EQ(sum.out, plain_sum.out);
}

TEST(Cli_Archive, Archives_That_Cannot_Give_One_Image_Are_Refused_With_Their_Members) {
  Temp_Dir dir;
  ASSERT_TRUE(Write_Zip(dir.File("two.zip"), {{"a.7f", Pattern(256)}, {"b.7f", Pattern(256, 0xFF, 2)},
                                              {"pal.5e", Pattern(32)}}));
  ASSERT_TRUE(Write_Zip(dir.File("cpu.zip"), {{"big.rom", Pattern(2048)}}));
  ASSERT_TRUE(Write_Zip(dir.File("stored.zip"), {{"m.bin", Pattern(256)}}, true));
  std::string damaged = Read_File(dir.File("stored.zip"));
  damaged[Records(damaged, "PK\x03\x04")[0] + 30 + 5 + 5] ^= 0x40;
  dir.Write("damaged.zip", damaged);
  ASSERT_TRUE(Write_Zip(dir.File("zeros.zip"), {{"huge", Bytes(64 * 1024)}}));
  std::string bomb = Read_File(dir.File("zeros.zip"));
  for (std::size_t at : Records(bomb, "PK\x03\x04")) Put_Le32(bomb, at + 22, 0xFFFFFF00u);
  for (std::size_t at : Records(bomb, "PK\x01\x02")) Put_Le32(bomb, at + 24, 0xFFFFFF00u);
  dir.Write("bomb.zip", bomb);

  struct Case {
    std::string file;
    std::string says;
  };
  const std::string two = dir.File("two.zip");
  const Case cases[] = {
      {two, two + ": several members of 256 bytes; name one as " + two +
                ":MEMBER from a.7f (256 Bytes), b.7f (256 Bytes)"},
      {two + ":c.7f", two + ":c.7f: no member c.7f; it holds a.7f (256 Bytes), b.7f (256 Bytes), "
                                 "pal.5e (32 Bytes)"},
      {dir.File("cpu.zip"), dir.File("cpu.zip") + ": no member of 256 bytes; name one as " +
                                dir.File("cpu.zip") + ":MEMBER from big.rom (2048 Bytes)"},
      {dir.File("cpu.zip") + ":big.rom",
       dir.File("cpu.zip") + ":big.rom: member big.rom holds 2048 bytes, more than any part"},
      {dir.File("damaged.zip") + ":m.bin", "member m.bin is corrupt"},
      {dir.File("bomb.zip"), "claims far more than it holds (a zip bomb)"},
      {dir.File("absent.zip") + ":m.bin", "not a readable zip"},
  };
  for (const Case& c : cases) {
    const auto run = Run_Cli_Args({"-d", "82S129", "checksum", c.file});
    EXPECT_EQ(run.status, 2) << c.file;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.file << "\n" << run.err;
  }
}

TEST(Archive_Name, Splits_Only_Names_That_Are_Archives) {
  Temp_Dir dir;
  dir.Write("odd.zip:name", "a plain file with a colon in its name");
  struct Case {
    std::string name;
    bool archive;
    std::string zip, member;
  };
  const Case cases[] = {
      {"board.zip:col.6f", true, "board.zip", "col.6f"},
      {"/roms/Board.ZIP:sub/col.6f", true, "/roms/Board.ZIP", "sub/col.6f"},
      {"board.zip", true, "board.zip", ""},
      {"a.zip:b.zip:c", true, "a.zip", "b.zip:c"},
      {"col.6f", false, "", ""},
      {".zip:x", false, "", ""},
      {"board.zipx", false, "", ""},
      {dir.File("odd.zip:name"), false, "", ""},
  };
  for (const Case& c : cases) {
    const auto split = Split_Archive_Name(c.name);
    ASSERT_EQ(split.has_value(), c.archive) << c.name;
    if (!split) continue;
    EXPECT_EQ(split->zip, c.zip) << c.name;
    EXPECT_EQ(split->member, c.member) << c.name;
  }
}

}  // namespace
}  // namespace tarnik::testing
