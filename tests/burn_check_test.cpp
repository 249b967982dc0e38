#include "devices/burn_check.h"

#include <gtest/gtest.h>

namespace tarnik::testing {
namespace {

TEST(Burn_Check, A_Location_Takes_A_Byte_Only_When_Every_Part_Bit_Is_Wanted) {
  struct Take_Case {
    uint8_t wanted;
    uint8_t found;
    int tag;
    bool takes;
  };
  const Take_Case cases[] = {
      {0x0F, 0x03, 1, true},   // bits still to fuse
      {0x0F, 0x10, 1, false},  // bit 4 fused, not wanted
      {0x00, 0x00, 2, true},
      {0x00, 0x80, 6, false},
      {0xFF, 0xFF, 5, true},
      {0xF3, 0x03, 3, true},  // a 4-bit part has no bits 4 to 7 to take
      {0xF3, 0x07, 4, false},
      {0x10, 0x00, 3, true},
      {0x5A, 0x7E, 0, false},  // no type chosen: all eight bits
  };
  for (const Take_Case& c : cases)
    EXPECT_EQ(Can_Take(c.wanted, c.found, c.tag), c.takes)
        << int(c.wanted) << " " << int(c.found) << " " << c.tag;
}

TEST(Burn_Check, Lines_Name_The_Location_The_Buffer_Byte_And_The_Part_Byte) {
  EXPECT_EQ(Unfit_Line({0x13, 0x5A, 0x7E}), "0013  CANNOT TAKE-5A PART HAS-7E");
  EXPECT_EQ(Unfit_Line({0x3FF, 0x00, 0x01}), "03FF  CANNOT TAKE-00 PART HAS-01");
  EXPECT_EQ(Unfit_Summary(3), "3 Locations Cannot Take the Buffer");
}

}  // namespace
}  // namespace tarnik::testing
