#include "devices/device_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "devices/device_units.h"
#include "devices/link_fault_watch.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

const std::string Failed_Wait_Line = "Device no longer present ... PortStatus-0 USB-5";

std::string Reg(uint8_t id, uint8_t value) {
  const uint8_t packet[8] = {0x94, id, value, 0, 0, 0, 0,
                             static_cast<uint8_t>((0x94 + id + value) & 0xFF)};
  return Hex_Bytes(packet, 8);
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// The window's device units over the simulated programmer, with a part of
// the chosen type in its socket.
struct Device_Bench {
  explicit Device_Bench(std::string_view type_name, std::string_view part_name = {}) {
    std::string error;
    part = sim::Make_Sim_Part(part_name.empty() ? type_name : part_name, error);
    EXPECT_NE(part, nullptr) << error;
    sim::Seat_Part(app.simulator, *part);
    app.Start();
    if (const Device_Type* type = Find_Device_Type(type_name)) {
      window.Set_Item_Index("Device_Box", type->row);
      units.selection.Device_BoxClick();
    }
    app.Take_Wire();
    app.host.boxes.clear();
  }

  [[nodiscard]] int32_t End() const { return units.selection.Device_End; }
  [[nodiscard]] int Data_Bits() const { return Data_Bits_Of_Class(units.selection.Device_Tag()); }
  [[nodiscard]] uint8_t Data_Mask() const { return Data_Bits() == 4 ? 0x0F : 0xFF; }

  // Bytes for every location, masked to the part's data bits.
  void Fill_Random(unsigned seed) {
    std::mt19937 random(seed);
    for (int32_t a = 0; a <= End(); ++a)
      buffer[static_cast<std::size_t>(a)] = static_cast<uint8_t>(random() & Data_Mask());
  }

  [[nodiscard]] std::vector<sim::Fused_Bit> One_Bits() const {
    std::vector<sim::Fused_Bit> bits;
    for (int32_t a = 0; a <= End(); ++a)
      for (int bit = 0; bit < Data_Bits(); ++bit)
        if ((buffer[static_cast<std::size_t>(a)] >> bit) & 1) bits.push_back({a, bit});
    return bits;
  }

  [[nodiscard]] const Control& Get(std::string_view name) const { return window.Get(name); }
  [[nodiscard]] const std::string& Status() const { return Get("StaticText3").caption; }
  [[nodiscard]] const std::vector<std::string>& Memo() const { return Get("Memo1").lines; }

  // The packets since the last call whose first byte is `command`.
  std::vector<std::string> Take_Commands(uint8_t command) {
    std::vector<std::string> matching;
    for (const std::string& packet : app.Take_Wire())
      if (packet.substr(0, 2) == Hex(command, 2)) matching.push_back(packet);
    return matching;
  }

  Sim_App app;
  Window_Model& window = app.form.window;
  Prom_Image buffer{};
  int checksum_runs = 0;
  Device_Units units{window, app.host, app.form.pump, app.form.states, app.form.link,
                     buffer, [this] { ++checksum_runs; }};
  Device_Operations& operations = units.operations;
  std::unique_ptr<sim::Sim_Part> part;
};

// One type of every class.
class Every_Class : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Device_Operations, Every_Class,
                         ::testing::Values("82S123", "74S188", "82S129", "74S571", "74S472",
                                           "82S147"));

TEST_P(Every_Class, Programming_A_Blank_Part_Fuses_Exactly_The_One_Bits_And_Verifies) {
  Device_Bench bench(GetParam());
  bench.Fill_Random(17);
  bench.operations.Program_EpromClick();
  EXPECT_EQ(bench.part->Fuse_Record(), bench.One_Bits());
  EXPECT_EQ(bench.part->Fusing_Pulses(), bench.One_Bits().size());
  EXPECT_EQ(bench.Status(), "Device is Programmed....");
  EXPECT_FALSE(bench.Get("Memo1").visible);
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Lime);
  EXPECT_EQ(bench.app.form.link.Stop_Count, 0);
  EXPECT_EQ(bench.app.form.link.Dev_Addr, 0);

  bench.operations.Verify_EpromClick();
  EXPECT_EQ(bench.Status(), "Device Verified to Buffer....");
  EXPECT_TRUE(bench.Memo().empty());
  EXPECT_FALSE(bench.Get("Memo1").visible);
}

