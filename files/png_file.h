#pragma once
// Saves an RGB picture as a PNG file, as every save is written: beside the
// target first, then renamed over it once whole.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnik {

// `rgb` holds `height` rows of `width` pixels, 3 bytes each, top row first.
// False, with `error` set, when the picture cannot be encoded or the file
// not written.
[[nodiscard]] bool Save_Png(int width, int height, const std::vector<uint8_t>& rgb,
                            const std::string& path, std::string& error);

}  // namespace tarnik
