#pragma once
// The images of one size that a DAT catalogue names. The catalogue is read
// once, streaming, into a compact index kept in the cache; while the file
// keeps its size and modification time, later look-ups read only the index.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "identify/known_image.h"
#include "identify/source_cache.h"

namespace tarnik::identify {

struct Dat_Lookup {
  std::string name;     // the header's name, or the file's name without it
  std::string problem;  // why the catalogue was skipped; empty when it was used
  std::size_t of_size = 0;            // the entries of the size asked for
  std::vector<Listed_Image> images;  // those of them with the CRC asked for
};

[[nodiscard]] Dat_Lookup Look_Up_Dat(const std::filesystem::path& dat, const Source_Cache& cache,
                                     uint32_t size, uint32_t crc,
                                     const Keep_Alive& keep_alive = {});

}  // namespace tarnik::identify
