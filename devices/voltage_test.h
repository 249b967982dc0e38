#pragma once
// The hidden voltage test: "T" on the focused Help button shows Vpp_But and
// applies the first supply and programming voltage pair; each click on the
// button applies the next pair.

#include <cstdint>

#include "window/control_states.h"
#include "window/window_model.h"
#include "link/command_link.h"

namespace tarnik {

struct Voltage_Pair {
  const char* caption;
  uint8_t supply;  // Reg_Supply value that selects the pair
};

class Voltage_Test {
 public:
  Voltage_Test(Window_Model& window, Control_States& states, Command_Link& link);

  // Only "T" and "t" act, and only while the Help button can take keys.
  void Help_1KeyPress(char key);
  // Applies the next pair; Vpp_But stays outside the busy and ready states.
  void Vpp_ButClick();

  [[nodiscard]] static const Voltage_Pair& Pair(int tag);

 private:
  void Apply(int tag);

  Window_Model& window_;
  Control_States& states_;
  Command_Link& link_;
};

inline constexpr int Voltage_Pairs = 3;

}  // namespace tarnik
