#include "sim/sim_faults.h"

#include <charconv>

namespace tarnik::sim {

namespace {

std::optional<int> Count_After(std::string_view item, std::string_view key) {
  if (item.size() <= key.size() || item.substr(0, key.size()) != key) return std::nullopt;
  const std::string_view digits = item.substr(key.size());
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc{} || end != digits.data() + digits.size() || value < 0)
    return std::nullopt;
  return value;
}

// "N" or "N:B": the write that falls short, and the bytes it takes.
bool Apply_Short_Write(std::string_view item, Sim_Faults& faults) {
  const std::size_t colon = item.find(':');
  const std::optional<int> at = Count_After(item.substr(0, colon), "short-write=");
  if (!at || *at == 0) return false;
  faults.short_write_at = *at;
  if (colon == std::string_view::npos) return true;
  const std::optional<int> keeps = Count_After(item.substr(colon), ":");
  if (!keeps) return false;
  faults.short_write_keeps = *keeps;
  return true;
}

bool Apply(std::string_view item, Sim_Faults& faults) {
  if (item == "no-reply") return faults.never_reply = true;
  if (item == "pieces") return faults.reply_in_pieces = true;
  if (item == "bad-reply") return faults.bad_reply = true;
  if (item == "open-fail") return faults.open_fails = true;
  if (auto n = Count_After(item, "no-reply=")) return (faults.no_reply_to = *n) > 0;
  if (item.substr(0, 12) == "short-write=") return Apply_Short_Write(item, faults);
  if (auto n = Count_After(item, "short-reply=")) return (faults.short_reply_to = *n) > 0;
  if (auto n = Count_After(item, "unplug=")) return (faults.unplug_after = *n) > 0;
  if (auto n = Count_After(item, "bad-record=")) return (faults.corrupt_record = *n) > 0;
  if (item.substr(0, 6) == "flaky=") {
    const std::optional<Flaky_Bit> weak = Parse_Flaky_Bit(item.substr(6));
    if (weak) faults.flaky.push_back(*weak);
    return weak.has_value();
  }
  if (item.substr(0, 10) == "stuck-bit=") {
    const std::optional<Stuck_Pin> pin = Parse_Stuck_Pin(item.substr(10), Last_Data_Bit);
    if (pin) faults.stuck_bits.push_back(*pin);
    return pin.has_value();
  }
  if (item.substr(0, 14) == "stuck-address=") {
    const std::optional<Stuck_Pin> pin = Parse_Stuck_Pin(item.substr(14), Last_Address_Line);
    if (pin) faults.stuck_addresses.push_back(*pin);
    return pin.has_value();
  }
  if (auto n = Count_After(item, "devices=")) {
    faults.devices_attached = *n;
    return true;
  }
  return false;
}

}  // namespace

std::optional<Sim_Faults> Parse_Faults(std::string_view text, Sim_Faults base) {
  if (text.empty()) return base;
  for (;;) {
    const std::size_t comma = text.find(',');
    if (!Apply(text.substr(0, comma), base)) return std::nullopt;
    if (comma == std::string_view::npos) return base;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace tarnik::sim
