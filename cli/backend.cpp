#include "cli/backend.h"

#include "usb/libftdi_driver.h"

namespace tarnik::cli {

Backend::Backend(const Options& options, Clock& clock) {
  if (!options.simulate) {
    driver_ = usb::Make_Libftdi_Driver(clock);
    return;
  }
  auto simulator = std::make_unique<sim::Sim_Programmer>(clock, options.sim_faults);
  simulator->Set_Firmware(static_cast<uint8_t>(options.sim_major),
                          static_cast<uint8_t>(options.sim_minor));
  simulator->Set_Packet_Time_Us(options.sim_packet_us);
  simulator_ = simulator.get();
  driver_ = std::move(simulator);
}

std::unique_ptr<Clock> Make_Clock(bool virtual_time) {
  if (virtual_time) return std::make_unique<Virtual_Clock>();
  return std::make_unique<Real_Clock>();
}

}  // namespace tarnik::cli