TEST_P(Every_Class, Program_Compare_Passes_A_Superset_And_Stops_At_The_First_Lost_Bit) {
  Device_Bench bench(GetParam());
  bench.Fill_Random(23);
  bench.operations.Program_EpromClick();
  const Prom_Image programmed = bench.buffer;

  std::mt19937 random(5);
  for (int32_t a = 0; a <= bench.End(); ++a)
    bench.buffer[static_cast<std::size_t>(a)] |=
        static_cast<uint8_t>(random() & random() & bench.Data_Mask());
  bench.app.Take_Wire();
  bench.operations.CompareClick();
  EXPECT_EQ(bench.Status(), "Device Can be Reprogrammed....");
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Lime);
  EXPECT_EQ(bench.Take_Commands(Cmd_Read).size(), static_cast<std::size_t>(bench.End() + 1));
  bench.operations.Program_EpromClick();
  EXPECT_EQ(bench.Status(), "Device is Programmed....");

  // Take a fused bit away from the buffer at a location past the middle.
  int32_t lost = bench.End() / 2;
  while (programmed[static_cast<std::size_t>(lost)] == 0) ++lost;
  const uint8_t held = programmed[static_cast<std::size_t>(lost)];
  const auto bit = static_cast<uint8_t>(held & -held);  // its lowest 1 bit
  bench.buffer[static_cast<std::size_t>(lost)] &= static_cast<uint8_t>(~bit);
  bench.app.Take_Wire();
  bench.operations.CompareClick();
  EXPECT_EQ(bench.Status(), "Device CAN NOT be Reprogrammed....");
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Red);
  EXPECT_EQ(bench.Get("Address").caption, Hex(static_cast<unsigned>(lost), 4));
  EXPECT_EQ(bench.Take_Commands(Cmd_Read).size(), static_cast<std::size_t>(lost + 1));
  // No per-address lines; only the summary of what the compare read.
  EXPECT_EQ(bench.Memo(),
            std::vector<std::string>{
                "1 Locations Differ: 0 Bits Missing, 1 Bits Extra, 1 Locations Cannot Take the "
                "Buffer"});
}

TEST_P(Every_Class, Blank_Check_Of_A_Programmed_Part_Lists_Every_Set_Location) {
  Device_Bench bench(GetParam());
  bench.Fill_Random(31);
  bench.operations.Program_EpromClick();
  std::vector<std::string> expected;
  std::size_t one_bits = 0;
  for (int32_t a = 0; a <= bench.End(); ++a)
    if (const uint8_t b = bench.buffer[static_cast<std::size_t>(a)]; b != 0) {
      expected.push_back(Hex(static_cast<unsigned>(a), 4) + "  EXPECTED-00 FOUND-" + Hex(b, 2));
      one_bits += std::bitset<8>(b).count();
    }
  ASSERT_FALSE(expected.empty());
  // Every 1 bit on a part that should be blank is one too many.
  expected.push_back(std::to_string(expected.size()) + " Locations Differ: 0 Bits Missing, " +
                     std::to_string(one_bits) + " Bits Extra");
  bench.operations.Blank_ChkClick();
  EXPECT_EQ(bench.Memo(), expected);
  EXPECT_TRUE(bench.Get("Memo1").visible);
  EXPECT_EQ(bench.Status(), "Device is NOT Erased....");
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Red);
}

TEST_P(Every_Class, Move_Reads_The_Part_Back_And_Leaves_The_Rest_Of_The_Buffer) {
  Device_Bench bench(GetParam());
  bench.Fill_Random(41);
  bench.operations.Program_EpromClick();
  const Prom_Image programmed = bench.buffer;
  bench.buffer.fill(0xAA);
  bench.operations.Move_EpromClick();
  for (std::size_t a = 0; a < Prom_Size; ++a) {
    const bool in_part = static_cast<int32_t>(a) <= bench.End();
    EXPECT_EQ(bench.buffer[a], in_part ? programmed[a] : 0xAA) << a;
  }
  EXPECT_EQ(bench.Status(), "Device Has Been Moved to Buffer....");
  EXPECT_EQ(bench.checksum_runs, 1);
  EXPECT_FALSE(bench.Get("Memo1").visible);
  EXPECT_EQ(bench.Get("Address").caption, Hex(static_cast<unsigned>(bench.End()), 4));
}

