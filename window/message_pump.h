#pragma once
// The one way the logic lets the window process its pending messages. Before
// it pumps, it hands the command link the chance to send the register writes
// it holds, so that nothing the user may do meanwhile sees them unsent and a
// fusing pulse keeps its width.

#include <functional>

#include "window/host.h"

namespace tarnik {

class Message_Pump {
 public:
  explicit Message_Pump(Host& host) : host_(host) {}

  void Set_Before_Pump(std::function<void()> hook) { before_pump_ = std::move(hook); }

  void Process_Messages() {
    if (before_pump_) before_pump_();
    host_.Process_Messages();
  }

  // A sleep is a pause on the wire too: queued writes go out first.
  void Sleep_Ms(int ms) {
    if (before_pump_) before_pump_();
    host_.Sleep_Ms(ms);
  }

 private:
  Host& host_;
  std::function<void()> before_pump_;
};

}  // namespace tarnik
