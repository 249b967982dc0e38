#pragma once
// The driver behind the link, chosen from the options: the simulated
// programmer or the libftdi1 backend.

#include <memory>

#include "window/clock.h"
#include "cli/options.h"
#include "link/ftd2xx.h"
#include "sim/sim_programmer.h"

namespace tarnik::cli {

class Backend {
 public:
  Backend(const Options& options, Clock& clock);

  [[nodiscard]] Ftd2xx& Driver() { return *driver_; }
  // The simulated programmer, or null when real hardware is used.
  [[nodiscard]] sim::Sim_Programmer* Simulator() { return simulator_; }

 private:
  std::unique_ptr<Ftd2xx> driver_;
  sim::Sim_Programmer* simulator_ = nullptr;
};

// The clock a run uses: virtual for a simulated command-line run, real otherwise.
[[nodiscard]] std::unique_ptr<Clock> Make_Clock(bool virtual_time);

}  // namespace tarnik::cli
