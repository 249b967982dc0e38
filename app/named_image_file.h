#pragma once
// The file a known-image line of the message list names, so that the window
// can load the image the line speaks of: "Known Image: col.6f in
// board.zip:col.6f ..." and "Nearest Known Image: ..." name a zip member or a
// plain path after " in ". A line naming only a set in a catalogue names no
// file.

#include <optional>
#include <string>

namespace tarnik {

[[nodiscard]] std::optional<std::string> Named_Image_File(const std::string& line);

}  // namespace tarnik
