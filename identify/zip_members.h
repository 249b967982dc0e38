#pragma once
// What a zip archive holds, read with libzip: each member's name, size and
// CRC from the central directory, and the bytes of the members no longer
// than a part. An archive that is corrupt, truncated, encrypted or claims
// far more than it could honestly hold is refused with the reason.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnik::identify {

struct Zip_Member {
  std::string name;
  uint32_t size = 0;
  uint32_t crc = 0;
  std::optional<std::vector<uint8_t>> data;  // only for members no longer than a part
};

struct Zip_Contents {
  std::vector<Zip_Member> members;
  std::string problem;  // empty when the archive was read whole
};

[[nodiscard]] Zip_Contents Read_Zip_Members(const std::filesystem::path& zip);

}  // namespace tarnik::identify