TEST(Device_Operations, A_Blank_Part_Is_Erased_And_Four_Bit_Upper_Pins_Do_Not_Count) {
  for (const char* type : {"82S23", "82S131", "74S387", "82S181"}) {
    Device_Bench bench(type);
    bench.operations.Blank_ChkClick();
    EXPECT_EQ(bench.Status(), "Device is Erased....") << type;
    EXPECT_TRUE(bench.Memo().empty());
    EXPECT_FALSE(bench.Get("Memo1").visible);
    EXPECT_EQ(bench.Get("StaticText3").colour, colours::Lime);
  }
}

TEST(Device_Operations, Blank_Check_Reports_One_Set_Location) {
  Device_Bench bench("82S23");
  bench.buffer[5] = 0x80;
  bench.operations.Program_EpromClick();
  bench.operations.Blank_ChkClick();
  EXPECT_EQ(bench.Memo(), (std::vector<std::string>{"0005  EXPECTED-00 FOUND-80",
                                                    "1 Locations Differ: 0 Bits Missing, 1 Bits Extra"}));
  EXPECT_EQ(bench.Status(), "Device is NOT Erased....");
}

// The warning names what the part read: all eight data bits, or the four a
// 4-bit part has.
TEST(Device_Operations, An_Empty_Socket_Reads_All_Ones_Everywhere) {
  struct Case {
    const char* type;
    std::size_t locations;
    const char* found;
    const char* summary;
    const char* warning;
  };
  const Case cases[] = {
      {"74S188", 32, "FF", "32 Locations Differ: 0 Bits Missing, 256 Bits Extra",
       "Every Location Reads FF: Is the Socket Empty or the Part Turned Round?"},
      {"82S129", 256, "0F", "256 Locations Differ: 0 Bits Missing, 1024 Bits Extra",
       "Every Location Reads 0F: Is the Socket Empty or the Part Turned Round?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    Device_Bench bench(c.type, "none");
    bench.operations.Blank_ChkClick();
    ASSERT_EQ(bench.Memo().size(), c.locations + 2);
    EXPECT_EQ(bench.Memo().front(), std::string("0000  EXPECTED-00 FOUND-") + c.found);
    EXPECT_EQ(bench.Memo()[c.locations], c.summary);
    EXPECT_EQ(bench.Memo()[c.locations + 1], c.warning);
  }
}

TEST(Device_Operations, Verify_Lists_Each_Mismatch_In_Address_Order) {
  Device_Bench bench("74S472");
  bench.Fill_Random(3);
  bench.operations.Program_EpromClick();
  const uint8_t at_7 = bench.buffer[7];
  const uint8_t at_100 = bench.buffer[0x100];
  const uint8_t at_1ff = bench.buffer[0x1FF];
  bench.buffer[0x1FF] ^= 0x01;
  bench.buffer[7] ^= 0x80;
  bench.buffer[0x100] ^= 0xFF;
  bench.operations.Verify_EpromClick();
  EXPECT_EQ(bench.Memo(),
            (std::vector<std::string>{
                "0007  EXPECTED-" + Hex(bench.buffer[7], 2) + " FOUND-" + Hex(at_7, 2),
                "0100  EXPECTED-" + Hex(bench.buffer[0x100], 2) + " FOUND-" + Hex(at_100, 2),
                "01FF  EXPECTED-" + Hex(bench.buffer[0x1FF], 2) + " FOUND-" + Hex(at_1ff, 2),
                // The seeded bytes are 95/15, C3/3C and E7/E6: 1 + 4 + 1 bits
                // missing and 4 extra.
                "3 Locations Differ: 6 Bits Missing, 4 Bits Extra"}));
  EXPECT_EQ(bench.Status(), "Device Did NOT Verify to Buffer....");
  EXPECT_TRUE(bench.Get("Memo1").visible);
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Red);
}

