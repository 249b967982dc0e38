#pragma once
// The rules every text file the program reads follows, and the runtime's
// strict integer conversion.

#include <cstddef>
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

// Every file the program reads is small: a 1024-byte image, a hex file of
// a few kilobytes, nine configuration lines, a 9215-byte update. Readers
// stop at this size so that an endless input (/dev/zero, a pipe that never
// ends) or an enormous one costs bounded time and memory.
inline constexpr std::size_t Input_File_Limit = 4 * 1024 * 1024;

struct Bounded_File {
  std::optional<std::string> bytes;  // the whole file, when it was read
  bool too_long = false;             // it held more than the limit allowed
};

// Reads a whole file of at most `limit` bytes. Nothing when it cannot be
// opened or read (a folder included); nothing with `too_long` set when it
// holds more, after reading no more than `limit` + 1 bytes.
[[nodiscard]] Bounded_File Read_Bounded_File(const std::string& path,
                                             std::size_t limit = Input_File_Limit);

// Reads a whole file within the input limit; nothing when it cannot be
// read or is longer.
[[nodiscard]] std::optional<std::string> Read_Whole_File(const std::string& path);

// "NAME is longer than N bytes": why a file was refused unread.
[[nodiscard]] std::string Too_Long_Text(const std::string& path, std::size_t limit);

// A whole number in decimal, or in hex after "$" or "0x", optionally signed
// and after leading blanks, within 32 bits. Throws Handler_Error with
// "'TEXT' is not a valid integer value" otherwise.
[[nodiscard]] int32_t Str_To_Int(std::string_view text);

[[nodiscard]] std::string Not_Integer_Text(std::string_view text);

// Writes `text` to a temporary file beside `path`, created exclusively under
// a name of its own, flushes it to the disk and renames it over the old one
// only when the whole text is written and the file closed, then flushes the
// folder: a failure midway (a full disk, a file-size limit) or a power cut
// leaves the previous file whole or the new one, never an empty one, and no
// temporary file behind. The new file keeps the old one's permissions.
// Returns whether the new file is in place. Reading and writing one path is
// safe: the old file is read before.
bool Write_File_Atomically(const std::string& path, const std::string& text);

}  // namespace tarnik
