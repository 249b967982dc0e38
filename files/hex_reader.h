#pragma once
// The reader of the three text forms of a buffer file: Intel HEX records,
// Motorola S-records and ASCII hex lines. The file type decides how every
// line is read; the content is not inspected to recognise the form.
//
// The reader is lenient: a data record with a wrong checksum is stored like a
// good one (files in the field rely on it) but counted, as is a wrong checksum
// on any other record; record kinds it does not use are skipped, unknown ones
// counted too, and record addresses fold onto the device range (the
// start address AND the device end). It is a pure function from text to
// image, so that it can be tested and fuzzed alone.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "buffer/prom_image.h"

namespace tarnik {

// Only the mark and the 160 characters after it count on a line.
inline constexpr std::size_t Hex_Line_Window = 161;

struct Hex_Read_Result {
  // The start image with every data byte of the file stored over it, up to
  // the point of a conversion error.
  Prom_Image image{};
  // The conversion error, e.g. "'$G0' is not a valid integer value", when a
  // hex field could not be converted; the read stopped there.
  std::optional<std::string> error;
  // The line of the conversion error, counted from 1 as an editor counts
  // them: a CR LF pair ends one line.
  std::size_t error_line = 0;
  // Data bytes whose position would lie outside the image; never stored.
  std::size_t dropped = 0;
  // Data bytes stored in the image.
  std::size_t stored = 0;
  // Intel and Motorola records, of every type, whose checksum is wrong,
  // missing or no hex number, and the line of the first of them.
  std::size_t bad_checksums = 0;
  std::size_t first_bad_checksum_line = 0;
  // Records of a type the form does not define (Intel 06 and up, S4), and
  // the line of the first of them; they are skipped like the others.
  std::size_t unknown_records = 0;
  std::size_t first_unknown_line = 0;

  [[nodiscard]] bool Succeeded() const { return !error.has_value(); }
};

// Reads `text` in the form `file_type` names (File_Intel_Hex,
// File_Motorola_Hex, File_Ascii_Hex; any other value stores nothing) over a
// copy of `start`.
[[nodiscard]] Hex_Read_Result Read_Hex_Image(std::string_view text, int file_type,
                                             int32_t device_end, const Prom_Image& start);

}  // namespace tarnik