TEST(Device_Operations, Programming_A_Four_Bit_Part_Ignores_The_Upper_Bits_And_Fails_Verify) {
  Device_Bench bench("82S129");
  bench.buffer[0x10] = 0x35;
  bench.buffer[0x11] = 0x0C;
  bench.buffer[0xFF] = 0xF0;
  bench.operations.Program_EpromClick();
  EXPECT_EQ(bench.part->Fuse_Record(),
            (std::vector<sim::Fused_Bit>{{0x10, 0}, {0x10, 2}, {0x11, 2}, {0x11, 3}}));
  // Only bits 0 to 3 count: both locations differ in bits no pulse reaches.
  EXPECT_EQ(bench.Memo(), (std::vector<std::string>{"0010  EXPECTED-35 FOUND-05",
                                                    "00FF  EXPECTED-F0 FOUND-00",
                                                    "2 Locations Differ Only in Bits 4-7, Which "
                                                    "This 4-Bit Part Does Not Have"}));
  EXPECT_EQ(bench.Status(), "Device Did NOT Program....");
  EXPECT_TRUE(bench.Get("Memo1").visible);
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Red);
}

TEST(Device_Operations, Program_Compare_Cases) {
  struct Compare_Case {
    const char* type;
    uint8_t part_byte;
    uint8_t buffer_byte;
    bool passes;
  };
  const Compare_Case cases[] = {
      {"82S123", 0x03, 0x0F, true},  {"82S123", 0x10, 0x0F, false},
      {"82S123", 0x00, 0x00, true},  {"82S123", 0xFF, 0xFF, true},
      {"82S129", 0x03, 0xF3, true},  {"82S129", 0x0C, 0xF3, false},
      {"74S287", 0x0F, 0xFF, true},  {"74S287", 0x0F, 0xF7, false},
  };
  for (const int window : {1, 16}) {
    for (const Compare_Case& c : cases) {
      Device_Bench bench(c.type);
      bench.app.form.link.Read_Window = window;
      bench.buffer[7] = c.part_byte;
      bench.operations.Program_EpromClick();
      bench.buffer[7] = c.buffer_byte;
      bench.app.Take_Wire();
      bench.operations.CompareClick();
      const std::size_t reads = bench.Take_Commands(Cmd_Read).size();
      if (c.passes) {
        EXPECT_EQ(bench.Status(), "Device Can be Reprogrammed....") << c.type;
        EXPECT_EQ(reads, static_cast<std::size_t>(bench.End() + 1));
      } else {
        EXPECT_EQ(bench.Status(), "Device CAN NOT be Reprogrammed....") << c.type;
        EXPECT_EQ(bench.Get("Address").caption, "0007");
        // A window reads the rest of itself past the failing location.
        EXPECT_EQ(reads, window == 1 ? 8u : 16u);
      }
    }
  }
}

TEST(Device_Operations, Each_One_Bit_Gets_One_Pulse_In_Bit_Order) {
  struct Pulse_Case {
    const char* type;
    uint8_t byte;
    std::vector<int> bits;
  };
  const Pulse_Case cases[] = {
      {"82S123", 0x00, {}},
      {"82S123", 0xFF, {0, 1, 2, 3, 4, 5, 6, 7}},
      {"74S473", 0xA0, {5, 7}},
      {"82S131", 0xFF, {0, 1, 2, 3}},
      {"74S570A", 0x96, {1, 2}},
  };
  for (const Pulse_Case& c : cases) {
    Device_Bench bench(c.type);
    bench.buffer[3] = c.byte;
    bench.operations.Program_EpromClick();
    std::vector<std::string> expected_selects;
    std::vector<sim::Fused_Bit> expected_fuses;
    for (int bit : c.bits) {
      expected_selects.push_back(Reg(Reg_Bit_Select, static_cast<uint8_t>(bit)));
      expected_fuses.push_back({3, bit});
    }
    std::vector<std::string> selects;
    for (const std::string& packet : bench.app.Take_Wire())
      if (packet.substr(0, 5) == "94 4F") selects.push_back(packet);
    EXPECT_EQ(selects, expected_selects) << c.type;
    EXPECT_EQ(bench.part->Fuse_Record(), expected_fuses) << c.type;
    EXPECT_EQ(bench.part->Pulses(), c.bits.size()) << c.type;
  }
}

