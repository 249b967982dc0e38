#pragma once
// The five things the user does with a part in the adapter: blank check,
// verify, move into the buffer, program compare and program.

#include <cstdint>
#include <functional>
#include <string>

#include "window/control_states.h"
#include "window/message_pump.h"
#include "window/window_model.h"
#include "buffer/prom_image.h"
#include "devices/device_access.h"
#include "devices/link_fault_watch.h"
#include "link/command_link.h"

namespace tarnik {

class Device_Operations {
 public:
  // `show_checksum` shows the buffer's checksum, then the ready state and the
  // idle sequence; a move runs it after reading the part.
  Device_Operations(Window_Model& window, Control_States& states, Message_Pump& pump,
                    Command_Link& link, Device_Access& access, Prom_Image& prom_buffer,
                    std::function<void()> show_checksum);

  void Blank_ChkClick();
  void Verify_EpromClick();
  void Move_EpromClick();
  void CompareClick();
  void Program_EpromClick();
  // The verify pass, with its own busy and ready states; shared by the
  // verify button and the end of programming.
  void Verify_Device();

 private:
  // Busy state, idle sequence and the start message; a listing operation
  // also clears the message list and shows it.
  void Begin(const char* start_message, bool lists_findings);
  // Read set-up, then each location from 0: read, `per_location`, step.
  void Read_Loop(const std::function<void(uint8_t& buffer_byte)>& per_location);
  // Ready state and idle sequence; then an operation the link stopped says
  // so.
  void Finish();
  // When the link failed since `watch` started: the failure flag, the stop
  // text and the message list with the fault lines in view. Returns whether
  // it did.
  bool Show_Stopped(const Link_Fault_Watch& watch);
  void Report_Finding(std::string line);
  void Set_Status(const char* text);
  [[nodiscard]] bool Failed() const { return window_.Failure_Flag() != 0; }
  void Write_Control(int32_t value);
  // Addresses the location and fires one pulse for each of its 1 bits.
  void Program_Location(uint8_t buffer_byte);

  Window_Model& window_;
  Control_States& states_;
  Message_Pump& pump_;
  Command_Link& link_;
  Device_Access& access_;
  Prom_Image& prom_buffer_;
  std::function<void()> show_checksum_;
  Link_Fault_Watch watch_;
};

// Waits of programming, in milliseconds.
inline constexpr int Program_Setup_Wait_Ms = 50;
inline constexpr int Program_Location_Wait_Ms = 10;
inline constexpr int Program_Verify_Wait_Ms = 75;

}  // namespace tarnik
