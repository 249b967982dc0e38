#include "window/hex_text.h"

namespace tarnik {

std::string Hex_Digits(uint32_t value, int digits) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4)
    text[static_cast<std::size_t>(i)] = Digits[value & 0xF];
  return text;
}

std::string Hex_Digits_At_Least(uint32_t value, int digits) {
  int needed = 1;
  for (uint32_t rest = value >> 4; rest != 0; rest >>= 4) ++needed;
  return Hex_Digits(value, needed > digits ? needed : digits);
}

std::string Hex_Bytes(const uint8_t* data, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += Hex_Digits(data[i], 2);
  }
  return text;
}

}  // namespace tarnik
