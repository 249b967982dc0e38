#include "sim/sim_batch.h"

#include <charconv>
#include <string>

namespace tarnik::sim {

namespace {

std::optional<int> Hex_Number(std::string_view text, int limit) {
  int value = 0;
  if (text.empty() || text.size() > 4) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc{} || end != text.data() + text.size() || value < 0 || value > limit)
    return std::nullopt;
  return value;
}

// "ADDR:VALUE", the address within the largest part.
std::optional<std::pair<int, int>> Address_And(std::string_view text, int value_limit,
                                               int value_base) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<int> address = Hex_Number(text.substr(0, colon), Part_Fuse_Bytes - 1);
  std::string_view value_text = text.substr(colon + 1);
  int value = 0;
  const auto [end, error] =
      std::from_chars(value_text.data(), value_text.data() + value_text.size(), value, value_base);
  if (!address || value_text.empty() || error != std::errc{} ||
      end != value_text.data() + value_text.size() || value < 0 || value > value_limit)
    return std::nullopt;
  return std::pair{*address, value};
}

bool Add_Term(std::string_view term, Batch_Part& part) {
  if (term == "blank") return true;
  if (term == "empty") {
    part.empty = true;
    return true;
  }
  if (term.rfind("used=", 0) == 0) {
    const auto used = Address_And(term.substr(5), 0xFF, 16);
    if (used) part.used.push_back(Used_Byte{used->first, static_cast<uint8_t>(used->second)});
    return used.has_value();
  }
  if (term.rfind("stuck=", 0) == 0) {
    const auto stuck = Address_And(term.substr(6), 7, 10);
    if (stuck) part.stuck.push_back(Fused_Bit{stuck->first, stuck->second});
    return stuck.has_value();
  }
  return false;
}

std::optional<Batch_Part> Parse_Part(std::string_view text) {
  Batch_Part part;
  while (true) {
    const std::size_t plus = text.find('+');
    if (!Add_Term(text.substr(0, plus), part)) return std::nullopt;
    if (plus == std::string_view::npos) return part;
    text.remove_prefix(plus + 1);
  }
}

}  // namespace

std::optional<std::vector<Batch_Part>> Parse_Batch(std::string_view text) {
  std::vector<Batch_Part> parts;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::optional<Batch_Part> part = Parse_Part(text.substr(0, comma));
    if (!part) return std::nullopt;
    parts.push_back(*part);
    if (comma == std::string_view::npos) return parts;
    text.remove_prefix(comma + 1);
  }
}

std::unique_ptr<Sim_Part> Make_Batch_Part(const Batch_Part& entry, const Device_Type* type) {
  auto part = std::make_unique<Sim_Part>(entry.empty ? nullptr : type);
  if (entry.empty || type == nullptr) return part;
  // A used byte past the part's end has no fuses to hold it.
  for (const Used_Byte& used : entry.used)
    if (used.address <= type->end) part->Prefuse(used.address, used.bits);
  part->Set_Unblowable(entry.stuck);
  return part;
}

}  // namespace tarnik::sim
