#include "sim/sim_state.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "window/text_file.h"

namespace tarnik::sim {

namespace {

constexpr std::string_view Firmware_Key = "firmware ";

std::optional<Firmware_Version> Parse_Version(std::string_view text) {
  unsigned major = 0;
  unsigned minor = 0;
  char extra = 0;
  if (std::sscanf(std::string(text).c_str(), "%u.%u%c", &major, &minor, &extra) != 2 ||
      major > 255 || minor > 255)
    return std::nullopt;
  return Firmware_Version{static_cast<uint8_t>(major), static_cast<uint8_t>(minor)};
}

}  // namespace

Sim_State Load_Sim_State(const std::string& path, std::string_view type_name,
                         std::string& error) {
  Sim_State state;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    state.part = Make_Sim_Part(type_name, error);
    return state;
  }
  std::ostringstream part_text;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(Firmware_Key, 0) != 0) {
      part_text << line << '\n';
      continue;
    }
    state.firmware = Parse_Version(std::string_view(line).substr(Firmware_Key.size()));
    if (!state.firmware) {
      error = "the firmware line of " + path + " is no version such as 1.07";
      return state;
    }
  }
  state.part = Sim_Part::From_State_Text(part_text.str(), error);
  return state;
}

std::string Sim_State_Text(const Sim_Part& part, Firmware_Version firmware) {
  char line[32];
  std::snprintf(line, sizeof line, "firmware %u.%02u\n", unsigned{firmware.major},
                unsigned{firmware.minor});
  return line + part.State_Text();
}

bool Save_Sim_State(const std::string& path, const Sim_Part& part, Firmware_Version firmware) {
  return Write_File_Atomically(path, Sim_State_Text(part, firmware));
}

}  // namespace tarnik::sim
