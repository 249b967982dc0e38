#include "devices/device_selection.h"

#include <cstdio>
#include <string>
#include <vector>

#include "window/hex_text.h"
#include "devices/placement_pictures.h"

namespace tarnik {

namespace {

constexpr int32_t No_Device_End = 0x3FF;
// The box beside a picture stands where it does not hide the picture.
constexpr Box_Position Placement_Box_Position{false, 170, 260};

std::string End_Address_Caption(int32_t device_end) {
  return "Device End=" + Hex_Digits_At_Least(static_cast<uint32_t>(device_end), 3);
}

}  // namespace

Device_Selection::Device_Selection(Window_Model& window, Host& host, Control_States& states)
    : window_(window), host_(host), states_(states) {
  const auto& rows = Device_Row_Texts();
  window_.Set_Lines("Device_Box", std::vector<std::string>(rows.begin(), rows.end()));
  for (Picture picture : {Picture::Lower, Picture::Upper, Picture::Page_1, Picture::Page_2})
    window_.Set_Lines(Pane_Name(picture), Placement_Picture(picture));
}

void Device_Selection::DeviceClick() {
  states_.Disable_Commands();
  window_.Set_Visible("Device_Box", true);
}

void Device_Selection::Device_BoxClick() {
  window_.Set_Tag("Device_Box", window_.Get("Device_Box").item_index);
  window_.Set_Visible("Device_Box", false);
  Select_Device();
  states_.Enable_Commands();
}

void Device_Selection::Select_Device() {
  const int row = window_.Get("Device_Box").tag;
  if (const Device_Type* type = Type_At_Row(row)) {
    Select_Type(*type);
  } else if (row >= 0 && row < Device_Rows) {
    Select_No_Device();
  }
  Show_End_Address();
}

void Device_Selection::Select_Type(const Device_Type& type) {
  window_.Set_Caption("Device", std::string(type.caption));
  Device_End = type.end;
  window_.Set_Tag("Device", type.tag);
  Show_Placement(Pane_Name(type.picture));
}

void Device_Selection::Select_No_Device() {
  Device_End = No_Device_End;
  window_.Set_Caption("Device", No_Device_Caption);
  Message_Box_Request box;
  box.text = No_Device_Text;
  box.icon = Box_Icon::Information;
  box.buttons = Box_Buttons::Ok;
  box.title = Window_Title;
  host_.Message_Box(box);
}

void Device_Selection::Show_Placement(std::string_view pane) {
  window_.Set_Visible(pane, true);
  Message_Box_Request box;
  box.icon = Box_Icon::Information;
  box.buttons = Box_Buttons::Ok;
  box.position = Placement_Box_Position;
  box.title = Window_Title;
  host_.Message_Box(box);
  window_.Set_Visible(pane, false);
}

void Device_Selection::Show_End_Address() {
  window_.Set_Caption("End_Add", End_Address_Caption(Device_End));
}

}  // namespace tarnik
