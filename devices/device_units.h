#pragma once
// The device units of the window, wired together: selection, access,
// operations, the voltage test and the check before a burn.

#include <functional>

#include "window/control_states.h"
#include "window/host.h"
#include "window/message_pump.h"
#include "window/window_model.h"
#include "buffer/prom_image.h"
#include "devices/device_access.h"
#include "devices/device_operations.h"
#include "devices/device_selection.h"
#include "devices/voltage_test.h"
#include "link/command_link.h"

namespace tarnik {

struct Device_Units {
  Device_Units(Window_Model& window, Host& host, Message_Pump& pump, Control_States& states,
               Command_Link& link, Prom_Image& prom_buffer, std::function<void()> show_checksum)
      : selection(window, host, states),
        access(link, window, pump, selection.Device_End),
        operations(window, states, pump, link, access, prom_buffer, std::move(show_checksum)),
        voltage(window, states, link) {}

  Device_Selection selection;
  Device_Access access;
  Device_Operations operations;
  Voltage_Test voltage;
};

}  // namespace tarnik
