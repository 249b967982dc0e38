#pragma once
// Faults the simulated programmer shows on request, for tests and for the
// command line's --sim-fault.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_flaky.h"
#include "sim/sim_stuck.h"

namespace tarnik::sim {

struct Sim_Faults {
  bool never_reply = false;      // no command is ever answered
  int no_reply_to = 0;           // the Nth awaited command (from 1) is not answered
  int short_reply_to = 0;        // the Nth awaited command is answered with 5 bytes only
  bool reply_in_pieces = false;  // every reply arrives as 3 bytes, then 5 bytes 10 ms later
  int short_write_at = 0;        // the Nth FT_Write call (from 1) falls short
  int short_write_keeps = -1;    // of which it takes this many bytes; all but one when < 0
  int unplug_after = 0;          // the device vanishes after N packets, inside a write too
  int devices_attached = 1;      // FTDI devices on the bus
  bool bad_reply = false;        // the version reply carries byte 6 = 1
  bool open_fails = false;       // FT_OpenEx fails with "device not opened"
  int corrupt_record = 0;        // the Nth update record (from 1) arrives with a bad byte
  std::vector<Flaky_Bit> flaky;  // bits of the part that read at random
  uint32_t seed = 1;             // of the random reads
  std::vector<Stuck_Pin> stuck_bits;       // data outputs held at one level
  std::vector<Stuck_Pin> stuck_addresses;  // address inputs held at one level
};

// Parses a comma-separated list: no-reply, no-reply=N, short-reply=N, pieces, short-write=N,
// short-write=N:B (the Nth write takes its first B bytes), unplug=N, devices=N, bad-reply, open-fail, bad-record=N, flaky=ADDR:BIT
// (several allowed), stuck-bit=B:V, stuck-address=A:V. Returns nothing on a bad list.
[[nodiscard]] std::optional<Sim_Faults> Parse_Faults(std::string_view text,
                                                    Sim_Faults base = Sim_Faults{});

inline constexpr const char* Fault_Help =
    "no-reply, no-reply=N, short-reply=N, pieces, short-write=N, short-write=N:B, unplug=N, "
    "devices=N, "
    "bad-reply, open-fail, bad-record=N, flaky=ADDR:BIT, stuck-bit=B:V, stuck-address=A:V";

}  // namespace tarnik::sim
