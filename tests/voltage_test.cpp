#include "devices/voltage_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

std::string Reg(uint8_t id, uint8_t value) {
  const uint8_t packet[8] = {0x94, id, value, 0, 0, 0, 0,
                             static_cast<uint8_t>((0x94 + id + value) & 0xFF)};
  return Hex_Bytes(packet, 8);
}

struct Voltage_Bench {
  explicit Voltage_Bench(bool with_programmer = true) {
    if (with_programmer) app.Start();
    app.Take_Wire();
  }
  std::vector<std::string> Wire() {
    app.form.link.Flush();
    return app.Take_Wire();
  }
  [[nodiscard]] const Control& Get(std::string_view name) const {
    return app.form.window.Get(name);
  }

  Sim_App app;
  Voltage_Test voltage{app.form.window, app.form.states, app.form.link};
};

TEST(Voltage_Test, T_On_The_Help_Button_Enters_The_Mode) {
  for (char key : {'T', 't'}) {
    Voltage_Bench bench;
    bench.voltage.Help_1KeyPress(key);
    std::vector<std::string> expected = Idle_Sequence;
    for (const char* p : {"94 0F 76 00 00 00 00 19", "94 3F 33 00 00 00 00 06",
                          "94 5F 1A 00 00 00 00 0D"})
      expected.push_back(p);
    EXPECT_EQ(bench.Wire(), expected) << key;
    EXPECT_TRUE(bench.Get("Vpp_But").visible);
    EXPECT_EQ(bench.Get("Vpp_But").tag, 1);
    EXPECT_EQ(bench.Get("Vpp_But").caption, "Vcc=10.75/Vpc=17.50");
    EXPECT_FALSE(bench.Get("Help_1").enabled);
    EXPECT_FALSE(bench.Get("Program_Eprom").enabled);
    EXPECT_EQ(bench.Get("StaticText3").colour, colours::Yellow);
  }
}

TEST(Voltage_Test, Other_Keys_Are_Ignored) {
  for (char key : {'a', 'H', ' ', '\r', 'y', '5'}) {
    Voltage_Bench bench;
    bench.voltage.Help_1KeyPress(key);
    EXPECT_TRUE(bench.Wire().empty()) << key;
    EXPECT_FALSE(bench.Get("Vpp_But").visible);
    EXPECT_EQ(bench.Get("Vpp_But").caption, "Vcc=5.00/Vpc=10.75");
    EXPECT_TRUE(bench.Get("Help_1").enabled);
  }
}

TEST(Voltage_Test, Clicks_Step_Through_The_Three_Pairs_In_Order) {
  Voltage_Bench bench;
  bench.voltage.Help_1KeyPress('t');
  bench.Wire();
  struct Step {
    const char* caption;
    uint8_t supply;
    int tag;
  };
  const Step steps[] = {{"Vcc=8.75/Vpc=10.75", 0x26, 2},
                        {"Vcc=5.00/Vpc=17.50", 0x62, 3},
                        {"Vcc=10.75/Vpc=17.50", 0x76, 1},
                        {"Vcc=8.75/Vpc=10.75", 0x26, 2}};
  for (const Step& step : steps) {
    bench.voltage.Vpp_ButClick();
    EXPECT_EQ(bench.Get("Vpp_But").caption, step.caption);
    EXPECT_EQ(bench.Get("Vpp_But").tag, step.tag);
    EXPECT_EQ(bench.Wire(), (std::vector<std::string>{Reg(0x0F, step.supply), Reg(0x3F, 0x33),
                                                      Reg(0x5F, 0x1A), Reg(0x1F, 0xB0)}))
        << step.caption;
    // The button stands outside the busy and ready states.
    EXPECT_FALSE(bench.Get("Program_Eprom").enabled);
    EXPECT_FALSE(bench.Get("Help_1").enabled);
    EXPECT_EQ(bench.Get("StaticText3").colour, colours::Yellow);
  }
}

TEST(Voltage_Test, Pairs_Name_Their_Supply_Values) {
  EXPECT_STREQ(Voltage_Test::Pair(1).caption, "Vcc=10.75/Vpc=17.50");
  EXPECT_EQ(Voltage_Test::Pair(1).supply, 0x76);
  EXPECT_STREQ(Voltage_Test::Pair(2).caption, "Vcc=8.75/Vpc=10.75");
  EXPECT_EQ(Voltage_Test::Pair(2).supply, 0x26);
  EXPECT_STREQ(Voltage_Test::Pair(3).caption, "Vcc=5.00/Vpc=17.50");
  EXPECT_EQ(Voltage_Test::Pair(3).supply, 0x62);
}

TEST(Voltage_Test, The_Key_Is_Refused_While_The_Help_Button_Is_Disabled) {
  Voltage_Bench bench;
  bench.voltage.Help_1KeyPress('T');
  bench.voltage.Vpp_ButClick();
  bench.Wire();
  bench.voltage.Help_1KeyPress('T');
  EXPECT_TRUE(bench.Wire().empty());
  EXPECT_EQ(bench.Get("Vpp_But").tag, 2);
}

TEST(Voltage_Test, After_The_Mode_Ends_The_Key_Restarts_At_The_First_Pair) {
  Voltage_Bench bench;
  bench.voltage.Help_1KeyPress('T');
  bench.voltage.Vpp_ButClick();
  bench.voltage.Vpp_ButClick();
  bench.app.form.StaticText3Click();  // rediscovery ends the mode
  EXPECT_TRUE(bench.Get("Help_1").enabled);
  EXPECT_TRUE(bench.Get("Vpp_But").visible);
  bench.Wire();
  // Clicked outside the mode, the button writes its next pair, nothing else.
  bench.voltage.Vpp_ButClick();
  EXPECT_EQ(bench.Get("Vpp_But").caption, "Vcc=10.75/Vpc=17.50");
  EXPECT_EQ(bench.Wire(), (std::vector<std::string>{Reg(0x0F, 0x76), Reg(0x3F, 0x33),
                                                    Reg(0x5F, 0x1A), Reg(0x1F, 0xB0)}));
  EXPECT_TRUE(bench.Get("Program_Eprom").enabled);
  bench.voltage.Help_1KeyPress('t');
  EXPECT_EQ(bench.Get("Vpp_But").tag, 1);
  EXPECT_EQ(bench.Get("Vpp_But").caption, "Vcc=10.75/Vpc=17.50");
}

TEST(Voltage_Test, Without_A_Programmer_Only_The_Button_Changes) {
  Voltage_Bench bench(false);
  bench.voltage.Help_1KeyPress('T');
  bench.voltage.Vpp_ButClick();
  EXPECT_TRUE(bench.Wire().empty());
  EXPECT_EQ(bench.app.simulator.Counters().packets_out, 0u);
  EXPECT_TRUE(bench.Get("Vpp_But").visible);
  EXPECT_EQ(bench.Get("Vpp_But").caption, "Vcc=8.75/Vpc=10.75");
}

}  // namespace
}  // namespace tarnik::testing
