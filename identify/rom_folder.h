#pragma once
// The images of one size that a folder of ROMs holds: plain files and the
// members of zip archives, at any depth below the folder. A zip's central
// directory gives each member's size and CRC without unpacking; only members
// small enough to be a part's image are ever unpacked. What each file held is
// kept in the cache, checked against the file's size and modification time,
// so that a later look-up opens only the files that changed.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "identify/known_image.h"
#include "identify/source_cache.h"

namespace tarnik::identify {

struct Folder_Lookup {
  std::vector<Folder_Image> images;   // every file or member of the size asked for
  std::vector<std::string> problems;  // "FILE: reason", one per file skipped
};

[[nodiscard]] Folder_Lookup Look_Up_Rom_Folder(const std::filesystem::path& folder,
                                               const Source_Cache& cache, uint32_t size,
                                               const Keep_Alive& keep_alive = {});

}  // namespace tarnik::identify
