#pragma once
// Pins of the simulated part held at one level whatever the part or the
// programmer drives: a data output that always reads 0 or 1 (an open or
// shorted output), or an address input that the part always sees at one
// level (an open line, or one shorted to a supply). A stuck address line
// folds the part onto the half with the line at its level, for reads and
// fusing alike, as it does on a real board.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarnik::sim {

struct Stuck_Pin {
  int index = 0;  // data bit 0 to 7, or address line 0 to 9
  int level = 0;  // 0 or 1
  friend bool operator==(const Stuck_Pin&, const Stuck_Pin&) = default;
};

inline constexpr int Last_Data_Bit = 7;
inline constexpr int Last_Address_Line = 9;

// "I:V": I a decimal index from 0 to `last_index`, V 0 or 1.
[[nodiscard]] std::optional<Stuck_Pin> Parse_Stuck_Pin(std::string_view text, int last_index);

class Stuck_Pins {
 public:
  Stuck_Pins() = default;
  Stuck_Pins(std::vector<Stuck_Pin> data_bits, std::vector<Stuck_Pin> address_lines)
      : data_bits_(std::move(data_bits)), address_lines_(std::move(address_lines)) {}

  [[nodiscard]] uint8_t Apply_To_Data(uint8_t pins) const;
  [[nodiscard]] int Apply_To_Address(int address) const;

 private:
  std::vector<Stuck_Pin> data_bits_;
  std::vector<Stuck_Pin> address_lines_;
};

}  // namespace tarnik::sim
