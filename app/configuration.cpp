#include "app/configuration.h"

#include <filesystem>

namespace tarnik {

std::string Config_Text(const Configuration& c) {
  std::string text;
  for (const int32_t value : {c.device_row, c.file_type, c.device_end, c.width, c.height, c.top,
                              c.left, c.button_size})
    text += std::to_string(value) + "\r\n";
  text += c.last_file + "\r\n";
  if (!c.log_operations) text += "0\r\n";
  return text;
}

namespace {

bool Absolute_Folder(const char* folder) {
  return folder != nullptr && std::filesystem::path(folder).is_absolute();
}

}  // namespace

std::string User_Config_Folder(const char* xdg_config_home, const char* home) {
  if (Absolute_Folder(xdg_config_home))
    return (std::filesystem::path(xdg_config_home) / "tarnik").string();
  if (Absolute_Folder(home)) return (std::filesystem::path(home) / ".config" / "tarnik").string();
  return {};
}

std::string User_State_Folder(const char* xdg_state_home, const char* home) {
  if (Absolute_Folder(xdg_state_home))
    return (std::filesystem::path(xdg_state_home) / "tarnik").string();
  if (Absolute_Folder(home))
    return (std::filesystem::path(home) / ".local" / "state" / "tarnik").string();
  return {};
}

std::string Config_File_Path(const std::string& start_dir, const std::string& user_folder) {
  if (start_dir.empty())
    return user_folder.empty() ? std::string()
                               : (std::filesystem::path(user_folder) / Config_File_Name).string();
  const std::filesystem::path in_start = std::filesystem::path(start_dir) / Config_File_Name;
  std::error_code error;
  if (user_folder.empty() || std::filesystem::exists(std::filesystem::symlink_status(in_start, error)))
    return in_start.string();
  return (std::filesystem::path(user_folder) / Config_File_Name).string();
}

}  // namespace tarnik
