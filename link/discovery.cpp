#include "link/discovery.h"

namespace tarnik {

Discovery::Discovery(Usb_Access& usb, Command_Link& link, Window_Model& window, Host& host)
    : usb_(usb), link_(link), window_(window), host_(host) {}

std::string Discovery::Version_Text(uint8_t major, uint8_t minor) {
  std::string minor_text = std::to_string(minor);
  if (minor_text.size() == 1) minor_text = "0" + minor_text;
  return std::to_string(major) + "." + minor_text;
}

Box_Answer Discovery::Discovery_Box(std::string text, Box_Icon icon, Box_Buttons buttons) {
  Message_Box_Request box;
  box.text = std::move(text);
  box.icon = icon;
  box.buttons = buttons;
  box.position = Box_Position{false, 375, 325};
  box.title = Window_Title;
  return host_.Message_Box(box);
}

void Discovery::Show_Not_Found() {
  Discovery_Box(Not_Found_Text, Box_Icon::Information, Box_Buttons::Ok);
}

bool Discovery::Open_Programmer() {
  usb_.GetFTDeviceSerialNo(0);
  usb_.GetFTDeviceDescription(0);
  // A handle from an earlier discovery is released first, so that it does
  // not leak and the open does not fail on a device this process holds.
  if (usb_.Usb_Opened) usb_.Usb_Close();
  if (usb_.Open_USB_Device_By_Serial_Number("") != FT_OK) return false;
  usb_.Usb_Set_Timeouts(40, 0);
  return true;
}

void Discovery::Ask_Version() {
  link_.Packet_Len = 8;
  for (std::size_t i = 0; i < 7; ++i) link_.Cmd_Packet[i] = 0;
  link_.Cmd_Packet[0] = Cmd_Version;
  link_.Cmd_Packet[7] = Cmd_Version;
  window_.Set_Tag("MainForm", 1);
  link_.Send_Packet();
}

void Discovery::Accept_Version() {
  const uint8_t major = link_.Reply(1);
  const uint8_t minor = link_.Reply(2);
  window_.Set_Tag("MainForm", 2);
  window_.Set_Caption("StaticText3",
                      "Usb Programmer Found - FirmWare Version " + Version_Text(major, minor));
  window_.Set_Tag("StaticText3", 0);
  Firmware_Version = major * 256 + minor;
}

void Discovery::Find_Programmer() {
  window_.Set_Tag("StaticText3", 1);
  window_.Clear_Lines("Memo1");
  window_.Set_Visible("Memo1", true);
  usb_.GetFTDeviceCount();
  if (usb_.Usb_Device_Count != 1) {
    Show_Not_Found();
  } else if (!Open_Programmer()) {
    // No programmer to talk to: the link sends nothing until the next search.
    window_.Set_Tag("MainForm", 0);
    Show_Not_Found();
  } else {
    Ask_Version();
    if (link_.Reply(6) != 0) {
      Show_Not_Found();
    } else {
      Accept_Version();
      if (Firmware_Version < Required_Version &&
          Discovery_Box(Update_Question_Text, Box_Icon::Confirmation, Box_Buttons::Yes_No) ==
              Box_Answer::Yes &&
          flash_update_) {
        flash_update_();
      }
    }
  }
  window_.Set_Visible("Memo1", false);
}

}  // namespace tarnik
