#pragma once
// The parts of a batch, put into the simulated socket one after another as a
// run of many parts asks for the next: fresh blank parts, parts already
// burnt in places (from a drawer of used ones), parts with a fuse that will
// not blow, and an empty socket when the handler misses one.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/sim_part.h"

namespace tarnik::sim {

struct Used_Byte {
  int address = 0;
  uint8_t bits = 0;  // fused already
  friend bool operator==(const Used_Byte&, const Used_Byte&) = default;
};

struct Batch_Part {
  bool empty = false;             // no part in the socket
  std::vector<Used_Byte> used;    // bits fused before the part came
  std::vector<Fused_Bit> stuck;   // fuses that never blow
  friend bool operator==(const Batch_Part&, const Batch_Part&) = default;
};

// A comma-separated list, one entry a part: "blank", "empty",
// "used=ADDR:BYTE" or "stuck=ADDR:BIT" (ADDR and BYTE hex, BIT 0-7);
// "+" joins several of them into one part ("used=10:80+stuck=3:1").
// Nothing for a bad list or an address past the largest part.
[[nodiscard]] std::optional<std::vector<Batch_Part>> Parse_Batch(std::string_view text);

inline constexpr const char* Batch_Help =
    "a comma-separated list of blank, empty, used=ADDR:BYTE, stuck=ADDR:BIT (joined by + "
    "within one part)";

// The batch's part of the given type; null for an empty socket.
[[nodiscard]] std::unique_ptr<Sim_Part> Make_Batch_Part(const Batch_Part& entry,
                                                        const Device_Type* type);

}  // namespace tarnik::sim
