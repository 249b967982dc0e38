#pragma once
// The check before a burn that names every problem: one read of the whole
// part, then every location that cannot take the buffer, in address order,
// and their count. A location cannot take its buffer byte when the part
// holds a 1 in a data bit where the byte has a 0: programming only ever adds
// 1 bits. Unlike the program compare, it does not stop at the first; the
// read itself runs in the device operations' frame.

#include <cstdint>
#include <string>

namespace tarnik {

struct Unfit_Location {
  int32_t address = 0;
  uint8_t wanted = 0;  // the buffer's byte
  uint8_t found = 0;   // the part's byte, in its data bits
  friend bool operator==(const Unfit_Location&, const Unfit_Location&) = default;
};

// Whether a location holding `found` can be programmed to `wanted`; a 4-bit
// class (device tag 3 or 4) takes only bits 0 to 3 of the buffer byte.
[[nodiscard]] bool Can_Take(uint8_t wanted, uint8_t found, int device_tag);

// "0013  CANNOT TAKE-5A PART HAS-7E"
[[nodiscard]] std::string Unfit_Line(const Unfit_Location& location);
// "3 Locations Cannot Take the Buffer"
[[nodiscard]] std::string Unfit_Summary(std::size_t count);

}  // namespace tarnik
