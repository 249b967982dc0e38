#include "app/programmer_choice.h"

#include "devices/device_catalogue.h"
#include "usb/libftdi_driver.h"

namespace tarnik {

Programmer_Choice::Programmer_Choice(const Programmer_Settings& settings, Clock& clock) {
  if (settings.simulate) {
    simulation_ = std::make_unique<sim::Sim_Setup>(clock, settings.simulation);
    simulation_->Programmer().Set_Packet_Time_Us(settings.sim_packet_us);
  } else {
    hardware_ = usb::Make_Libftdi_Driver(clock);
  }
}

Ftd2xx& Programmer_Choice::Driver() {
  if (simulation_) return simulation_->Programmer();
  return *hardware_;
}

sim::Sim_Programmer* Programmer_Choice::Simulator() {
  return simulation_ ? &simulation_->Programmer() : nullptr;
}

void Programmer_Choice::Attach(Main_Form& form, std::function<void(const std::string&)> report) {
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

}  // namespace tarnik
