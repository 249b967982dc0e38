#pragma once
// Numbers as the user sees them: upper-case hexadecimal, zero-padded.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnik {

// `value` as exactly `digits` hex digits; higher digits are dropped.
[[nodiscard]] std::string Hex_Digits(uint32_t value, int digits);

// `value` as at least `digits` hex digits, more when it needs them.
[[nodiscard]] std::string Hex_Digits_At_Least(uint32_t value, int digits);

// Bytes as two digits each, one blank between them: "94 2F 34".
[[nodiscard]] std::string Hex_Bytes(const uint8_t* data, std::size_t count);

}  // namespace tarnik
