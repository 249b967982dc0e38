#pragma once
// A picture of the part: every location a row of its data bits, 64
// locations to a block, blocks side by side, with address ticks, each
// block's first address above it and a legend below. Bits the reference
// wants otherwise are coloured as the hex editor colours bytes (amber:
// missing, red: extra), unstable bits in blue. A dead output shows as a
// stripe down every block, a repeated half as two equal runs of blocks.
// Drawn into plain RGB pixels, so that the window shows and the command
// line saves the same picture.

#include <cstdint>
#include <vector>

#include "buffer/prom_image.h"
#include "window/window_model.h"

namespace tarnik::diagnose {

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel

  [[nodiscard]] Rgb At(int x, int y) const;
  void Set(int x, int y, Rgb colour);
};

struct Bit_Map_Input {
  const Prom_Image* read = nullptr;       // what the part holds
  int32_t device_end = 0;
  int data_bits = 8;                      // 4 or 8
  const Prom_Image* reference = nullptr;  // what it should hold; none: no marks
  const Prom_Image* unstable = nullptr;   // bits that changed between reads; none: none
};

inline constexpr Rgb Bit_Zero_Colour{255, 255, 255};
inline constexpr Rgb Bit_One_Colour{40, 40, 40};
inline constexpr Rgb Unstable_Colour{120, 170, 255};
inline constexpr int Bit_Cell = 3;              // pixels a side of one bit
inline constexpr int32_t Locations_Per_Block = 64;

[[nodiscard]] Raster Draw_Bit_Map(const Bit_Map_Input& input);

// Where the cell of `bit` of `address` starts in the picture.
struct Cell_Place {
  int x = 0;
  int y = 0;
};
[[nodiscard]] Cell_Place Cell_Of(const Bit_Map_Input& input, int32_t address, int bit);

}  // namespace tarnik::diagnose
