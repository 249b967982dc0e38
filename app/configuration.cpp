#include "app/configuration.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tarnik {

std::string Config_Text(const Configuration& c) {
  std::string text;
  for (const int32_t value : {c.device_row, c.file_type, c.device_end, c.width, c.height, c.top,
                              c.left, c.button_size})
    text += std::to_string(value) + "\r\n";
  text += c.last_file + "\r\n";
  return text;
}

bool Write_File_Atomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) std::remove(temporary.c_str());
  return !error;
}

}  // namespace tarnik