TEST(Device_Operations, Programming_Sends_The_Set_Up_And_Each_Location_Byte_For_Byte) {
  Device_Bench bench("74S188");  // tag 2: addressing supply 0x22, National pulses
  bench.buffer[0] = 0x05;
  bench.operations.Program_EpromClick();
  const auto wire = bench.app.Take_Wire();
  const std::vector<std::string> pulse_tail = {
      Reg(0x3F, 0x61), Reg(0x3F, 0xE1), Reg(0x3F, 0x61), Reg(0x3F, 0xE5),
      Reg(0x0F, 0x36), Reg(0x0F, 0x22), Reg(0x5F, 0x1A)};
  std::vector<std::string> expected = Idle_Sequence;
  for (const std::string& p : {Reg(0x0F, 0x22), Reg(0x3F, 0xE5), Reg(0x5F, 0x1A),
                               Reg(0x3F, 0xE5), Reg(0x2F, 0x00), Reg(0x0F, 0x22),
                               Reg(0x3F, 0xE5), Reg(0x3F, 0x65)})
    expected.push_back(p);
  for (uint8_t bit : {uint8_t{0}, uint8_t{2}}) {
    for (const std::string& p : {Reg(0x5F, 0x12), Reg(0x0F, 0x36), Reg(0x4F, bit)})
      expected.push_back(p);
    expected.insert(expected.end(), pulse_tail.begin(), pulse_tail.end());
  }
  // Location 1 holds 0: addressed, no pulse.
  for (const std::string& p : {Reg(0x3F, 0xE5), Reg(0x2F, 0x01), Reg(0x0F, 0x22),
                               Reg(0x3F, 0xE5), Reg(0x3F, 0x65)})
    expected.push_back(p);
  ASSERT_GE(wire.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(
                                                                       expected.size())),
            expected);
  // 32 locations of 5 writes, 20 pulse writes, the idle sequence, then the
  // verify: idle, read set-up, 32 reads of 4 packets and idle.
  EXPECT_EQ(wire.size(), 5 + 3 + 32 * 5 + 20 + 5 + 5 + 3 + 32 * 4 + 5u);
}

// 74S188, location 0 holding 0x01: the click's idle write, the set-up
// write, then the location with its pulse up to the opening (write 3), then
// the pulse's closing writes and the rest (write 4).
struct Cut_Pulse_Case {
  const char* name;
  int write;  // of the click, from 1
  int keeps;  // bytes of it the chip takes
  std::size_t whole;  // packets the firmware takes before the cut
  std::vector<std::string> after_cut;  // what the firmware gets from the cut on
};

TEST(Device_Operations, A_Write_Cut_Around_A_Pulse_Closes_It_At_Once_And_Programs_No_More) {
  const std::vector<std::string> closing = {Reg(0x3F, 0x61), Reg(0x3F, 0xE5), Reg(0x0F, 0x36),
                                            Reg(0x0F, 0x22)};
  std::vector<std::string> closing_then_idle = closing;
  closing_then_idle.insert(closing_then_idle.end(), Idle_Sequence.begin(), Idle_Sequence.end());
  std::vector<std::string> step_7_closing_idle = {Reg(0x3F, 0x61)};
  step_7_closing_idle.insert(step_7_closing_idle.end(), closing_then_idle.begin(),
                             closing_then_idle.end());
  const Cut_Pulse_Case cases[] = {
      // The opening write lost whole: no pulse was opened, and none follows.
      {"opening write lost", 3, 0, 5 + 3, closing_then_idle},
      // Cut before the opening packet (step 5): its register keeps 0x61.
      {"opening packet cut", 3, 9 * 8 + 4, 5 + 3 + 9, closing_then_idle},
      // The pulse is open and its closing write is lost: closed at once.
      {"closing write lost", 4, 0, 5 + 3 + 10, closing_then_idle},
      {"closing write after step 7", 4, 8, 5 + 3 + 10, step_7_closing_idle},
  };
  for (const Cut_Pulse_Case& c : cases) {
    SCOPED_TRACE(c.name);
    Device_Bench bench("74S188");
    bench.buffer[0] = 0x01;
    sim::Sim_Faults& faults = bench.app.simulator.Faults();
    faults.short_write_at = bench.app.simulator.Write_Calls() + c.write;
    faults.short_write_keeps = c.keeps;
    const std::size_t packets_before = bench.app.simulator.Received().size();
    bench.operations.Program_EpromClick();
    const std::vector<std::string> wire = bench.app.Take_Wire();
    // The idle sequence, the set-up, then the location's 5 writes and the
    // pulse's 5 up to the cut.
    ASSERT_GE(wire.size(), c.whole);
    const std::vector<std::string> rest(wire.begin() + static_cast<std::ptrdiff_t>(c.whole),
                                        wire.end());
    EXPECT_EQ(rest, c.after_cut);
    EXPECT_EQ(bench.app.simulator.Received().size() - packets_before, wire.size());
    EXPECT_EQ(bench.Status().rfind(Stopped_Line(Stopped_Link_Fault_Text, Stopped_Step::Unnamed) +
                                       " While Programming: ", 0),
              0u)
        << bench.Status();
    EXPECT_EQ(bench.Memo().front(), "USB Device Write TimeOut ...");
    EXPECT_EQ(bench.app.simulator.Register(Reg_Control), 0xE4);
    EXPECT_LE(bench.part->Pulses(), 1u);
  }
}

