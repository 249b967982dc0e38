#include "devices/device_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

// A register write as it goes out: 94 id value, four zeros, checksum.
std::string Reg(uint8_t id, uint8_t value) {
  const uint8_t packet[8] = {0x94, id, value, 0, 0, 0, 0,
                             static_cast<uint8_t>((0x94 + id + value) & 0xFF)};
  return Hex_Bytes(packet, 8);
}

// A socket whose data pins always read one value.
class Fixed_Pins final : public sim::Sim_Socket {
 public:
  explicit Fixed_Pins(uint8_t value) : value_(value) {}
  void Register_Written(uint8_t, uint8_t) override {}
  [[nodiscard]] uint8_t Data_Pins() const override { return value_; }

 private:
  uint8_t value_;
};

struct Access_Bench {
  Access_Bench() {
    app.Start();
    app.Take_Wire();
  }
  void Set_Tag(int tag) { app.form.window.Set_Tag("Device", tag); }
  std::vector<std::string> Wire() {
    app.form.link.Flush();
    return app.Take_Wire();
  }

  Sim_App app;
  int32_t device_end = 0x3FF;
  Device_Access access{app.form.link, app.form.window, app.form.pump, device_end};
  Command_Link& link = app.form.link;
};

TEST(Device_Access, Set_Address_At_0x1FF_Carries_A8_In_The_Supply) {
  Access_Bench bench;
  bench.access.Supply_Shadow = 0x62;
  bench.access.Control_Shadow = 0xE5;
  bench.link.Dev_Addr = 0x1FF;
  bench.access.Set_Address();
  EXPECT_EQ(bench.Wire(), (std::vector<std::string>{"94 2F FF 00 00 00 00 C2",
                                                    "94 0F 63 00 00 00 00 06",
                                                    "94 3F E5 00 00 00 00 B8"}));
  EXPECT_EQ(bench.access.Last_Supply, 0x63);
  EXPECT_EQ(bench.app.form.window.Get("Address").caption, "01FF");
}

TEST(Device_Access, Set_Address_Below_0x100_Sends_The_Supply_Shadow_Unchanged) {
  Access_Bench bench;
  bench.access.Supply_Shadow = 0x62;
  bench.access.Control_Shadow = 0xE5;
  bench.link.Dev_Addr = 0x0FF;
  bench.access.Set_Address();
  EXPECT_EQ(bench.Wire(), (std::vector<std::string>{Reg(0x2F, 0xFF), Reg(0x0F, 0x62),
                                                    Reg(0x3F, 0xE5)}));
  EXPECT_EQ(bench.app.form.window.Get("Address").caption, "00FF");
}

TEST(Device_Access, A9_Stays_In_The_Control_Shadow_Once_Set) {
  Access_Bench bench;
  bench.access.Supply_Shadow = 0x22;
  bench.access.Control_Shadow = 0xE1;
  bench.link.Dev_Addr = 0x305;
  bench.access.Set_Address();
  bench.link.Dev_Addr = 0x005;
  bench.access.Set_Address();
  EXPECT_EQ(bench.Wire(), (std::vector<std::string>{Reg(0x2F, 0x05), Reg(0x0F, 0x23),
                                                    Reg(0x3F, 0xE5), Reg(0x2F, 0x05),
                                                    Reg(0x0F, 0x22), Reg(0x3F, 0xE5)}));
  EXPECT_EQ(bench.access.Control_Shadow, 0xE5);
  EXPECT_EQ(bench.app.form.window.Get("Address").caption, "0005");
}

TEST(Device_Access, Read_Setup_Loads_The_Read_State) {
  Access_Bench bench;
  bench.access.Read_Setup();
  EXPECT_EQ(bench.Wire(), (std::vector<std::string>{"94 0F 62 00 00 00 00 05",
                                                    "94 3F E5 00 00 00 00 B8",
                                                    "94 5F 3B 00 00 00 00 2E"}));
  EXPECT_EQ(bench.access.Supply_Shadow, 0x62);
  EXPECT_EQ(bench.access.Control_Shadow, 0xE5);
  EXPECT_EQ(bench.access.Mode_Shadow, 0x3B);
}

TEST(Device_Access, A_Read_Is_Masked_For_The_Four_Bit_Classes) {
  struct Mask_Case {
    int tag;
    uint8_t expected;
  };
  const Mask_Case cases[] = {{0, 0xA5}, {1, 0xA5}, {2, 0xA5}, {3, 0x05},
                             {4, 0x05}, {5, 0xA5}, {6, 0xA5}};
  for (const Mask_Case& c : cases) {
    Access_Bench bench;
    Fixed_Pins pins(0xA5);
    bench.app.simulator.Set_Socket(&pins);
    bench.Set_Tag(c.tag);
    bench.access.Read_Setup();
    bench.link.Dev_Addr = 0x12;
    bench.access.Read_Device_Byte();
    EXPECT_EQ(bench.link.Read_Value, c.expected) << "tag " << c.tag;
    const auto wire = bench.Wire();
    ASSERT_EQ(wire.size(), 7u);
    EXPECT_EQ(wire.back(), "22 3F E5 00 00 00 00 46");
    bench.app.simulator.Set_Socket(nullptr);
  }
}

