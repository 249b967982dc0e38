#pragma once
// The read loop of blank check, verify, move and program compare, a window
// of locations at a time: the addresses and reads of K locations go out in
// one USB write, then the K replies are collected and the locations judged
// in address order. The bytes on the wire and their order are those of one
// location at a time; only the waiting changes. A window whose replies fall
// short is dropped and read again one location at a time, and the link reads
// one location at a time from then on.

#include <cstdint>
#include <functional>

#include "window/window_model.h"
#include "buffer/prom_image.h"
#include "devices/device_access.h"
#include "link/command_link.h"

namespace tarnik {

inline constexpr const char* Read_Window_Off_Line =
    "Replies fell short: reading one location at a time ...";

class Read_Window {
 public:
  using Per_Location = std::function<void(uint8_t& buffer_byte)>;
  // Whether the loop must end now, whatever Stop_Count says.
  using Stop_Check = std::function<bool()>;

  Read_Window(Command_Link& link, Device_Access& access, Window_Model& window);

  // From Dev_Addr while Stop_Count <= 0 and `stop` says no: read the
  // location, run `per_location` on its buffer byte, step the address.
  void Run(Prom_Image& buffer, const Per_Location& per_location,
           const Stop_Check& stop = [] { return false; });

 private:
  // How many locations the next window holds: up to the link's window
  // size, never past the last address.
  [[nodiscard]] int32_t Next_Window() const;
  // Sends and collects one window and judges its locations; false when its
  // replies fell short and the locations are to be read one at a time.
  bool Read_Window_Of(int32_t count, Prom_Image& buffer, const Per_Location& per_location,
                      const Stop_Check& stop);
  void Judge(int32_t address, uint8_t value, Prom_Image& buffer,
             const Per_Location& per_location);
  void Fall_Back();

  Command_Link& link_;
  Device_Access& access_;
  Window_Model& window_;
};

}  // namespace tarnik
