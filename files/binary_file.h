#pragma once
// Binary buffer files: file byte n is buffer position n, with no header,
// trailer or checksum. Pure functions between bytes and an image; the file
// access is the caller's.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "buffer/prom_image.h"

namespace tarnik {

struct Binary_Read_Result {
  Prom_Image image{};
  std::size_t dropped = 0;  // file bytes whose position would be past the image
};

// Copies `block`, the file's bytes from file offset `position` on, into the
// image at the same positions. Positions past the image are not stored; the
// result is how many bytes that left out.
std::size_t Store_Binary_Block(Prom_Image& image, std::size_t position, std::string_view block);

// `start` with the whole file stored over it from position 0 on; positions
// after the file's last byte keep their content.
[[nodiscard]] Binary_Read_Result Read_Binary_Image(std::string_view file, const Prom_Image& start);

// Positions 0 to `device_end` as file bytes: device_end + 1 of them, never
// more than the image holds, none for a negative device end.
[[nodiscard]] std::string Write_Binary_Image(const Prom_Image& image, int32_t device_end);

}  // namespace tarnik
