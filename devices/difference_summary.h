#pragma once
// What one pass of a check found, bit by bit: how many locations differ, how
// many bits are missing (0 on the part, 1 in the buffer: programming can
// still add them) and how many are extra (1 on the part, 0 in the buffer:
// nothing can remove them), which bytes the hex view should mark, and
// whether every location read all ones, as an empty socket or a part turned
// round reads.

#include <cstdint>
#include <string>
#include <vector>

#include "buffer/buffer_marks.h"

namespace tarnik {

struct Difference_Counts {
  int locations = 0;     // locations that differ
  int bits_missing = 0;  // 0 on the part, 1 in the buffer
  int bits_extra = 0;    // 1 on the part, 0 in the buffer
  int cannot_take = 0;   // locations with an extra bit: no programming mends them
  int beyond_data_bits_only = 0;  // locations that differ only in bits the part does not have
  friend bool operator==(const Difference_Counts&, const Difference_Counts&) = default;
};

// The data bits a type drives: bits 0 to 3 for the 4-bit classes, all eight
// otherwise (no type chosen included).
[[nodiscard]] uint8_t Data_Mask_Of_Class(int tag);

// How a differing byte is marked: mendable when the part lacks only bits the
// buffer wants within the data bits; unmendable when it holds an extra bit or
// the two differ outside the data bits, which no pulse reaches.
[[nodiscard]] Byte_Mark Mark_For(uint8_t wanted, uint8_t found, uint8_t data_mask);

// "37 Locations Differ: 120 Bits Missing, 3 Bits Extra", and for a program
// compare ", 2 Locations Cannot Take the Buffer" after it. Locations of a
// 4-bit part that differ only in bits 4 to 7 are named as such: the image,
// not the part, is what differs there.
[[nodiscard]] std::string Summary_Line(const Difference_Counts& counts, bool with_cannot_take);

inline constexpr const char* All_Ones_Warning =
    "Every Location Reads FF: Is the Socket Empty or the Part Turned Round?";
// The warning with the value a part of these data bits reads at every
// location when it is all ones: FF, or 0F for a 4-bit part.
[[nodiscard]] std::string All_Ones_Warning_For(uint8_t data_mask);

class Difference_Summary {
 public:
  // A new pass over `locations` locations of a part with these data bits.
  void Begin(uint8_t data_mask, int32_t locations);
  // Every location read, whether it differs or not.
  void Location_Read(uint8_t found);
  // A location whose byte on the part is not the one wanted.
  void Location_Differs(int32_t address, uint8_t wanted, uint8_t found);

  [[nodiscard]] const Difference_Counts& Counts() const { return counts_; }
  [[nodiscard]] const std::vector<Marked_Byte>& Marks() const { return marks_; }
  // Every location of the part was read and each read all ones in its data
  // bits.
  [[nodiscard]] bool Reads_All_Ones() const;
  // The all-ones warning naming what this pass read.
  [[nodiscard]] std::string All_Ones_Text() const { return All_Ones_Warning_For(data_mask_); }

 private:
  uint8_t data_mask_ = 0xFF;
  int32_t expected_reads_ = 0;
  int32_t reads_ = 0;
  int32_t all_ones_reads_ = 0;
  Difference_Counts counts_;
  std::vector<Marked_Byte> marks_;
};

}  // namespace tarnik
