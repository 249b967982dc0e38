#pragma once
// A dump's identity as collections of ROM images name it: the CRC-32 and the
// SHA-1 of buffer positions 0 to the device end. zlib computes the CRC and
// nettle the SHA-1; neither is written here.

#include <cstdint>
#include <string>

#include "buffer/prom_image.h"

namespace tarnik {

struct Image_Digest {
  uint32_t crc32 = 0;
  std::string sha1;  // 40 lower-case hex digits
};

// The digests of positions 0 to `device_end`, never past the image; a
// negative device end covers nothing.
[[nodiscard]] Image_Digest Digest_Device_Range(const Prom_Image& image, int32_t device_end);

// "CRC32=xxxxxxxx SHA1=" and the 40 digits, all lower case.
[[nodiscard]] std::string Identity_Line(const Image_Digest& digest);

}  // namespace tarnik
