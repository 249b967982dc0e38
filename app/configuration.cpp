#include "app/configuration.h"

namespace tarnik {

std::string Config_Text(const Configuration& c) {
  std::string text;
  for (const int32_t value : {c.device_row, c.file_type, c.device_end, c.width, c.height, c.top,
                              c.left, c.button_size})
    text += std::to_string(value) + "\r\n";
  text += c.last_file + "\r\n";
  return text;
}

}  // namespace tarnik
