#include "devices/repeated_reads.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnik::testing {
namespace {

Prom_Image Read_With(std::vector<std::pair<std::size_t, uint8_t>> bytes) {
  Prom_Image image{};
  for (const auto& [position, value] : bytes) image[position] = value;
  return image;
}

TEST(Repeated_Reads, Each_Bit_Takes_The_Majority_And_A_Tie_Goes_To_One) {
  struct Combine_Case {
    std::vector<uint8_t> reads;  // of location 5
    uint8_t kept;
    uint8_t unstable;
  };
  const Combine_Case cases[] = {
      {{0x04, 0x04, 0x04}, 0x04, 0x00},
      {{0x04, 0x00, 0x04}, 0x04, 0x04},  // 2 of 3 read 1
      {{0x00, 0x04, 0x00}, 0x00, 0x04},  // 1 of 3 read 1
      {{0x00, 0x04}, 0x04, 0x04},        // a tie: a weak fuse, not an absent one
      {{0x81, 0x01, 0x80, 0x00}, 0x81, 0x81},
      {{0xF0}, 0xF0, 0x00},              // one read agrees with itself
  };
  for (const Combine_Case& c : cases) {
    std::vector<Prom_Image> reads;
    for (uint8_t value : c.reads) reads.push_back(Read_With({{5, value}, {0, 0x5A}}));
    const Combined_Reads combined = Combine_Reads(reads, 0x1F);
    EXPECT_EQ(combined.image[5], c.kept) << c.reads.size();
    EXPECT_EQ(combined.image[0], 0x5A);
    const std::vector<Unstable_Location> unstable =
        c.unstable == 0 ? std::vector<Unstable_Location>{}
                        : std::vector<Unstable_Location>{{5, c.unstable}};
    EXPECT_EQ(combined.unstable, unstable) << c.reads.size();
  }
}

TEST(Repeated_Reads, Positions_Beyond_The_Device_End_Keep_The_Last_Read) {
  const std::vector<Prom_Image> reads = {Read_With({{0x20, 0x11}, {0x1F, 0x01}}),
                                         Read_With({{0x20, 0x22}, {0x1F, 0x00}})};
  const Combined_Reads combined = Combine_Reads(reads, 0x1F);
  EXPECT_EQ(combined.image[0x20], 0x22);
  EXPECT_EQ(combined.image[0x1F], 0x01);
  EXPECT_EQ(combined.unstable, (std::vector<Unstable_Location>{{0x1F, 0x01}}));
  EXPECT_TRUE(Combine_Reads({}, 0x1F).unstable.empty());
}

TEST(Repeated_Reads, Line_Texts) {
  EXPECT_EQ(Unstable_Line({0x13, 0x04}), "0013  UNSTABLE-04");
  EXPECT_EQ(Unstable_Line({0x3FF, 0xA0}), "03FF  UNSTABLE-A0");
  EXPECT_EQ(Unstable_Summary(2, 5), "2 Locations Unstable in 5 Reads");
}

}  // namespace
}  // namespace tarnik::testing
