#pragma once
// Time as the logic and the simulated programmer see it. The window runs on
// the real clock; tests and simulated command-line runs on a virtual one, so
// a one-second time-out costs no real second.

#include <cstdint>

namespace tarnik {

class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual int64_t Now_Us() const = 0;
  // Blocks until the clock reads at least `when_us`; a virtual clock jumps.
  virtual void Sleep_Until_Us(int64_t when_us) = 0;
};

class Virtual_Clock final : public Clock {
 public:
  [[nodiscard]] int64_t Now_Us() const override { return now_us_; }
  void Sleep_Until_Us(int64_t when_us) override {
    if (when_us > now_us_) now_us_ = when_us;
  }

 private:
  int64_t now_us_ = 0;
};

class Real_Clock final : public Clock {
 public:
  Real_Clock();
  [[nodiscard]] int64_t Now_Us() const override;
  void Sleep_Until_Us(int64_t when_us) override;

 private:
  int64_t origin_ns_;
};

}  // namespace tarnik
