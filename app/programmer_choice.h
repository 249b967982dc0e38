#pragma once
// The driver behind the link, chosen once for every front end: the simulated
// programmer with the part in its socket, or the libftdi1 backend.

#include <functional>
#include <memory>
#include <string>

#include "window/clock.h"
#include "app/main_form.h"
#include "app/programmer_settings.h"
#include "link/ftd2xx.h"
#include "sim/sim_programmer.h"
#include "sim/sim_setup.h"

namespace tarnik {

class Programmer_Choice {
 public:
  Programmer_Choice(const Programmer_Settings& settings, Clock& clock);

  [[nodiscard]] Ftd2xx& Driver();
  // The simulated programmer, or null when real hardware is used.
  [[nodiscard]] sim::Sim_Programmer* Simulator();
  // The simulated programmer with its part, or null when real hardware is used.
  [[nodiscard]] sim::Sim_Setup* Simulation() { return simulation_.get(); }

  // Lets the simulated part follow the form's commands: a type chosen in the
  // device list, the state file written after every command that changed
  // it. `report` gets the reason when the state file cannot be written.
  void Attach(Main_Form& form, std::function<void(const std::string&)> report);

 private:
  std::unique_ptr<Ftd2xx> hardware_;
  std::unique_ptr<sim::Sim_Setup> simulation_;
};

// The clock a run uses: virtual for a simulated command-line run, real otherwise.
[[nodiscard]] std::unique_ptr<Clock> Make_Clock(bool virtual_time);

}  // namespace tarnik
