#include "buffer/image_digest.h"

#include <nettle/sha1.h>
#include <zlib.h>

#include <array>
#include <cstdio>

namespace tarnik {

namespace {

std::string Lower_Hex(const uint8_t* bytes, std::size_t count) {
  std::string text;
  char pair[3];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    text += pair;
  }
  return text;
}

}  // namespace

Image_Digest Digest_Device_Range(const Prom_Image& image, int32_t device_end) {
  const int32_t last = Loop_End(device_end);
  const std::size_t length = last < 0 ? 0 : static_cast<std::size_t>(last) + 1;
  Image_Digest digest;
  digest.crc32 = static_cast<uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(length)));
  sha1_ctx context;
  sha1_init(&context);
  sha1_update(&context, length, image.data());
  std::array<uint8_t, SHA1_DIGEST_SIZE> sha{};
  sha1_digest(&context, sha.size(), sha.data());
  digest.sha1 = Lower_Hex(sha.data(), sha.size());
  return digest;
}

std::string Identity_Line(const Image_Digest& digest) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", digest.crc32);
  return std::string("CRC32=") + crc + " SHA1=" + digest.sha1;
}

}  // namespace tarnik
