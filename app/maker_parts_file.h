#pragma once
// Where the table of makers' parts is found: in the current folder, then
// in the share folder installed beside the program, then in the source
// tree's data folder of a build that is not installed.

#include <string>
#include <vector>

#include "devices/maker_parts.h"

namespace tarnik {

// The table, with a line for each row that could not be read; an empty
// table when no file is found.
[[nodiscard]] Maker_Parts Load_Maker_Parts(const std::string& current_dir,
                                           const std::string& installed_dir,
                                           std::vector<std::string>& problems);

}  // namespace tarnik
