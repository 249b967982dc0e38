#include "devices/repeated_reads.h"

#include "window/hex_text.h"

namespace tarnik {

namespace {

// The byte most reads agreed on, bit by bit, ties to 1.
uint8_t Majority(const std::vector<Prom_Image>& reads, std::size_t position) {
  uint8_t byte = 0;
  for (int bit = 0; bit < 8; ++bit) {
    std::size_t ones = 0;
    for (const Prom_Image& read : reads) ones += (read[position] >> bit) & 1u;
    if (2 * ones >= reads.size()) byte = static_cast<uint8_t>(byte | (1u << bit));
  }
  return byte;
}

// The bits in which any read differs from the first.
uint8_t Changing_Bits(const std::vector<Prom_Image>& reads, std::size_t position) {
  uint8_t bits = 0;
  for (const Prom_Image& read : reads)
    bits = static_cast<uint8_t>(bits | (read[position] ^ reads.front()[position]));
  return bits;
}

}  // namespace

Combined_Reads Combine_Reads(const std::vector<Prom_Image>& reads, int32_t device_end) {
  Combined_Reads combined;
  if (reads.empty()) return combined;
  combined.image = reads.back();
  const int32_t last = Loop_End(device_end);
  for (int32_t address = 0; address <= last; ++address) {
    const auto position = static_cast<std::size_t>(address);
    combined.image[position] = Majority(reads, position);
    if (const uint8_t bits = Changing_Bits(reads, position); bits != 0)
      combined.unstable.push_back(Unstable_Location{address, bits});
  }
  return combined;
}

std::string Unstable_Line(const Unstable_Location& location) {
  return Hex_Digits_At_Least(static_cast<uint32_t>(location.address), 4) + "  UNSTABLE-" +
         Hex_Digits(location.bits, 2);
}

std::string Unstable_Summary(std::size_t locations, std::size_t reads) {
  return std::to_string(locations) + " Locations Unstable in " + std::to_string(reads) + " Reads";
}

}  // namespace tarnik
