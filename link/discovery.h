#pragma once
// Programmer discovery: find the one FTDI device, open it, ask the programmer
// for its firmware version and show the result on the status line.

#include <cstdint>
#include <functional>
#include <string>

#include "window/host.h"
#include "window/window_model.h"
#include "link/command_link.h"
#include "link/usb_access.h"

namespace tarnik {

class Discovery {
 public:
  static constexpr int32_t Required_Version = 0x107;

  Discovery(Usb_Access& usb, Command_Link& link, Window_Model& window, Host& host);

  void Find_Programmer();

  // What the Yes answer to the update question runs.
  void Set_Flash_Update(std::function<void()> flash_update) {
    flash_update_ = std::move(flash_update);
  }

  [[nodiscard]] static std::string Version_Text(uint8_t major, uint8_t minor);

  int32_t Firmware_Version = 0;

 private:
  void Show_Not_Found();
  // Whether the one device opened; with no handle nothing may be sent.
  bool Open_Programmer();
  void Ask_Version();
  void Accept_Version();
  Box_Answer Discovery_Box(std::string text, Box_Icon icon, Box_Buttons buttons);

  Usb_Access& usb_;
  Command_Link& link_;
  Window_Model& window_;
  Host& host_;
  std::function<void()> flash_update_;
};

inline constexpr const char* Not_Found_Text = "The Zorvik Programmer Could Not Be Found....";
inline constexpr const char* Update_Question_Text =
    "This Software Requires Firmware Version - 1.07\r\nDo You Want to Flash Update the Programmer ?";

}  // namespace tarnik
