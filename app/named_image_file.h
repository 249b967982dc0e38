#pragma once
// The file a message-list line names as the place a known image can be
// loaded from: "Known Image: col.6f in board.zip (File: /roms/board.zip:col.6f)"
// gives "/roms/board.zip:col.6f", in the form every loader takes.

#include <optional>
#include <string>
#include <string_view>

namespace tarnik {

// Nothing for a line that names no loadable file.
[[nodiscard]] std::optional<std::string> Loadable_File_Named(std::string_view line);

}  // namespace tarnik
