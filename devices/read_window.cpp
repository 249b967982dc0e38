#include "devices/read_window.h"

#include <algorithm>

#include "window/hex_text.h"
#include "devices/device_catalogue.h"

namespace tarnik {

Read_Window::Read_Window(Command_Link& link, Device_Access& access, Window_Model& window)
    : link_(link), access_(access), window_(window) {}

int32_t Read_Window::Next_Window() const {
  if (window_.Link_State() <= 0) return 1;
  const int32_t last = std::min(access_.Last_Address(), Prom_Last);
  const int32_t size = std::clamp(link_.Read_Window, 1, Command_Link::Max_Read_Window);
  return std::clamp(last - link_.Dev_Addr + 1, 1, size);
}

void Read_Window::Run(Prom_Image& buffer, const Per_Location& per_location,
                      const Stop_Check& stop) {
  do {
    if (!Within_Buffer(link_.Dev_Addr)) break;
    const int32_t count = Next_Window();
    if (count > 1 && Read_Window_Of(count, buffer, per_location, stop)) continue;
    access_.Read_Device_Byte();
    // A read the link failed brought no byte of the part.
    if (stop()) break;
    per_location(buffer[static_cast<std::size_t>(link_.Dev_Addr)]);
    access_.Step_Address();
  } while (link_.Stop_Count <= 0 && !stop());
}

bool Read_Window::Read_Window_Of(int32_t count, Prom_Image& buffer,
                                 const Per_Location& per_location, const Stop_Check& stop) {
  const int32_t first = link_.Dev_Addr;
  for (int32_t i = 0; i < count; ++i) {
    link_.Dev_Addr = first + i;
    access_.Set_Address();
    link_.Queue_Read();
  }
  link_.Dev_Addr = first;
  const bool whole = link_.Collect_Replies(static_cast<uint32_t>(count));
  // A packet of the window that did not go out whole leaves the registers
  // unknown: none of its replies is judged, and nothing is read again.
  if (stop()) return true;
  if (!whole) {
    Fall_Back();
    return false;
  }
  const std::vector<uint8_t> values = link_.Window_Values;
  for (const uint8_t value : values) {
    Judge(link_.Dev_Addr, value, buffer, per_location);
    access_.Step_Address();
    // Program compare stops at its first failure; the rest of the window
    // was read but is not judged.
    if (link_.Stop_Count > 0 || stop()) break;
  }
  return true;
}

void Read_Window::Judge(int32_t address, uint8_t value, Prom_Image& buffer,
                        const Per_Location& per_location) {
  window_.Set_Caption("Address", Hex_Digits_At_Least(static_cast<uint32_t>(address), 4));
  link_.Read_Value = Is_Four_Bit_Class(access_.Device_Tag()) ? static_cast<uint8_t>(value & 0x0F) : value;
  per_location(buffer[static_cast<std::size_t>(address)]);
}

void Read_Window::Fall_Back() {
  link_.Read_Window = 1;
  window_.Insert_Line("Memo1", 0, Read_Window_Off_Line);
}

}  // namespace tarnik
