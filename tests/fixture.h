#pragma once
// A fresh application over the simulated programmer on a virtual clock.

#include <string>
#include <vector>

#include "app/main_form.h"
#include "sim/sim_programmer.h"
#include "tests/test_host.h"

namespace tarnik::testing {

struct Sim_App {
  explicit Sim_App(sim::Sim_Faults faults = sim::Sim_Faults{})
      : simulator(host.clock, faults, sim::Wire_Record::Kept), form(simulator, host) {
    form.usb.Set_Trace([this](std::string_view line) { trace.emplace_back(line); });
    form.FormCreate();
  }

  // Discovery as at start-up: the programmer found, ready state, idle.
  void Start() { form.Start_Up(); }

  // The packets the simulated firmware took since the last call, as hex.
  std::vector<std::string> Take_Wire() {
    std::vector<std::string> packets;
    const auto& received = simulator.Received();
    for (std::size_t i = wire_seen; i < received.size(); ++i)
      packets.push_back(Hex_Bytes(received[i].bytes.data(), received[i].bytes.size()));
    wire_seen = received.size();
    return packets;
  }

  Test_Host host;
  sim::Sim_Programmer simulator;
  Main_Form form;
  std::vector<std::string> trace;
  std::size_t wire_seen = 0;
};

inline Prom_Image Image_Of(uint8_t value) {
  Prom_Image image;
  image.fill(value);
  return image;
}

inline const std::vector<std::string> Idle_Sequence = {
    "94 5F 3B 00 00 00 00 2E", "94 3F E4 00 00 00 00 B7", "94 0F 76 00 00 00 00 19",
    "94 2F 00 00 00 00 00 C3", "94 1F B0 00 00 00 00 63"};

}  // namespace tarnik::testing