// A second programming run cut in its set-up write, before any pulse of its
// own: the closing writes of the first run's last pulse are not sent again,
// and the programmer gets only the closing idle sequence after the cut.
TEST(Device_Operations, A_Run_Cut_Before_Its_First_Pulse_Closes_No_Earlier_Pulse) {
  struct Case {
    int keeps;          // bytes of the set-up write the chip takes
    std::size_t whole;  // packets the firmware takes before the cut
  };
  for (const Case& c : {Case{0, 5}, Case{8, 6}, Case{23, 7}}) {
    SCOPED_TRACE(c.keeps);
    Device_Bench bench("74S188");
    bench.buffer[0] = 0x01;
    bench.operations.Program_EpromClick();
    ASSERT_EQ(bench.Status(), "Device is Programmed....");
    ASSERT_EQ(bench.part->Pulses(), 1u);
    bench.app.Take_Wire();
    sim::Sim_Faults& faults = bench.app.simulator.Faults();
    faults.short_write_at = bench.app.simulator.Write_Calls() + 2;
    faults.short_write_keeps = c.keeps;
    bench.operations.Program_EpromClick();
    const std::vector<std::string> wire = bench.app.Take_Wire();
    ASSERT_GE(wire.size(), c.whole);
    EXPECT_EQ(std::vector<std::string>(wire.begin() + static_cast<std::ptrdiff_t>(c.whole), wire.end()),
              Idle_Sequence);
    EXPECT_EQ(bench.Status(),
              Stopped_Line(Stopped_Link_Fault_Text, Stopped_Step::Programming_Before_Any_Pulse));
    EXPECT_EQ(bench.part->Pulses(), 1u);
  }
}

TEST(Device_Operations, A_Fault_In_The_Opening_Idle_Stays_In_The_List_And_Nothing_Is_Read) {
  Device_Bench bench("82S23");
  bench.app.simulator.Faults().short_write_at = bench.app.simulator.Write_Calls() + 1;
  bench.operations.Blank_ChkClick();
  EXPECT_EQ(bench.Memo(), std::vector<std::string>{"USB Device Write TimeOut ..."});
  EXPECT_TRUE(bench.Get("Memo1").visible);
  EXPECT_EQ(bench.Status(), Stopped_Link_Fault_Text);
  EXPECT_TRUE(bench.Take_Commands(Cmd_Read).empty());
}

TEST(Device_Operations, A_Fault_In_The_Closing_Idle_Keeps_The_Checks_Result) {
  Device_Bench probe("82S23");
  const int before = probe.app.simulator.Write_Calls();
  probe.operations.Blank_ChkClick();
  const int writes = probe.app.simulator.Write_Calls() - before;

  Device_Bench bench("82S23");
  bench.app.simulator.Faults().short_write_at = bench.app.simulator.Write_Calls() + writes;
  bench.operations.Blank_ChkClick();
  EXPECT_EQ(bench.Status(), "Device is Erased....");
  EXPECT_EQ(bench.Memo(), std::vector<std::string>{"USB Device Write TimeOut ..."});
  EXPECT_TRUE(bench.Get("Memo1").visible);
}

