#include "identify/folder_images.h"

#include <iterator>

#include "identify/rom_folder.h"
#include "identify/source_cache.h"

namespace tarnik::identify {

std::vector<Folder_Image> Folder_Images(const Identify_Sources& sources, uint32_t size,
                                        const Keep_Alive& keep_alive) {
  std::vector<Folder_Image> images;
  const Source_Cache cache(sources.cache_folder);
  for (const std::filesystem::path& folder : sources.rom_folders) {
    Folder_Lookup lookup = Look_Up_Rom_Folder(folder, cache, size, keep_alive);
    images.insert(images.end(), std::make_move_iterator(lookup.images.begin()),
                  std::make_move_iterator(lookup.images.end()));
  }
  return images;
}

}  // namespace tarnik::identify
