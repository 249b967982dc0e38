// The loadable file a message-list line names: taken whole from the lines
// the identification writes, and nothing from any other line.

#include "app/named_image_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarnik {
namespace {

TEST(Named_Image_File, Takes_The_File_From_Known_Image_Lines_Only) {
  struct Case {
    const char* line;
    std::optional<std::string> file;
  };
  const Case cases[] = {
      {"Known Image: col.6f in board.zip (File: /roms/board.zip:col.6f)", "/roms/board.zip:col.6f"},
      {"Nearest Known Image: col.6f in board.zip, 2 Bits Differ (File: /roms/board.zip:col.6f)",
       "/roms/board.zip:col.6f"},
      {"Known Image: u5.bin in roms (File: /home/a b/roms/u5 (1).bin)", "/home/a b/roms/u5 (1).bin"},
      {"Known Image: 82s123.7f in puckman — Puck Man (Japan set 1), Namco 1980 (DAT NAME)",
       std::nullopt},
      {"No Known Image Matches (1 Images of This Size Searched)", std::nullopt},
      {"Fill the Buffer From the Nearest Known Image to Burn a Fresh Part", std::nullopt},
      {"Skipped roms/x.zip (File: /roms/x.zip)", std::nullopt},
      {"Known Image: p in s.zip (File: )", std::nullopt},
      {"Known Image: p in s.zip (File: /r/s.zip:p", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Loadable_File_Named(c.line), c.file);
  }
}

}  // namespace
}  // namespace tarnik
