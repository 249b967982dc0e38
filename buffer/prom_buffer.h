#pragma once
// The buffer unit: the device image in memory, its checksum over the device
// range and the fill command with its list and value box.

#include <cstdint>
#include <string>

#include "window/control_states.h"
#include "window/window_model.h"
#include "buffer/prom_image.h"
#include "link/command_link.h"

namespace tarnik {

// The 16-bit sum of positions 0 to `device_end`, wrapping; 0 for a negative
// device end, and never past the image for a device end above its last
// position.
[[nodiscard]] uint16_t Sum_Device_Range(const Prom_Image& image, int32_t device_end);

// "CheckSum=" and the sum as four upper-case hex digits.
[[nodiscard]] std::string Checksum_Caption(uint16_t sum);

class Prom_Buffer_Unit {
 public:
  static constexpr int Fill_Row_00 = 0;
  static constexpr int Fill_Row_FF = 1;
  static constexpr int Fill_Row_Typed = 2;
  static constexpr int Fill_Row_Cancel = 3;

  // `device_end` belongs to the device selection; the buffer only reads it.
  Prom_Buffer_Unit(Window_Model& window, Control_States& states, Command_Link& link,
                   const int32_t& device_end);
  // Works on an image the caller owns, so that units built before this one
  // can hold a reference to it.
  Prom_Buffer_Unit(Window_Model& window, Control_States& states, Command_Link& link,
                   Prom_Image& image, const int32_t& device_end);
  Prom_Buffer_Unit(const Prom_Buffer_Unit&) = delete;
  Prom_Buffer_Unit& operator=(const Prom_Buffer_Unit&) = delete;

  // Sums the device range, shows the sum on Chk_Sum_But, leaves the busy
  // state and idles the programmer.
  void Show_Checksum();

  void Chk_Sum_ButClick();
  void FillClick();
  void FillBoxClick();
  // One character typed into Fill_Edit: hex digits and backspace edit the
  // box, carriage return fills the buffer with its value, anything else is
  // discarded. A pasted text that is no hex number throws Handler_Error and
  // leaves the buffer and the busy state as they were.
  void Fill_EditKeyPress(char key);

  // Sets all 1024 bytes, whatever the device range.
  void Fill_Buffer(uint8_t value);

 private:
  Prom_Image own_image_{};

 public:
  Prom_Image& Prom_Buffer;
  uint16_t Buffer_Sum = 0;

 private:
  [[nodiscard]] std::string Fill_Edit_Text() const;
  void Set_Fill_Edit_Text(std::string text);
  void Fill_From_Edit();

  Window_Model& window_;
  Control_States& states_;
  Command_Link& link_;
  const int32_t& device_end_;
};

}  // namespace tarnik
