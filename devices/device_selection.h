#pragma once
// Choosing the PROM type: the device list, the Device button's caption, the
// device end, the device tag (the Device button's Tag) and the placement
// picture shown for the chosen type.

#include <cstdint>
#include <string_view>

#include "window/control_states.h"
#include "window/host.h"
#include "window/window_model.h"
#include "devices/device_catalogue.h"

namespace tarnik {

class Device_Selection {
 public:
  // Fills the device list and the four picture panes.
  Device_Selection(Window_Model& window, Host& host, Control_States& states);

  // Handler of the Device button: the busy state, then the device list.
  void DeviceClick();
  // Handler of a click on a row of the device list: the row chosen is the
  // list's selected row.
  void Device_BoxClick();
  // Applies the row whose index is in the device list's Tag.
  void Select_Device();
  // The one body of the 27 type selectors: the row's caption, end, class
  // and picture.
  void Select_Type(const Device_Type& type);
  // A row that is no type: no device, end 0x3FF, device tag unchanged.
  void Select_No_Device();
  // Shows a picture pane until the user confirms the box beside it.
  void Show_Placement(std::string_view pane);

  [[nodiscard]] int Device_Tag() const { return window_.Get("Device").tag; }

  // The last address of the chosen type; 0 until a type is chosen or the
  // configuration restores one, 0x3FF after a row that is no type.
  int32_t Device_End = 0;

 private:
  void Show_End_Address();

  Window_Model& window_;
  Host& host_;
  Control_States& states_;
};

inline constexpr const char* No_Device_Caption = "No Device";
inline constexpr const char* No_Device_Text = "No Device Was Selected.";

}  // namespace tarnik
