#pragma once
// The configuration file Tarnik.Cfg: nine lines, CR LF, decimal numbers,
// kept in the directory the program started in when one is there, else in
// the user's configuration folder.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnik {

inline constexpr const char* Config_File_Name = "Tarnik.Cfg";
// Nine short lines; a longer file is no configuration and is not read.
inline constexpr std::size_t Config_File_Limit = 64 * 1024;

struct Configuration {
  int32_t device_row = 0;   // Tag of Device_Box
  int32_t file_type = 0;    // Tag of File_Type
  int32_t device_end = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t top = 0;
  int32_t left = 0;
  int32_t button_size = 0;  // Tag of Scale
  std::string last_file;
  // A tenth line "0" keeps the window's operations out of the log; a file
  // of nine lines, as the window writes while it logs, logs them.
  bool log_operations = true;
};

// The lines, each ended by CR LF.
[[nodiscard]] std::string Config_Text(const Configuration& config);

// The user's folder for the settings: $XDG_CONFIG_HOME/tarnik, else
// $HOME/.config/tarnik. A relative or empty XDG_CONFIG_HOME is ignored, as
// the XDG base directory rules ask; empty when neither names a folder.
[[nodiscard]] std::string User_Config_Folder(const char* xdg_config_home, const char* home);

// The user's folder for the operation log: $XDG_STATE_HOME/tarnik, else
// $HOME/.local/state/tarnik, by the same rules; empty when neither names one.
[[nodiscard]] std::string User_State_Folder(const char* xdg_state_home, const char* home);

// Where Tarnik.Cfg is read and written: in the start folder when that folder
// already holds one, so that a user who keeps it there keeps it; else in the
// user's folder; in the start folder too when there is no user folder.
// Empty when neither folder is known.
[[nodiscard]] std::string Config_File_Path(const std::string& start_dir,
                                           const std::string& user_folder);

}  // namespace tarnik
