#include "window/clock.h"

#include <chrono>
#include <thread>

namespace tarnik {

namespace {
int64_t Steady_Ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

Real_Clock::Real_Clock() : origin_ns_(Steady_Ns()) {}

int64_t Real_Clock::Now_Us() const { return (Steady_Ns() - origin_ns_) / 1000; }

void Real_Clock::Sleep_Until_Us(int64_t when_us) {
  const int64_t wait_us = when_us - Now_Us();
  if (wait_us > 0) std::this_thread::sleep_for(std::chrono::microseconds(wait_us));
}

}  // namespace tarnik
