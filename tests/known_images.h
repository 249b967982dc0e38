#pragma once
// Small catalogues and archives of known images for the tests, made on the
// spot: DAT texts in both forms, and zips written with libzip, some of them
// damaged on purpose byte by byte.

#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "buffer/image_digest.h"
#include "buffer/prom_image.h"
#include "tests/test_files.h"

namespace tarnik::testing {

using Bytes = std::vector<uint8_t>;

// A pattern with every data bit in use; `mask` keeps a 4-bit part's nibble.
inline Bytes Pattern(std::size_t size, uint8_t mask = 0xFF, uint8_t seed = 1) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>((i * 37 + seed * 11 + (i >> 3)) & mask);
  return bytes;
}

inline Image_Digest Digest_Of(const Bytes& bytes) {
  Prom_Image image{};
  std::copy(bytes.begin(), bytes.end(), image.begin());
  return Digest_Device_Range(image, static_cast<int32_t>(bytes.size()) - 1);
}

inline std::string Crc_Text(uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", crc);
  return text;
}

// `<rom name size crc sha1/>` for `bytes`; `sha1` false leaves it out.
inline std::string Rom_Element(const std::string& name, const Bytes& bytes, bool sha1 = true) {
  const Image_Digest digest = Digest_Of(bytes);
  return "<rom name=\"" + name + "\" size=\"" + std::to_string(bytes.size()) + "\" crc=\"" +
         Crc_Text(digest.crc32) + "\"" + (sha1 ? " sha1=\"" + digest.sha1 + "\"" : "") + "/>";
}

inline std::string Datafile(const std::string& name, const std::string& game,
                            const std::string& roms) {
  return "<?xml version=\"1.0\"?>\n<datafile>\n<header><name>" + name +
         "</name></header>\n<game name=\"" + game + "\">" + roms + "</game>\n</datafile>\n";
}

inline std::string Machine_List(const std::string& machine, const std::string& roms) {
  return "<?xml version=\"1.0\"?>\n<mame build=\"0\">\n<machine name=\"" + machine + "\">" + roms +
         "</machine>\n</mame>\n";
}

// A machine list of about `megabytes` MB: filler machines with ROMs of other
// sizes and CRCs, and one machine, `wanted_machine`, holding `roms` half way
// down, as a real list of tens of thousands of machines would.
inline std::string Large_Machine_List(int megabytes, const std::string& wanted_machine,
                                      const std::string& roms) {
  std::string text = "<?xml version=\"1.0\"?>\n<mame build=\"0\">\n";
  const std::size_t target = static_cast<std::size_t>(megabytes) << 20;
  const std::size_t half_way = target / 2;
  bool wanted_written = false;
  for (uint32_t index = 0; text.size() < target || !wanted_written; ++index) {
    if (!wanted_written && text.size() >= half_way) {
      text += "<machine name=\"" + wanted_machine + "\">" + roms + "</machine>\n";
      wanted_written = true;
    }
    text += "<machine name=\"m" + std::to_string(index) + "\"><description>Machine " +
            std::to_string(index) + "</description><year>1982</year><manufacturer>Maker" +
            "</manufacturer>\n";
    for (uint32_t r = 0; r < 6; ++r)
      text += "<rom name=\"r" + std::to_string(r) + ".bin\" size=\"" +
              std::to_string(8192u << (r % 3)) + "\" crc=\"" + Crc_Text(index * 7919u + r) +
              "\" region=\"maincpu\" offset=\"0\"/>\n";
    text += "</machine>\n";
  }
  return text + "</mame>\n";
}

// Writes a zip of `members` (name, bytes), compressed unless `store`.
inline bool Write_Zip(const std::string& path, const std::vector<std::pair<std::string, Bytes>>& members,
                      bool store = false) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return false;
  for (const auto& [name, bytes] : members) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
    if (store) zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  return zip_close(archive) == 0;
}

// Offsets of every record with this 4-byte signature.
inline std::vector<std::size_t> Records(const std::string& zip, const char* signature) {
  std::vector<std::size_t> found;
  for (std::size_t at = zip.find(signature, 0, 4); at != std::string::npos;
       at = zip.find(signature, at + 4, 4))
    found.push_back(at);
  return found;
}

inline void Put_Le32(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace tarnik::testing
