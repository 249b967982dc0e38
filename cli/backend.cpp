#include "cli/backend.h"

#include "devices/device_catalogue.h"
#include "usb/libftdi_driver.h"

namespace tarnik::cli {

sim::Sim_Setup_Options Simulation_Options(const Options& options) {
  sim::Sim_Setup_Options setup;
  setup.state_path = options.sim_state;
  setup.part_name = options.sim_part;
  setup.initial_type = options.device;
  if (options.sim_firmware_given)
    setup.firmware = sim::Firmware_Version{static_cast<uint8_t>(options.sim_major),
                                           static_cast<uint8_t>(options.sim_minor)};
  setup.faults = options.sim_faults;
  return setup;
}

Backend::Backend(const Options& options, Clock& clock) {
  if (options.simulate) {
    simulation_ = std::make_unique<sim::Sim_Setup>(clock, Simulation_Options(options));
    simulation_->Programmer().Set_Packet_Time_Us(options.sim_packet_us);
  } else {
    hardware_ = usb::Make_Libftdi_Driver(clock);
  }
}

Ftd2xx& Backend::Driver() {
  if (simulation_) return simulation_->Programmer();
  return *hardware_;
}

sim::Sim_Programmer* Backend::Simulator() {
  return simulation_ ? &simulation_->Programmer() : nullptr;
}

void Backend::Attach(Main_Form& form, std::function<void(const std::string&)> report) {
  if (!simulation_) return;
  form.After_Command = [&form, simulation = simulation_.get(), report = std::move(report)] {
    const Device_Type* chosen = Type_At_Row(form.window.Get("Device_Box").tag);
    if (const std::optional<std::string> note = simulation->Type_Chosen(chosen)) {
      form.window.Insert_Line("Memo1", 0, *note);
      form.window.Set_Visible("Memo1", true);
    }
    if (const std::optional<std::string> error = simulation->Save_If_Changed()) report(*error);
  };
}

std::unique_ptr<Clock> Make_Clock(bool virtual_time) {
  if (virtual_time) return std::make_unique<Virtual_Clock>();
  return std::make_unique<Real_Clock>();
}

}  // namespace tarnik::cli
