#include "devices/difference_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnik::testing {
namespace {

TEST(Difference_Summary, Marks_Tell_Mendable_From_Unmendable_Bytes) {
  struct Mark_Case {
    uint8_t wanted;
    uint8_t found;
    uint8_t mask;
    Byte_Mark mark;
  };
  const Mark_Case cases[] = {
      {0x0F, 0x03, 0xFF, Byte_Mark::Mendable},    // two bits still to fuse
      {0x0F, 0x10, 0xFF, Byte_Mark::Unmendable},  // bit 4 fused, not wanted
      {0x0F, 0x1F, 0xFF, Byte_Mark::Unmendable},  // extra even with nothing missing
      {0x3C, 0x3C, 0xFF, Byte_Mark::None},
      {0x05, 0x01, 0x0F, Byte_Mark::Mendable},    // 4-bit part, bit 2 missing
      {0x35, 0x05, 0x0F, Byte_Mark::Unmendable},  // differs only where no pulse reaches
      {0x00, 0xFF, 0xFF, Byte_Mark::Unmendable},
  };
  for (const Mark_Case& c : cases)
    EXPECT_EQ(Mark_For(c.wanted, c.found, c.mask), c.mark)
        << int(c.wanted) << " " << int(c.found) << " " << int(c.mask);
}

TEST(Difference_Summary, Counts_Bits_Within_The_Data_Bits_Only) {
  struct Count_Case {
    uint8_t mask;
    std::vector<std::pair<uint8_t, uint8_t>> wanted_found;
    Difference_Counts counts;
  };
  const Count_Case cases[] = {
      {0xFF, {{0xFF, 0x00}}, {1, 8, 0, 0}},
      {0xFF, {{0x00, 0xFF}, {0x0F, 0xF0}}, {2, 4, 12, 2}},
      {0xFF, {{0x81, 0x80}, {0x0C, 0x0D}}, {2, 1, 1, 1}},
      // A 4-bit part: the upper four bits are not its data bits.
      {0x0F, {{0xF5, 0x04}, {0x30, 0x01}}, {2, 1, 1, 1, 0}},
      {0x0F, {{0x05, 0xF4}}, {1, 1, 0, 0, 0}},
      // Differences only where a 4-bit part has no pins count apart.
      {0x0F, {{0x35, 0x05}, {0xF0, 0x00}, {0x15, 0x04}}, {3, 1, 0, 0, 2}},
      {0xFF, {{0x35, 0x05}}, {1, 2, 0, 0, 0}},  // an 8-bit part has those bits
  };
  for (const Count_Case& c : cases) {
    Difference_Summary summary;
    summary.Begin(c.mask, 16);
    int32_t address = 0;
    for (const auto& [wanted, found] : c.wanted_found) summary.Location_Differs(address++, wanted, found);
    EXPECT_EQ(summary.Counts(), c.counts) << int(c.mask) << " " << c.wanted_found.size();
  }
}

TEST(Difference_Summary, Marks_Each_Differing_Location_And_Starts_Afresh) {
  Difference_Summary summary;
  summary.Begin(0xFF, 32);
  summary.Location_Differs(3, 0x01, 0x00);  // only missing: it can take the buffer
  summary.Location_Differs(9, 0x00, 0x02);
  summary.Location_Differs(12, 0x00, 0x04);
  EXPECT_EQ(summary.Marks(), (std::vector<Marked_Byte>{{3, Byte_Mark::Mendable},
                                                      {9, Byte_Mark::Unmendable},
                                                      {12, Byte_Mark::Unmendable}}));
  summary.Begin(0xFF, 32);
  EXPECT_TRUE(summary.Marks().empty());
  EXPECT_EQ(summary.Counts(), Difference_Counts{});
}

TEST(Difference_Summary, All_Ones_Only_When_Every_Location_Was_Read_So) {
  struct Ones_Case {
    uint8_t mask;
    int32_t locations;
    std::vector<uint8_t> reads;
    bool all_ones;
  };
  const Ones_Case cases[] = {
      {0xFF, 3, {0xFF, 0xFF, 0xFF}, true},
      {0xFF, 3, {0xFF, 0xFE, 0xFF}, false},
      {0xFF, 3, {0xFF, 0xFF}, false},  // a read that ended early
      {0x0F, 2, {0x0F, 0x0F}, true},   // a 4-bit part reads 0F
      {0x0F, 2, {0x0F, 0x07}, false},
      {0xFF, 0, {}, false},
  };
  for (const Ones_Case& c : cases) {
    Difference_Summary summary;
    summary.Begin(c.mask, c.locations);
    for (uint8_t read : c.reads) summary.Location_Read(read);
    EXPECT_EQ(summary.Reads_All_Ones(), c.all_ones) << c.reads.size();
  }
}

TEST(Difference_Summary, Summary_Line_Texts) {
  EXPECT_EQ(Summary_Line({37, 120, 3, 2}, false),
            "37 Locations Differ: 120 Bits Missing, 3 Bits Extra");
  EXPECT_EQ(Summary_Line({37, 120, 3, 2}, true),
            "37 Locations Differ: 120 Bits Missing, 3 Bits Extra, 2 Locations Cannot Take the "
            "Buffer");
  // A 4-bit part against an image whose upper bits are set.
  EXPECT_EQ(Summary_Line({234, 0, 0, 0, 234}, false),
            "234 Locations Differ Only in Bits 4-7, Which This 4-Bit Part Does Not Have");
  EXPECT_EQ(Summary_Line({240, 5, 2, 1, 234}, false),
            "240 Locations Differ: 5 Bits Missing, 2 Bits Extra; 234 of Them Differ Only in "
            "Bits 4-7, Which This 4-Bit Part Does Not Have");
  EXPECT_EQ(Summary_Line({0, 0, 0, 0, 0}, false), "0 Locations Differ: 0 Bits Missing, 0 Bits Extra");
  EXPECT_EQ(Data_Mask_Of_Class(3), 0x0F);
  EXPECT_EQ(Data_Mask_Of_Class(4), 0x0F);
  EXPECT_EQ(Data_Mask_Of_Class(1), 0xFF);
  EXPECT_EQ(Data_Mask_Of_Class(0), 0xFF);
}

}  // namespace
}  // namespace tarnik::testing
