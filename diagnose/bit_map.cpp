#include "diagnose/bit_map.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "buffer/buffer_marks.h"
#include "window/hex_text.h"

namespace tarnik::diagnose {

namespace {

constexpr Rgb Background{200, 200, 200};
constexpr Rgb Ink{0, 0, 0};
constexpr int Margin = 8;
constexpr int Label_Height = 10;   // a line of the small font and its gap
constexpr int Block_Gap = 14;
constexpr int Tick_Every = 16;     // locations between ticks
constexpr int Long_Tick_Every = 32;

// A 3 x 5 pixel font of the characters the picture writes: each glyph five
// rows of three bits, the top row first.
struct Glyph {
  char c;
  std::array<uint8_t, 5> rows;
};
constexpr Glyph Glyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 3, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'G', {3, 4, 5, 5, 3}}, {'I', {7, 2, 2, 2, 7}}, {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}},
    {'N', {6, 5, 5, 5, 5}}, {'R', {6, 5, 6, 5, 5}}, {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}},
    {'U', {5, 5, 5, 5, 7}}, {'X', {5, 5, 2, 5, 5}}, {':', {0, 2, 0, 2, 0}}, {'-', {0, 0, 7, 0, 0}},
};

void Fill(Raster& raster, int x, int y, int width, int height, Rgb colour) {
  for (int row = y; row < y + height; ++row)
    for (int column = x; column < x + width; ++column) raster.Set(column, row, colour);
}

void Write(Raster& raster, int x, int y, std::string_view text) {
  for (const char c : text) {
    const auto glyph = std::find_if(std::begin(Glyphs), std::end(Glyphs),
                                    [c](const Glyph& g) { return g.c == c; });
    if (glyph != std::end(Glyphs))
      for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 3; ++column)
          if ((glyph->rows[static_cast<std::size_t>(row)] >> (2 - column)) & 1)
            raster.Set(x + column, y + row, Ink);
    x += 4;
  }
}

int32_t Locations(const Bit_Map_Input& input) { return Loop_End(input.device_end) + 1; }
int32_t Block_Rows(const Bit_Map_Input& input) {
  return std::min(Locations(input), Locations_Per_Block);
}
int Blocks(const Bit_Map_Input& input) {
  return static_cast<int>((Locations(input) + Locations_Per_Block - 1) / Locations_Per_Block);
}
int Block_Width(const Bit_Map_Input& input) { return input.data_bits * Bit_Cell; }

Rgb Bit_Colour(const Bit_Map_Input& input, int32_t address, int bit) {
  const auto at = static_cast<std::size_t>(address);
  const bool one = ((*input.read)[at] >> bit) & 1;
  if (input.unstable != nullptr && (((*input.unstable)[at] >> bit) & 1)) return Unstable_Colour;
  if (input.reference != nullptr && ((((*input.reference)[at] >> bit) & 1) != one))
    return one ? Unmendable_Colour : Mendable_Colour;
  return one ? Bit_One_Colour : Bit_Zero_Colour;
}

void Draw_Block_Frame(Raster& raster, const Bit_Map_Input& input, int block) {
  const Cell_Place first = Cell_Of(input, block * Locations_Per_Block, input.data_bits - 1);
  Write(raster, first.x, first.y - Label_Height,
        Hex_Digits(static_cast<uint32_t>(block * Locations_Per_Block), 3));
  for (int32_t row = 0; row < Block_Rows(input); row += Tick_Every) {
    const int length = row % Long_Tick_Every == 0 ? 5 : 3;
    Fill(raster, first.x - length - 1, first.y + row * Bit_Cell, length, 1, Ink);
  }
}

const std::pair<Rgb, std::string_view> Legend[] = {
    {Bit_Zero_Colour, "0"},       {Bit_One_Colour, "1"}, {Mendable_Colour, "MISSING"},
    {Unmendable_Colour, "EXTRA"}, {Unstable_Colour, "UNSTABLE"}};

int Legend_Width() {
  int width = 2 * Margin;
  for (const auto& entry : Legend) width += 10 + static_cast<int>(entry.second.size()) * 4 + 8;
  return width;
}

void Draw_Legend(Raster& raster, int y) {
  int x = Margin;
  for (const auto& [colour, text] : Legend) {
    Fill(raster, x, y, 7, 7, Ink);
    Fill(raster, x + 1, y + 1, 5, 5, colour);
    Write(raster, x + 10, y + 1, text);
    x += 10 + static_cast<int>(text.size()) * 4 + 8;
  }
}

}  // namespace

Rgb Raster::At(int x, int y) const {
  const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)) * 3;
  return Rgb{rgb[at], rgb[at + 1], rgb[at + 2]};
}

void Raster::Set(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)) * 3;
  rgb[at] = colour.red;
  rgb[at + 1] = colour.green;
  rgb[at + 2] = colour.blue;
}

Cell_Place Cell_Of(const Bit_Map_Input& input, int32_t address, int bit) {
  const int block = static_cast<int>(address / Locations_Per_Block);
  const int row = static_cast<int>(address % Locations_Per_Block);
  // The highest bit stands on the left, as a byte is written.
  const int column = input.data_bits - 1 - bit;
  return Cell_Place{Margin + 8 + block * (Block_Width(input) + Block_Gap) + column * Bit_Cell,
                    Margin + Label_Height + row * Bit_Cell};
}

Raster Draw_Bit_Map(const Bit_Map_Input& input) {
  Raster raster;
  const int blocks_width = Blocks(input) * (Block_Width(input) + Block_Gap);
  raster.width = std::max(Margin + 8 + blocks_width, Legend_Width());
  const int legend_y = Margin + Label_Height + Block_Rows(input) * Bit_Cell + Margin;
  raster.height = legend_y + 7 + Margin;
  raster.rgb.assign(static_cast<std::size_t>(raster.width * raster.height) * 3, 0);
  Fill(raster, 0, 0, raster.width, raster.height, Background);
  for (int block = 0; block < Blocks(input); ++block) Draw_Block_Frame(raster, input, block);
  for (int32_t address = 0; address < Locations(input); ++address)
    for (int bit = 0; bit < input.data_bits; ++bit) {
      const Cell_Place cell = Cell_Of(input, address, bit);
      Fill(raster, cell.x, cell.y, Bit_Cell, Bit_Cell, Bit_Colour(input, address, bit));
    }
  Draw_Legend(raster, legend_y);
  return raster;
}

}  // namespace tarnik::diagnose
