#pragma once
// The firmware flash update: sends an update file's records to the
// programmer, asks it for the checksum of its new flash, compares it with
// the file's and closes the update.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window/control_states.h"
#include "window/host.h"
#include "window/window_model.h"
#include "link/command_link.h"
#include "link/usb_access.h"

namespace tarnik {

inline constexpr const char* Invalid_Update_Text =
    "Invalid File Type...\r\nCan Not Update Units With This File......";

class Flash_Updater {
 public:
  // `open_dialog` runs the window's open dialog and returns the chosen path.
  using Open_Dialog = std::function<std::optional<std::string>()>;

  Flash_Updater(Usb_Access& usb, Command_Link& link, Window_Model& window, Host& host,
                Control_States& states, Open_Dialog open_dialog);

  void Flash_Update();

  // How many whole records an update file of `size` bytes holds.
  [[nodiscard]] static std::size_t Record_Count(std::size_t size);

 private:
  [[nodiscard]] bool Header_Valid(const std::vector<uint8_t>& file) const;
  void Send_Records(const std::vector<uint8_t>& file);
  void Check_Flash(const std::vector<uint8_t>& file);
  void Write_Packet(uint32_t count, const char* timeout_line);
  void Show_Warning(const char* text);

  Usb_Access& usb_;
  Command_Link& link_;
  Window_Model& window_;
  Host& host_;
  Control_States& states_;
  Open_Dialog open_dialog_;
};

}  // namespace tarnik
