#include "sim/sim_state.h"

#include <cstdio>
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
  const Bounded_File file = Read_Bounded_File(path, Sim_State_Limit);
  if (file.too_long) {
    error = Too_Long_Text(path, Sim_State_Limit) + "; it is no simulator state";
    return {};
  }
  if (!file.bytes) return Sim_State{Make_Sim_Part(type_name, error), std::nullopt};
  Sim_State state = Parse_Sim_State(*file.bytes, error);
  if (!state.part && !error.empty()) error = path + ": " + error;
  return state;
}

Sim_State Parse_Sim_State(std::string_view text, std::string& error) {
  Sim_State state;
  std::istringstream lines{std::string(text)};
  std::ostringstream part_text;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(Firmware_Key, 0) != 0) {
      part_text << line << '\n';
      continue;
    }
    state.firmware = Parse_Version(std::string_view(line).substr(Firmware_Key.size()));
    if (!state.firmware) {
      error = "the firmware line is no version such as 1.07";
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
