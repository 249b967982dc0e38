#pragma once
// Timer1 for hosts without an event loop of their own: a periodic timer read
// off a clock, which fires when the host pumps its messages after its time.

#include <cstdint>
#include <functional>

#include "window/clock.h"

namespace tarnik {

class Clock_Timer {
 public:
  explicit Clock_Timer(const Clock& clock) : clock_(clock) {}

  void Set_Handler(std::function<void()> on_tick) { on_tick_ = std::move(on_tick); }
  // Starting the stopped timer begins a full period; starting it while it
  // runs changes nothing.
  void Start(int period_ms) {
    if (running_) return;
    running_ = true;
    period_us_ = int64_t{period_ms} * 1000;
    due_us_ = clock_.Now_Us() + period_us_;
  }
  void Stop() { running_ = false; }
  [[nodiscard]] bool Running() const { return running_; }

  void Fire_If_Due() {
    if (!running_ || clock_.Now_Us() < due_us_) return;
    due_us_ += period_us_;
    if (on_tick_) on_tick_();
  }

 private:
  const Clock& clock_;
  std::function<void()> on_tick_;
  bool running_ = false;
  int64_t period_us_ = 0;
  int64_t due_us_ = 0;
};

}  // namespace tarnik
