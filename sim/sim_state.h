#pragma once
// The state file of the simulated programmer: the firmware it runs and the
// part in its socket, kept between runs as a small text a person can read.
// The firmware line reads "firmware X.YY"; the rest is the part's state.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_part.h"

namespace tarnik::sim {

struct Firmware_Version {
  uint8_t major = 1;
  uint8_t minor = 7;
};

struct Sim_State {
  std::unique_ptr<Sim_Part> part;
  std::optional<Firmware_Version> firmware;  // none when the file names none
};

// Loads the state; a missing file gives a blank part of `type_name` and no
// firmware. Returns a state without a part, and the reason naming the file,
// on a bad or too long file.
[[nodiscard]] Sim_State Load_Sim_State(const std::string& path, std::string_view type_name,
                                       std::string& error);

// The state a state file's text describes; without a part, and the reason,
// when the text is damaged.
[[nodiscard]] Sim_State Parse_Sim_State(std::string_view text, std::string& error);

[[nodiscard]] std::string Sim_State_Text(const Sim_Part& part, Firmware_Version firmware);

bool Save_Sim_State(const std::string& path, const Sim_Part& part, Firmware_Version firmware);

}  // namespace tarnik::sim
