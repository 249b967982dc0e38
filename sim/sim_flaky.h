#pragma once
// Weak bits of the simulated part: a bit of a location that reads 0 or 1 at
// random on every read, as an old part or a tired socket gives. The random
// numbers are seeded, so that a run can be repeated exactly.

#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

namespace tarnik::sim {

struct Flaky_Bit {
  int address = 0;  // 0 to 0x3FF
  int bit = 0;      // 0 to 7
  friend bool operator==(const Flaky_Bit&, const Flaky_Bit&) = default;
};

// "ADDR:BIT", ADDR in hexadecimal up to 3FF and BIT from 0 to 7.
[[nodiscard]] std::optional<Flaky_Bit> Parse_Flaky_Bit(std::string_view text);

class Flaky_Bits {
 public:
  Flaky_Bits() = default;
  Flaky_Bits(std::vector<Flaky_Bit> bits, uint32_t seed) : bits_(std::move(bits)), random_(seed) {}

  // The data pins of `address` with each weak bit of it drawn anew.
  [[nodiscard]] uint8_t Apply(int address, uint8_t pins) const;
  [[nodiscard]] bool Empty() const { return bits_.empty(); }

 private:
  std::vector<Flaky_Bit> bits_;
  // Reads do not change the part, but they do draw the next random number.
  mutable std::mt19937 random_;
};

}  // namespace tarnik::sim
