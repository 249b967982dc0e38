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
#include "link/update_file.h"
#include "link/usb_access.h"

namespace tarnik {

inline constexpr const char* Invalid_Update_Text =
    "Invalid File Type...\r\nCan Not Update Units With This File......";
inline constexpr const char* Update_Too_Long_Text =
    "Update File Too Long...\r\nCan Not Update Units With This File......";
inline constexpr const char* Good_Update_Text = "Good Update...";
inline constexpr const char* Bad_Update_Text = "Warning: Bad Update...";
inline constexpr const char* Unfinished_Update_Text = "Warning: Update Not Finished...";

// How the last update ended, for the command line's exit status.
enum class Update_Outcome { Not_Run, Cancelled, Refused_File, Good, Bad_Checksum, Link_Fault };

class Flash_Updater {
 public:
  // `open_dialog` runs the window's open dialog and returns the chosen path.
  using Open_Dialog = std::function<std::optional<std::string>()>;

  Flash_Updater(Usb_Access& usb, Command_Link& link, Window_Model& window, Host& host,
                Control_States& states, Open_Dialog open_dialog);

  void Flash_Update();

  // How many whole records an update file of `size` bytes holds.
  [[nodiscard]] static std::size_t Record_Count(std::size_t size);

  Update_Outcome Outcome = Update_Outcome::Not_Run;

 private:
  // What went wrong on the link during one update.
  struct Losses {
    int short_records = 0;
    int lost_record_replies = 0;
    bool check_short = false;
    bool check_unanswered = false;
    bool end_short = false;
    [[nodiscard]] bool Any() const;
    [[nodiscard]] std::string Text() const;
  };

  void Refuse_File(const char* text, const std::string& path);
  void Send_Records(const Update_File& file);
  void Check_Flash(const Update_File& file);
  // Returns whether the whole packet went out.
  bool Write_Packet(uint32_t count, const char* timeout_line);
  // Returns whether a whole reply came.
  bool Reply_Came();
  void Show_Warning(const std::string& text);

  Usb_Access& usb_;
  Command_Link& link_;
  Window_Model& window_;
  Host& host_;
  Control_States& states_;
  Open_Dialog open_dialog_;
  Losses losses_;
};

}  // namespace tarnik
