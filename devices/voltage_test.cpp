#include "devices/voltage_test.h"

#include <array>

namespace tarnik {

namespace {

constexpr std::array<Voltage_Pair, Voltage_Pairs> Pairs = {{
    {"Vcc=10.75/Vpc=17.50", 0x76},
    {"Vcc=8.75/Vpc=10.75", 0x26},
    {"Vcc=5.00/Vpc=17.50", 0x62},
}};

constexpr uint8_t Test_Control = 0x33;
constexpr uint8_t Test_Mode = 0x1A;
constexpr uint8_t Reg_1F_Value = 0xB0;

}  // namespace

Voltage_Test::Voltage_Test(Window_Model& window, Control_States& states, Command_Link& link)
    : window_(window), states_(states), link_(link) {}

const Voltage_Pair& Voltage_Test::Pair(int tag) {
  const int index = tag >= 1 && tag <= Voltage_Pairs ? tag - 1 : 0;
  return Pairs[static_cast<std::size_t>(index)];
}

// Writes the pair's supply value and the control and mode of the test.
void Voltage_Test::Apply(int tag) {
  link_.Reg_Value = Pair(tag).supply;
  link_.Write_Reg(Reg_Supply);
  link_.Reg_Value = Test_Control;
  link_.Write_Reg(Reg_Control);
  link_.Reg_Value = Test_Mode;
  link_.Write_Reg(Reg_Mode);
}

void Voltage_Test::Help_1KeyPress(char key) {
  if (key != 'T' && key != 't') return;
  // A disabled button has no focus, so it takes no key.
  if (!window_.Get("Help_1").enabled) return;
  states_.Disable_Commands();
  link_.Set_Idle();
  window_.Set_Tag("Vpp_But", 1);
  window_.Set_Visible("Vpp_But", true);
  Apply(1);
  window_.Set_Caption("Vpp_But", Pair(1).caption);
}

void Voltage_Test::Vpp_ButClick() {
  const int tag = window_.Get("Vpp_But").tag % Voltage_Pairs + 1;
  window_.Set_Tag("Vpp_But", tag);
  Apply(tag);
  window_.Set_Caption("Vpp_But", Pair(tag).caption);
  link_.Reg_Value = Reg_1F_Value;
  link_.Write_Reg(Reg_1F);
}

}  // namespace tarnik
