#pragma once
// The one way the logic lets the window process its pending messages. Before
// it pumps, it hands the command link the chance to send the register writes
// it holds, so that nothing the user may do meanwhile sees them unsent and a
// fusing pulse keeps its width.

#include <algorithm>
#include <functional>

#include "window/host.h"

namespace tarnik {

class Message_Pump {
 public:
  // The longest stretch of a wait without a pump: well inside the 50 ms a
  // window may go unpainted before it looks frozen.
  static constexpr int Sleep_Step_Ms = 10;

  explicit Message_Pump(Host& host) : host_(host) {}

  void Set_Before_Pump(std::function<void()> hook) { before_pump_ = std::move(hook); }

  void Process_Messages() {
    if (before_pump_) before_pump_();
    host_.Process_Messages();
  }

  // Every wait of an operation goes through here: a pause on the wire, so
  // queued writes go out first, and the window's messages are pumped at the
  // start of every step of it.
  void Sleep_Ms(int ms) {
    do {
      Process_Messages();
      const int step = std::min(ms, Sleep_Step_Ms);
      if (step > 0) host_.Sleep_Ms(step);
      ms -= step;
    } while (ms > 0);
  }

 private:
  Host& host_;
  std::function<void()> before_pump_;
};

}  // namespace tarnik
