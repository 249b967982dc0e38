#include "identify/zip_members.h"

#include <zip.h>
#include <zlib.h>

#include <memory>

#include "identify/known_image.h"

namespace tarnik::identify {

namespace {

// An honest archive never claims more than this in all, nor unpacks a large
// member at more than a thousand to one; deflate itself tops out near that.
constexpr uint64_t Most_Claimed_Bytes = uint64_t{4} << 30;
constexpr uint64_t Large_Member_Bytes = uint64_t{16} << 20;
constexpr uint64_t Highest_Ratio = 1000;
constexpr zip_int64_t Most_Members = 100000;

struct Zip_Discard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, Zip_Discard>;

std::string Open_Error(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

bool Looks_Like_Bomb(const zip_stat_t& stat, uint64_t& claimed) {
  claimed += stat.size;
  const uint64_t packed = stat.comp_size == 0 ? 1 : stat.comp_size;
  return claimed > Most_Claimed_Bytes ||
         (stat.size > Large_Member_Bytes && stat.size / packed > Highest_Ratio);
}

// The member's bytes, checked against its size and CRC; an empty optional
// when they cannot be had.
std::optional<std::vector<uint8_t>> Unpack(zip_t* archive, zip_uint64_t index,
                                           const zip_stat_t& stat) {
  zip_file_t* file = zip_fopen_index(archive, index, 0);
  if (file == nullptr) return std::nullopt;
  // One byte more than claimed: a member that holds more is caught here.
  std::vector<uint8_t> data(stat.size + 1);
  const zip_int64_t got = zip_fread(file, data.data(), data.size());
  zip_fclose(file);
  if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size) return std::nullopt;
  data.resize(stat.size);
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(data.size()));
  if (crc != stat.crc) return std::nullopt;
  return data;
}

}  // namespace

Zip_Contents Read_Zip_Members(const std::filesystem::path& zip) {
  Zip_Contents contents;
  int code = 0;
  const Archive archive(zip_open(zip.c_str(), ZIP_RDONLY, &code));
  if (!archive) {
    contents.problem = "not a readable zip: " + Open_Error(code);
    return contents;
  }
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  if (count < 0 || count > Most_Members) {
    contents.problem = "too many members for an honest archive";
    return contents;
  }
  uint64_t claimed = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t stat;
    zip_stat_init(&stat);
    const zip_uint64_t needed = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC;
    if (zip_stat_index(archive.get(), index, 0, &stat) != 0 || (stat.valid & needed) != needed) {
      contents.problem = "corrupt central directory";
      return contents;
    }
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
      contents.problem = "encrypted";
      return contents;
    }
    if (Looks_Like_Bomb(stat, claimed)) {
      contents.problem = "claims far more than it holds (a zip bomb)";
      return contents;
    }
    const std::string name = stat.name;
    if (name.empty() || name.back() == '/') continue;
    Zip_Member member{name, static_cast<uint32_t>(stat.size), stat.crc, std::nullopt};
    if (stat.size <= Max_Part_Bytes) {
      member.data = Unpack(archive.get(), index, stat);
      if (!member.data) {
        contents.problem = "member " + name + " is corrupt";
        return contents;
      }
    }
    contents.members.push_back(std::move(member));
  }
  return contents;
}

}  // namespace tarnik::identify
