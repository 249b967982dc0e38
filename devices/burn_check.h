#pragma once
// The check before a burn that names every problem: one read of the whole
// part, then every location that cannot take the buffer, in address order,
// and their count. A location cannot take its buffer byte when the part
// holds a 1 in a data bit where the byte has a 0: programming only ever adds
// 1 bits. Unlike the program compare, it does not stop at the first.

#include <cstdint>
#include <string>
#include <vector>

#include "window/control_states.h"
#include "window/message_pump.h"
#include "window/operation_progress.h"
#include "window/window_model.h"
#include "buffer/prom_image.h"
#include "devices/device_access.h"
#include "devices/link_fault_watch.h"
#include "link/command_link.h"

namespace tarnik {

struct Unfit_Location {
  int32_t address = 0;
  uint8_t wanted = 0;  // the buffer's byte
  uint8_t found = 0;   // the part's byte, in its data bits
  friend bool operator==(const Unfit_Location&, const Unfit_Location&) = default;
};

// Whether a location holding `found` can be programmed to `wanted`; a 4-bit
// class (device tag 3 or 4) takes only bits 0 to 3 of the buffer byte.
[[nodiscard]] bool Can_Take(uint8_t wanted, uint8_t found, int device_tag);

// "0013  CANNOT TAKE-5A PART HAS-7E"
[[nodiscard]] std::string Unfit_Line(const Unfit_Location& location);
// "3 Locations Cannot Take the Buffer"
[[nodiscard]] std::string Unfit_Summary(std::size_t count);

class Burn_Check {
 public:
  Burn_Check(Window_Model& window, Control_States& states, Message_Pump& pump,
             Command_Link& link, Device_Access& access, const Prom_Image& prom_buffer);

  // Reads the part once with the program compare's frame and texts, lists
  // every unfit location in the message list and sets the failure flag when
  // there is one. The buffer is not changed. A run the link cut short says
  // so instead of its result.
  void Run();

  [[nodiscard]] const std::vector<Unfit_Location>& Unfit() const { return unfit_; }
  // Where the read reports how far it is; none by default.
  void Set_Progress(Operation_Progress* progress) { progress_ = progress; }

 private:
  void Judge(uint8_t wanted);
  void Finish();

  Window_Model& window_;
  Control_States& states_;
  Message_Pump& pump_;
  Command_Link& link_;
  Device_Access& access_;
  const Prom_Image& prom_buffer_;
  Link_Fault_Watch watch_;
  std::vector<Unfit_Location> unfit_;
  Operation_Progress* progress_ = nullptr;
};

}  // namespace tarnik
