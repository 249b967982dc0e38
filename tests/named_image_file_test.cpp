#include "app/named_image_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarnik::testing {
namespace {

TEST(Named_Image_File, Finds_The_File_A_Known_Image_Line_Names) {
  struct Case {
    const char* line;
    std::optional<std::string> file;
  };
  const Case cases[] = {
      {"Known Image: col.6f in board.zip:col.6f (roms)", "board.zip:col.6f"},
      {"Known Image: col.6f in board.zip:col.6f", "board.zip:col.6f"},
      {"Nearest Known Image: col.6f in /roms/board.ZIP:col.6f, 2 Bits Differ",
       "/roms/board.ZIP:col.6f"},
      {"Known Image: prom.bin in /home/me/roms/prom.bin (roms)", "/home/me/roms/prom.bin"},
      // A set of a catalogue is no file to load.
      {"Known Image: pr-1538.55 in monsterb2 (mame-listxml.xml)", std::nullopt},
      {"Nearest Known Image: prom.c10 in cocoloco (x.dat), 2 Bits Differ", std::nullopt},
      // A zip without a member, or a member without a zip.
      {"Known Image: a in board.zip: (roms)", std::nullopt},
      {"Known Image: a in .zip:a (roms)", std::nullopt},
      // Other lines of the list.
      {"Fill the Buffer From the Nearest Known Image in board.zip:col.6f", std::nullopt},
      {"0000  EXPECTED-00 FOUND-0F", std::nullopt},
      {"Known Image: no place named", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(Named_Image_File(c.line), c.file) << c.line;
}

}  // namespace
}  // namespace tarnik::testing
