#pragma once
// The rules every text file the program reads follows, and the runtime's
// strict integer conversion.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnik {

// Splits a text into lines: a carriage return ends a line and a line feed
// right after it is skipped (a line feed alone ends nothing); Ctrl-Z ends the
// text. A text that does not end in a line break still ends its last line;
// an empty text has no lines.
[[nodiscard]] std::vector<std::string> Split_Text_Lines(std::string_view text);

// Reads a whole file; nothing when it cannot be opened or read.
[[nodiscard]] std::optional<std::string> Read_Whole_File(const std::string& path);

// A whole number in decimal, or in hex after "$" or "0x", optionally signed
// and after leading blanks, within 32 bits. Throws Handler_Error with
// "'TEXT' is not a valid integer value" otherwise.
[[nodiscard]] int32_t Str_To_Int(std::string_view text);

[[nodiscard]] std::string Not_Integer_Text(std::string_view text);

// Writes `text` to a temporary file beside `path` and renames it over the
// old one, so that a failure midway leaves the previous file whole.
// Returns whether the new file is in place.
bool Write_File_Atomically(const std::string& path, const std::string& text);

}  // namespace tarnik
