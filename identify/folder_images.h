#pragma once
// The known images of one size in the ROM folders, for a search of the
// caller's own (an image compared with one bit ignored, or with one address
// line folded), from the same cached index the identification reads.

#include <cstdint>
#include <vector>

#include "identify/identify.h"
#include "identify/known_image.h"

namespace tarnik::identify {

// Every image of `size` bytes below the folders of `sources`; folders and
// files that cannot be read are passed over, as the identification has
// named them already.
[[nodiscard]] std::vector<Folder_Image> Folder_Images(const Identify_Sources& sources,
                                                      uint32_t size,
                                                      const Keep_Alive& keep_alive = {});

}  // namespace tarnik::identify
