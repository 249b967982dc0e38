#pragma once
// The writers of the three text forms of a buffer file: Intel HEX records,
// Motorola S2 records and ASCII hex lines, each of the device range of the
// image. Upper-case digits, zero-padded fields, no separators, and CR LF
// after every line, the last one included. Pure functions from image to
// text; the file access is the caller's.

#include <cstdint>
#include <string>

#include "window/hex_text.h"

#include "buffer/prom_image.h"

namespace tarnik {

inline constexpr const char* Hex_Line_End = "\r\n";

// The state one save works on: the next position to write, the line under
// construction and the running 8-bit sum of its address and data bytes.
struct Hex_Line_State {
  int32_t Save_Pos = 0;
  std::string Hex_Line;
  uint8_t Line_Sum = 0;
};

// Appends the two digits of the byte at Save_Pos to Hex_Line, adds the byte
// to Line_Sum and moves Save_Pos on by one.
void Emit_Hex_Byte(const Prom_Image& image, Hex_Line_State& state);


// The last position the writers cover: the device end kept within the
// image. A device end below 0 writes what a device end of 0 writes.
[[nodiscard]] int32_t Writer_End(int32_t device_end);

// A type 02 record for segment 0000, then 16-byte data records until the
// record holding the device end, then the end record. The last record is
// always written whole.
[[nodiscard]] std::string Write_Intel_Records(const Prom_Image& image, int32_t device_end);

// S2 records of up to 16 bytes, the last cut at the device end, then an S8
// end record; no S0 header and no S5 count.
[[nodiscard]] std::string Write_Motorola_Records(const Prom_Image& image, int32_t device_end);

// One line of digits per 16-byte-aligned block, the last cut at the device
// end; no address, no checksum, no end line.
[[nodiscard]] std::string Write_Ascii_Lines(const Prom_Image& image, int32_t device_end);

// The form the file type names (File_Intel_Hex, File_Motorola_Hex,
// File_Ascii_Hex); any other value gives an empty text.
[[nodiscard]] std::string Write_Hex_Image(int file_type, const Prom_Image& image,
                                          int32_t device_end);

}  // namespace tarnik
