#pragma once
// What decides the programmer behind the link; each front end fills it from
// its own options.

#include "sim/sim_setup.h"

namespace tarnik {

struct Programmer_Settings {
  bool simulate = false;
  sim::Sim_Setup_Options simulation;  // the part and firmware when simulating
  int sim_packet_us = 20;             // the simulated firmware's time per packet
};

}  // namespace tarnik
