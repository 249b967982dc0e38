#pragma once
// Names what a dump holds: the known images whose size and digests it
// matches, and, when none does, the known image it is nearest to in data
// bits, with each bit that differs. Catalogues and folders that cannot be
// used are named once each and skipped; they never change the dump.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "buffer/prom_image.h"
#include "identify/known_image.h"

namespace tarnik::identify {

inline constexpr int Default_Near_Bits = 16;

struct Identify_Sources {
  std::vector<std::filesystem::path> dats;
  std::vector<std::filesystem::path> rom_folders;
  int near_bits = Default_Near_Bits;  // 0: no nearest image
  std::filesystem::path cache_folder;  // empty: nothing cached

  [[nodiscard]] bool Empty() const { return dats.empty() && rom_folders.empty(); }
};

struct Identification {
  std::vector<std::string> lines;  // for the message list, in order
  std::string summary;             // the one line that names the match
  // Every line that names a match, or each nearest image, or that none
  // matches: what a short view of the result lists.
  std::vector<std::string> names;
  bool exact = false;  // some known image matches the dump as it is
};

// `image` positions 0 to `device_end`, compared on the bits of `data_mask`.
[[nodiscard]] Identification Identify_Dump(const Prom_Image& image, int32_t device_end,
                                           uint8_t data_mask, const Identify_Sources& sources,
                                           const Keep_Alive& keep_alive = {});

}  // namespace tarnik::identify
