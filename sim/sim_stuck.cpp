#include "sim/sim_stuck.h"

#include <charconv>

namespace tarnik::sim {

namespace {

std::optional<int> Decimal(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

template <typename Value>
Value Held(Value value, const Stuck_Pin& pin) {
  const auto mask = static_cast<Value>(1u << pin.index);
  return pin.level != 0 ? static_cast<Value>(value | mask) : static_cast<Value>(value & ~mask);
}

}  // namespace

std::optional<Stuck_Pin> Parse_Stuck_Pin(std::string_view text, int last_index) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<int> index = Decimal(text.substr(0, colon));
  const std::optional<int> level = Decimal(text.substr(colon + 1));
  if (!index || !level || *index < 0 || *index > last_index || (*level != 0 && *level != 1))
    return std::nullopt;
  return Stuck_Pin{*index, *level};
}

uint8_t Stuck_Pins::Apply_To_Data(uint8_t pins) const {
  for (const Stuck_Pin& pin : data_bits_) pins = Held(pins, pin);
  return pins;
}

int Stuck_Pins::Apply_To_Address(int address) const {
  for (const Stuck_Pin& pin : address_lines_) address = Held(address, pin);
  return address;
}

}  // namespace tarnik::sim
