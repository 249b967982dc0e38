#pragma once
// The four pictures that show how to seat a part: in the lower or upper half
// of the adapter's own socket, or in the 20-pin or 24-pin plug-in adapter
// socket with its wiring.

#include <string>
#include <vector>

#include "devices/device_catalogue.h"

namespace tarnik {

// The picture's text, one string a line.
[[nodiscard]] std::vector<std::string> Placement_Picture(Picture picture);

}  // namespace tarnik
