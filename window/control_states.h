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

 private:
  Window_Model& window_;
  Message_Pump& pump_;
};

}  // namespace tarnik
