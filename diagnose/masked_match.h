#pragma once
// Known images a dump matches once a fault found in it is set aside: with a
// stuck data bit left out of the comparison, or with an address line that
// has no effect taken as held low or high (only the half of the image the
// held line reaches is compared).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "diagnose/diagnosis.h"

namespace tarnik::diagnose {

struct Known_Image {
  std::string name;                   // "col.6f in board"
  const std::vector<uint8_t>* data;   // the image, at least as long as the dump
};

struct Masked_Match {
  std::string text;       // "Known Image if Bit 3 Is Ignored: col.6f in board — ..."
  std::size_t known = 0;  // which of the known images matched
};

// For each stuck bit and each address line without effect among `findings`,
// the known images the dump then matches, at most `most` lines in all.
[[nodiscard]] std::vector<Masked_Match> Masked_Matches(const Part_Dump& dump,
                                                       const std::vector<Finding>& findings,
                                                       std::span<const Known_Image> known,
                                                       std::size_t most = 8);

}  // namespace tarnik::diagnose
