#include "devices/difference_summary.h"

#include <bit>

#include "devices/device_catalogue.h"
#include "window/hex_text.h"

namespace tarnik {

uint8_t Data_Mask_Of_Class(int tag) { return Is_Four_Bit_Class(tag) ? 0x0F : 0xFF; }

std::string All_Ones_Warning_For(uint8_t data_mask) {
  return "Every Location Reads " + Hex_Digits_At_Least(data_mask, 2) +
         ": Is the Socket Empty or the Part Turned Round?";
}

Byte_Mark Mark_For(uint8_t wanted, uint8_t found, uint8_t data_mask) {
  if (wanted == found) return Byte_Mark::None;
  const auto extra = static_cast<uint8_t>(found & ~wanted & data_mask);
  const auto beyond_pins = static_cast<uint8_t>((wanted ^ found) & ~data_mask);
  return extra == 0 && beyond_pins == 0 ? Byte_Mark::Mendable : Byte_Mark::Unmendable;
}

namespace {

constexpr const char* Beyond_Four_Bits_Text =
    "Only in Bits 4-7, Which This 4-Bit Part Does Not Have";

}  // namespace

std::string Summary_Line(const Difference_Counts& counts, bool with_cannot_take) {
  if (counts.locations > 0 && counts.beyond_data_bits_only == counts.locations)
    return std::to_string(counts.locations) + " Locations Differ " + Beyond_Four_Bits_Text;
  std::string line = std::to_string(counts.locations) + " Locations Differ: " +
                     std::to_string(counts.bits_missing) + " Bits Missing, " +
                     std::to_string(counts.bits_extra) + " Bits Extra";
  if (with_cannot_take)
    line += ", " + std::to_string(counts.cannot_take) + " Locations Cannot Take the Buffer";
  if (counts.beyond_data_bits_only > 0)
    line += "; " + std::to_string(counts.beyond_data_bits_only) + " of Them Differ " +
            Beyond_Four_Bits_Text;
  return line;
}

void Difference_Summary::Begin(uint8_t data_mask, int32_t locations) {
  *this = Difference_Summary{};
  data_mask_ = data_mask;
  expected_reads_ = locations;
}

void Difference_Summary::Location_Read(uint8_t found) {
  ++reads_;
  if ((found & data_mask_) == data_mask_) ++all_ones_reads_;
}

void Difference_Summary::Location_Differs(int32_t address, uint8_t wanted, uint8_t found) {
  const auto missing = static_cast<uint8_t>(wanted & ~found & data_mask_);
  const auto extra = static_cast<uint8_t>(found & ~wanted & data_mask_);
  ++counts_.locations;
  counts_.bits_missing += std::popcount(missing);
  counts_.bits_extra += std::popcount(extra);
  if (((wanted ^ found) & data_mask_) == 0) ++counts_.beyond_data_bits_only;
  if (extra != 0) ++counts_.cannot_take;
  marks_.push_back(Marked_Byte{address, Mark_For(wanted, found, data_mask_)});
}

bool Difference_Summary::Reads_All_Ones() const {
  return expected_reads_ > 0 && reads_ == expected_reads_ && all_ones_reads_ == reads_;
}

}  // namespace tarnik