TEST(Device_Access, Step_Address_Ends_A_Loop_After_The_Device_End) {
  struct Step_Case {
    int32_t device_end;
    int32_t locations;
  };
  // Beyond the buffer the loop ends at its last address; a negative end
  // still visits location 0.
  const Step_Case cases[] = {{0x1F, 32}, {0xFF, 256}, {0x3FF, 1024},
                             {5000, 1024}, {0, 1}, {-7, 1}};
  for (const Step_Case& c : cases) {
    Access_Bench bench;
    bench.device_end = c.device_end;
    int32_t visited = 0;
    do {
      ++visited;
      bench.access.Step_Address();
    } while (bench.link.Stop_Count <= 0);
    EXPECT_EQ(visited, c.locations) << c.device_end;
    EXPECT_EQ(bench.link.Stop_Count, 1);
    EXPECT_EQ(bench.link.Dev_Addr, c.locations);
  }
}

TEST(Device_Access, A_Signetics_Pulse_At_An_A8_Address) {
  Access_Bench bench;
  bench.Set_Tag(6);
  bench.access.Supply_Shadow = 0x62;
  bench.access.Control_Shadow = 0xE5;
  bench.access.Pulse_Control = 0x65;
  bench.link.Dev_Addr = 0x1A3;
  bench.access.Set_Address();
  bench.Wire();
  bench.access.Pulse_Bit = 3;
  bench.access.Program_Bit();
  EXPECT_EQ(bench.Wire(), (std::vector<std::string>{
                              "94 5F 12 00 00 00 00 05", "94 0F 67 00 00 00 00 0A",
                              "94 4F 03 00 00 00 00 E6", "94 3F 61 00 00 00 00 34",
                              "94 3F E1 00 00 00 00 B4", "94 3F 61 00 00 00 00 34",
                              "94 3F E5 00 00 00 00 B8", "94 0F 67 00 00 00 00 0A",
                              "94 0F 63 00 00 00 00 06", "94 5F 1A 00 00 00 00 0D"}));
}

TEST(Device_Access, A_National_Pulse_Without_A8) {
  Access_Bench bench;
  bench.Set_Tag(4);
  bench.access.Supply_Shadow = 0x62;
  bench.access.Control_Shadow = 0xE5;
  bench.access.Pulse_Control = 0x65;
  bench.link.Dev_Addr = 0x0C7;
  bench.access.Set_Address();
  bench.Wire();
  bench.access.Pulse_Bit = 2;
  bench.access.Program_Bit();
  EXPECT_EQ(bench.Wire(),
            (std::vector<std::string>{Reg(0x5F, 0x12), Reg(0x0F, 0x36), Reg(0x4F, 0x02),
                                      Reg(0x3F, 0x61), Reg(0x3F, 0xE1), Reg(0x3F, 0x61),
                                      Reg(0x3F, 0xE5), Reg(0x0F, 0x36), Reg(0x0F, 0x22),
                                      Reg(0x5F, 0x1A)}));
}

TEST(Device_Access, The_Opened_Pulse_Reaches_The_Programmer_Before_The_Window_Pumps) {
  Access_Bench bench;
  bench.Set_Tag(1);
  bench.access.Supply_Shadow = 0x62;
  bench.access.Control_Shadow = 0xE5;
  bench.access.Pulse_Control = 0x65;
  bench.access.Set_Address();
  bench.Wire();
  std::vector<std::size_t> seen_at_pump;
  uint8_t control_at_pump = 0;
  bench.app.host.on_pump = [&] {
    seen_at_pump.push_back(bench.app.simulator.Received().size());
    control_at_pump = bench.app.simulator.Register(Reg_Control);
  };
  const std::size_t before = bench.app.simulator.Received().size();
  bench.access.Pulse_Signetics();
  bench.app.host.on_pump = nullptr;
  ASSERT_EQ(seen_at_pump.size(), 1u);
  EXPECT_EQ(seen_at_pump[0], before + 5);
  EXPECT_EQ(control_at_pump, 0xE1);
  EXPECT_EQ(bench.Wire().size(), 10u);
}

TEST(Device_Access, Program_Bit_Picks_The_Family_From_The_Device_Tag) {
  struct Family_Case {
    int tag;
    std::size_t packets;
    uint8_t pulse_supply;
  };
  const Family_Case cases[] = {{0, 0, 0},     {1, 10, 0x66}, {2, 10, 0x36}, {3, 10, 0x66},
                               {4, 10, 0x36}, {5, 10, 0x36}, {6, 10, 0x66}, {7, 0, 0}};
  for (const Family_Case& c : cases) {
    Access_Bench bench;
    bench.Set_Tag(c.tag);
    bench.access.Pulse_Control = 0x65;
    bench.access.Control_Shadow = 0xE5;
    bench.access.Program_Bit();
    const auto wire = bench.Wire();
    ASSERT_EQ(wire.size(), c.packets) << "tag " << c.tag;
    if (c.packets > 0) {
      EXPECT_EQ(wire[1], Reg(0x0F, c.pulse_supply)) << "tag " << c.tag;
    }
  }
}

TEST(Device_Access, Nothing_Goes_Out_Without_A_Programmer) {
  Sim_App app;  // no discovery
  int32_t device_end = 0x1F;
  Device_Access access(app.form.link, app.form.window, app.form.pump, device_end);
  app.form.window.Set_Tag("Device", 1);
  access.Read_Setup();
  app.form.link.Dev_Addr = 0x1F;
  access.Read_Device_Byte();
  access.Program_Bit();
  app.form.link.Flush();
  EXPECT_EQ(app.simulator.Counters().packets_out, 0u);
  EXPECT_EQ(app.form.window.Get("Address").caption, "001F");
}

}  // namespace
}  // namespace tarnik::testing
