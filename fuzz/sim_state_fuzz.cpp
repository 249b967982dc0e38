// Feeds arbitrary text to the simulated programmer's state-file reader and
// checks what it promises: a refused text says why, and an accepted one
// describes a part that writes back to a text which reads as the same part.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/sim_state.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const tarnik::sim::Sim_State state = tarnik::sim::Parse_Sim_State(text, error);
  if (!state.part) {
    Check(!error.empty());
    return 0;
  }
  const tarnik::sim::Firmware_Version firmware = state.firmware.value_or(tarnik::sim::Firmware_Version{});
  const std::string written = tarnik::sim::Sim_State_Text(*state.part, firmware);
  std::string again_error;
  const tarnik::sim::Sim_State again = tarnik::sim::Parse_Sim_State(written, again_error);
  Check(again.part != nullptr);
  Check(again.part->Type_Name() == state.part->Type_Name());
  Check(again.part->Fuses() == state.part->Fuses());
  Check(again.firmware && again.firmware->major == firmware.major && again.firmware->minor == firmware.minor);
  return 0;
}
