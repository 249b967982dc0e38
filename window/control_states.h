#pragma once
// The busy and ready states of the main window.

#include "window/message_pump.h"
#include "window/window_model.h"

namespace tarnik {

class Control_States {
 public:
  Control_States(Window_Model& window, Message_Pump& pump) : window_(window), pump_(pump) {}

  void Disable_Commands();
  void Enable_Commands();

  // While held, the ready state that ends a command is put off: work that
  // follows in the same click (naming what was read) is not done yet, and
  // the status line must not say it is. Holds nest, one wrapper of a click
  // within another; the last release shows the state put off.
  void Hold_Ready() { ++holds_; }
  void Release_Ready();

 private:
  int holds_ = 0;
  bool ready_owed_ = false;
  Window_Model& window_;
  Message_Pump& pump_;
};

}  // namespace tarnik
