#pragma once
// The simulated programmer with the part in its socket, as both front ends
// build it from their options.
//
// Without a state file the socket follows the device list, as a user swaps
// chips: empty until a type is chosen, then a blank part of each type that
// is chosen. With a state file the part lives in that file: read at start,
// kept whatever type is chosen once it has one, and written back whenever it
// changed. --sim-part pins the part in the socket in either case.

#include <memory>
#include <optional>
#include <string>

#include "window/clock.h"
#include "devices/device_catalogue.h"
#include "sim/sim_batch.h"
#include "sim/sim_faults.h"
#include "sim/sim_part.h"
#include "sim/sim_programmer.h"
#include "sim/sim_state.h"

namespace tarnik::sim {

struct Sim_Setup_Options {
  std::string state_path;                    // empty: no state file
  std::string part_name;                     // empty: the socket follows the chosen type
  std::string initial_type;                  // chosen before the first command; empty: none
  std::optional<Firmware_Version> firmware;  // none: the state file's, else 1.07
  Sim_Faults faults;
  // Kept where the packets are read back: by tests and by the firmware on a
  // socket, whose trace and unplug count come from them.
  Wire_Record record = Wire_Record::Off;
  // The parts a run of many takes in turn; after the last, blank ones. A
  // batch lives in no state file and follows the chosen type.
  std::vector<Batch_Part> batch;
};

class Sim_Setup {
 public:
  Sim_Setup(Clock& clock, const Sim_Setup_Options& options);
  Sim_Setup(const Sim_Setup&) = delete;
  Sim_Setup& operator=(const Sim_Setup&) = delete;

  [[nodiscard]] Sim_Programmer& Programmer() { return programmer_; }
  [[nodiscard]] const Sim_Part& Part() const { return *part_; }

  // What went wrong while the part was built, or empty. A state file that
  // cannot be read is then left alone: nothing is written to it.
  [[nodiscard]] const std::string& Error() const { return error_; }
  // Whether the part was refused outright (unknown name, unreadable or
  // damaged state, a state holding another part than --sim-part names); the
  // socket then holds what the file holds, or nothing.
  [[nodiscard]] bool Refused() const { return !error_.empty(); }

  // A type was chosen in the device list (null for a row that is no type).
  // Swaps in a blank part of that type unless the part is pinned. Returns,
  // the first time only, a line saying which part sits in the socket when
  // the pinned part is of another type.
  [[nodiscard]] std::optional<std::string> Type_Chosen(const Device_Type* type);

  // Writes the state file when the part or the firmware changed since it
  // was read or last written. Returns the reason when the file cannot be
  // written, once for each run of failures.
  [[nodiscard]] std::optional<std::string> Save_If_Changed();

  // The part in the socket is taken out and the batch's next one, of the
  // same type, put in.
  void Next_Part();

 private:
  void Load_State(const Sim_Setup_Options& options, const std::string& part_name);
  void Seat(std::unique_ptr<Sim_Part> part);
  // The batch's current part of `type`, or a blank one past the batch.
  void Seat_Batch_Part(const Device_Type* type);
  [[nodiscard]] bool Pinned() const;
  [[nodiscard]] std::string State_Text() const;

  Sim_Programmer programmer_;
  std::unique_ptr<Sim_Part> part_;
  std::string state_path_;
  bool part_named_ = false;
  std::string saved_text_;
  std::string error_;
  bool noted_ = false;
  bool save_failing_ = false;
  std::vector<Batch_Part> batch_;
  std::size_t batch_index_ = 0;
  const Device_Type* batch_type_ = nullptr;
};

}  // namespace tarnik::sim