TEST(Device_Operations, Programming_Waits_50_Then_10_Per_Location_Then_75_Ms) {
  Device_Bench bench("82S23");
  const std::size_t first = bench.app.simulator.Received().size();
  bench.operations.Program_EpromClick();
  const auto& wire = bench.app.simulator.Received();
  auto gap_before = [&](std::size_t index) {
    return wire[first + index].time_us - wire[first + index - 1].time_us;
  };
  // Idle (5) and set-up (3), then the first location.
  EXPECT_GE(gap_before(8), 50'000);
  EXPECT_LT(gap_before(8), 52'000);
  // Each location of a blank buffer is 5 writes.
  for (std::size_t location = 1; location < 32; ++location) {
    EXPECT_GE(gap_before(8 + 5 * location), 10'000) << location;
    EXPECT_LT(gap_before(8 + 5 * location), 12'000) << location;
  }
  const std::size_t program_idle = 8 + 5 * 32;
  EXPECT_GE(gap_before(program_idle), 10'000);
  EXPECT_LT(gap_before(program_idle), 12'000);
  EXPECT_GE(gap_before(program_idle + 5), 75'000);
  EXPECT_LT(gap_before(program_idle + 5), 77'000);
}

TEST(Device_Operations, A_Blank_Check_Goes_Out_Byte_For_Byte) {
  Device_Bench bench("82S123");
  bench.operations.Blank_ChkClick();
  const auto wire = bench.app.Take_Wire();
  ASSERT_EQ(wire.size(), 5 + 3 + 32 * 4 + 5u);
  std::vector<std::string> start = Idle_Sequence;
  for (const char* p : {"94 0F 62 00 00 00 00 05", "94 3F E5 00 00 00 00 B8",
                        "94 5F 3B 00 00 00 00 2E", "94 2F 00 00 00 00 00 C3",
                        "94 0F 62 00 00 00 00 05", "94 3F E5 00 00 00 00 B8",
                        "22 3F E5 00 00 00 00 46", "94 2F 01 00 00 00 00 C4"})
    start.push_back(p);
  EXPECT_EQ(std::vector<std::string>(wire.begin(), wire.begin() + 13), start);
  EXPECT_EQ(wire[wire.size() - 6], "22 3F E5 00 00 00 00 46");
  EXPECT_EQ(std::vector<std::string>(wire.end() - 5, wire.end()), Idle_Sequence);
  EXPECT_EQ(bench.Get("Address").caption, "001F");
}

TEST(Device_Operations, With_End_1F_Every_Operation_Visits_32_Locations) {
  Device_Bench bench("74S288");
  using Handler = void (Device_Operations::*)();
  for (Handler handler : {&Device_Operations::Blank_ChkClick, &Device_Operations::Verify_EpromClick,
                          &Device_Operations::Move_EpromClick, &Device_Operations::CompareClick}) {
    bench.app.Take_Wire();
    (bench.operations.*handler)();
    EXPECT_EQ(bench.Take_Commands(Cmd_Read).size(), 32u);
    EXPECT_EQ(bench.Get("Address").caption, "001F");
  }
}

TEST(Device_Operations, A_Reply_Time_Out_Ends_The_Loop_After_That_Location) {
  Device_Bench bench("82S147");
  bench.app.form.link.Read_Window = 1;
  bench.Fill_Random(9);
  bench.operations.Program_EpromClick();
  const Prom_Image programmed = bench.buffer;
  bench.buffer.fill(0xAA);
  // Every awaited command so far, then the tenth read of the move.
  bench.app.simulator.Faults().no_reply_to =
      static_cast<int>(bench.app.simulator.Counters().replies) + 10;
  bench.app.Take_Wire();
  const int64_t start = bench.app.host.clock.Now_Us();
  bench.operations.Move_EpromClick();
  EXPECT_EQ(bench.Take_Commands(Cmd_Read).size(), 10u);
  EXPECT_GE(bench.app.host.clock.Now_Us() - start, 1'000'000);
  ASSERT_FALSE(bench.Memo().empty());
  EXPECT_EQ(bench.Memo().front(), Failed_Wait_Line);
  // The move did not finish: it says so and leaves the fault line in view.
  EXPECT_TRUE(bench.Get("Memo1").visible);
  EXPECT_EQ(bench.Status(), "Stopped: Programmer Did Not Answer....");
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Red);
  EXPECT_EQ(bench.Get("Address").caption, "0009");
  // The nine locations read before the fault stay out of the buffer too: a
  // stopped move changes no byte, and no checksum of it is shown.
  ASSERT_FALSE(std::all_of(programmed.begin(), programmed.begin() + 9,
                           [](uint8_t byte) { return byte == 0xAA; }));
  for (std::size_t a = 0; a < Prom_Size; ++a) EXPECT_EQ(bench.buffer[a], 0xAA) << a;
  EXPECT_EQ(bench.app.form.link.Stop_Count, 0);
  EXPECT_EQ(bench.checksum_runs, 0);
}

TEST(Device_Operations, A_Time_Out_In_A_Blank_Check_Tops_The_Findings) {
  Device_Bench bench("82S135");
  bench.app.form.link.Read_Window = 1;
  bench.buffer[2] = 0x11;
  bench.buffer[4] = 0x22;
  bench.operations.Program_EpromClick();
  bench.app.simulator.Faults().no_reply_to =
      static_cast<int>(bench.app.simulator.Counters().replies) + 6;
  bench.operations.Blank_ChkClick();
  // The failed read of 0005 finds nothing: its "byte" is the reply before.
  EXPECT_EQ(bench.Memo(), (std::vector<std::string>{Failed_Wait_Line,
                                                    "0002  EXPECTED-00 FOUND-11",
                                                    "0004  EXPECTED-00 FOUND-22"}));
  // The part was not checked to its end: neither verdict is true.
  EXPECT_EQ(bench.Status(), "Stopped: Programmer Did Not Answer....");
  EXPECT_EQ(bench.Get("Address").caption, "0005");
}

TEST(Device_Operations, Without_A_Type_Programming_Fires_No_Pulse) {
  Device_Bench bench("none");
  ASSERT_EQ(bench.units.selection.Device_Tag(), 0);
  bench.units.selection.Device_End = 0x1F;
  bench.buffer.fill(0x0F);
  bench.operations.Program_EpromClick();
  for (const std::string& packet : bench.app.Take_Wire())
    EXPECT_NE(packet.substr(0, 5), "94 4F") << packet;
  // The empty socket reads FF where nothing could be fused.
  EXPECT_EQ(bench.Status(), "Device Did NOT Program....");
  ASSERT_EQ(bench.Memo().size(), 34u);
  EXPECT_EQ(bench.Memo()[31], "001F  EXPECTED-0F FOUND-FF");
  EXPECT_EQ(bench.Memo()[32], "32 Locations Differ: 0 Bits Missing, 128 Bits Extra");
  EXPECT_EQ(bench.Memo()[33], "Every Location Reads FF: Is the Socket Empty or the Part Turned Round?");
}

TEST(Device_Operations, A_Device_End_Beyond_The_Buffer_Stops_At_Its_Last_Byte) {
  for (int32_t device_end : {0x400, 0x7FFF, INT32_MAX}) {
    Device_Bench bench("82S181");
    bench.units.selection.Device_End = device_end;
    bench.buffer.fill(0x5A);
    bench.operations.Move_EpromClick();
    EXPECT_EQ(bench.Take_Commands(Cmd_Read).size(), 1024u) << device_end;
    EXPECT_EQ(bench.Get("Address").caption, "03FF");
    bench.operations.Program_EpromClick();
    EXPECT_EQ(bench.Status(), "Device is Programmed....");
  }
}

TEST(Device_Operations, The_1k_By_8_Halves_Alias_On_The_Wire) {
  // Every address phase carries A9 = 1 (bit 2 of 0xE5), so both halves of
  // the 82S181 reach its upper half.
  Device_Bench bench("82S181");
  bench.buffer[0x005] = 0x01;
  bench.buffer[0x205] = 0x02;
  bench.operations.Program_EpromClick();
  EXPECT_EQ(bench.part->Fuse_Record(), (std::vector<sim::Fused_Bit>{{0x205, 0}, {0x205, 1}}));
  EXPECT_EQ(bench.Memo(), (std::vector<std::string>{"0005  EXPECTED-01 FOUND-03",
                                                    "0205  EXPECTED-02 FOUND-03",
                                                    "2 Locations Differ: 0 Bits Missing, 2 Bits Extra"}));
  EXPECT_EQ(bench.Status(), "Device Did NOT Program....");
}

}  // namespace
}  // namespace tarnik::testing
