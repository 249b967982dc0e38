#include "sim/sim_flaky.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_faults.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"

namespace tarnik::sim {
namespace {

constexpr uint8_t Address_Register = 0x2F;

TEST(Sim_Flaky, The_Fault_List_Takes_Several_Weak_Bits) {
  const std::optional<Sim_Faults> faults = Parse_Faults("flaky=13:2,pieces,flaky=3FF:7,flaky=0:0");
  ASSERT_TRUE(faults);
  EXPECT_EQ(faults->flaky, (std::vector<Flaky_Bit>{{0x13, 2}, {0x3FF, 7}, {0, 0}}));
  EXPECT_TRUE(faults->reply_in_pieces);
  for (const char* bad : {"flaky=", "flaky=13", "flaky=13:8", "flaky=400:1", "flaky=-1:0",
                          "flaky=xy:1", "flaky=13:-1", "flaky=13:2:1", "flaky=:2"})
    EXPECT_FALSE(Parse_Faults(bad)) << bad;
}

// Reads of `address` on a part whose location holds `fuse`.
std::vector<uint8_t> Reads(Sim_Part& part, int address, int count) {
  part.Register_Written(Address_Register, static_cast<uint8_t>(address));
  std::vector<uint8_t> reads;
  for (int i = 0; i < count; ++i) reads.push_back(part.Data_Pins());
  return reads;
}

TEST(Sim_Flaky, A_Weak_Bit_Reads_At_Random_And_The_Seed_Repeats_It) {
  const auto reads_with_seed = [](uint32_t seed) {
    Sim_Part part(Find_Device_Type("82S129"));  // a 4-bit part: upper pins float high
    part.Set_Flaky(Flaky_Bits({{0x13, 2}, {0x13, 7}}, seed));
    return std::pair{Reads(part, 0x13, 64), Reads(part, 0x14, 16)};
  };
  const auto [weak, steady] = reads_with_seed(7);
  std::vector<bool> seen(256, false);
  for (uint8_t read : weak) {
    EXPECT_EQ(read & 0x7B, 0x70) << int(read);  // the other bits as the part drives them
    seen[read] = true;
  }
  // Both weak bits take both values.
  EXPECT_TRUE(seen[0x70] || seen[0xF0]);
  EXPECT_TRUE(seen[0x74] || seen[0xF4]);
  EXPECT_TRUE(seen[0x70] || seen[0x74]);
  EXPECT_TRUE(seen[0xF0] || seen[0xF4]);
  for (uint8_t read : steady) EXPECT_EQ(read, 0xF0);
  EXPECT_EQ(reads_with_seed(7).first, weak);
  EXPECT_NE(reads_with_seed(8).first, weak);
}

TEST(Sim_Flaky, Seating_A_Part_Takes_The_Programmers_Weak_Bits) {
  Sim_Faults faults;
  faults.flaky = {{5, 0}};
  faults.seed = 3;
  testing::Test_Host host;
  Sim_Programmer programmer(host.clock, faults);
  Sim_Part part(Find_Device_Type("82S123"));
  Seat_Part(programmer, part);
  std::vector<bool> seen(2, false);
  for (uint8_t read : Reads(part, 5, 32)) {
    ASSERT_LE(read, 1);
    seen[read] = true;
  }
  EXPECT_TRUE(seen[0] && seen[1]);
}

}  // namespace
}  // namespace tarnik::sim
