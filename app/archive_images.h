#pragma once
// Images kept in zip archives, wherever a file is loaded: `board.zip:col.6f`
// names one member; `board.zip` alone loads the one member of the part's
// size, and otherwise says which members there are. The archive is read with
// the same bounds as the known images' archives: each member's claimed size
// and CRC checked, a bomb refused.

#include <cstdint>
#include <optional>
#include <string>

#include "files/file_commands.h"

namespace tarnik {

// The zip and the member a name gives; no member for a zip alone, nothing
// for a name that is a plain file.
struct Archive_Name {
  std::string zip;
  std::string member;
};
[[nodiscard]] std::optional<Archive_Name> Split_Archive_Name(const std::string& name);

[[nodiscard]] std::optional<Archive_Read> Read_Archive_Image(const std::string& name,
                                                             uint32_t part_bytes);

}  // namespace tarnik
