#include "sim/sim_flaky.h"

#include <charconv>

namespace tarnik::sim {

namespace {
constexpr int Last_Address = 0x3FF;
constexpr int Last_Bit = 7;

std::optional<int> Whole_Number(std::string_view text, int base) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}
}  // namespace

std::optional<Flaky_Bit> Parse_Flaky_Bit(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<int> address = Whole_Number(text.substr(0, colon), 16);
  const std::optional<int> bit = Whole_Number(text.substr(colon + 1), 10);
  if (!address || !bit || *address < 0 || *address > Last_Address || *bit < 0 || *bit > Last_Bit)
    return std::nullopt;
  return Flaky_Bit{*address, *bit};
}

uint8_t Flaky_Bits::Apply(int address, uint8_t pins) const {
  for (const Flaky_Bit& weak : bits_) {
    if (weak.address != address) continue;
    const auto mask = static_cast<uint8_t>(1u << weak.bit);
    pins = (random_() & 1u) != 0 ? static_cast<uint8_t>(pins | mask)
                                 : static_cast<uint8_t>(pins & ~mask);
  }
  return pins;
}

}  // namespace tarnik::sim
