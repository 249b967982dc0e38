#pragma once
// Several reads of one part combined into one image: each bit takes the value
// most reads agreed on, a tie going to 1 (a fused bit that reads 0 once is
// weak, not absent), and each location whose reads disagreed is listed with
// the bits that changed.

#include <cstdint>
#include <string>
#include <vector>

#include "buffer/prom_image.h"

namespace tarnik {

struct Unstable_Location {
  int32_t address = 0;
  uint8_t bits = 0;  // the bits that did not read the same every time
  friend bool operator==(const Unstable_Location&, const Unstable_Location&) = default;
};

struct Combined_Reads {
  Prom_Image image{};
  std::vector<Unstable_Location> unstable;  // in address order
};

// Combines the reads over positions 0 to `device_end`; the positions beyond
// it keep the last read's bytes. No reads give an empty image.
[[nodiscard]] Combined_Reads Combine_Reads(const std::vector<Prom_Image>& reads,
                                           int32_t device_end);

// "0013  UNSTABLE-04"
[[nodiscard]] std::string Unstable_Line(const Unstable_Location& location);
// "2 Locations Unstable in 5 Reads"
[[nodiscard]] std::string Unstable_Summary(std::size_t locations, std::size_t reads);

}  // namespace tarnik
