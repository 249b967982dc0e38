#pragma once
// The register sequences that address a location of the part, read it and
// fuse one of its bits, and the address and stop counters that drive every
// device loop (the counters live in the command link).

#include <cstdint>

#include "window/message_pump.h"
#include "window/window_model.h"
#include "devices/device_catalogue.h"
#include "link/command_link.h"

namespace tarnik {

class Device_Access {
 public:
  // `device_end` is the selection's device end, read at every step.
  Device_Access(Command_Link& link, Window_Model& window, Message_Pump& pump,
                const int32_t& device_end);

  // Advances Dev_Addr; a step from the last address or past it raises
  // Stop_Count, which ends the loop.
  void Step_Address();
  // Sends Dev_Addr (A0-A7, A8 in bit 0 of the supply, A9 in bit 2 of the
  // control shadow) and shows it on the Address button.
  void Set_Address();
  void Load_Shadows();
  void Read_Setup();
  // Reads the location at Dev_Addr into the link's Read_Value, masked to
  // bits 0 to 3 for the 4-bit classes.
  void Read_Device_Byte();
  // One fusing pulse on bit Pulse_Bit of the location last addressed, of the
  // device tag's family; nothing before a type is chosen.
  void Program_Bit();
  void Pulse_Signetics();
  void Pulse_National();
  // Sends the closing writes of the last pulse (steps 7 to 10) at once: a
  // cut write may have left its fusing current on. Nothing when no pulse
  // was given or the link is down.
  void Close_Last_Pulse();
  // A new programming run: no pulse of it given yet, so nothing of an
  // earlier run's is closed for it.
  void Begin_Programming() { pulse_given_ = false; last_supplies_ = {}; last_a8_ = 0; }

  [[nodiscard]] int Device_Tag() const { return window_.Get("Device").tag; }
  // The last address a loop reaches: the device end, never past the buffer.
  [[nodiscard]] int32_t Last_Address() const;

  int32_t Supply_Shadow = 0;
  int32_t Control_Shadow = 0;
  int32_t Mode_Shadow = 0;
  int32_t Pulse_Control = 0;
  uint16_t Last_Supply = 0;
  uint16_t Pulse_Bit = 0;

 private:
  struct Pulse_Supplies {
    uint8_t during;  // Reg_Supply while the pulse is given
    uint8_t after;   // Reg_Supply it leaves for the next location
  };

  void Write(uint8_t register_id, int32_t value);
  void Pulse(Pulse_Supplies supplies);
  void Close_Pulse(Pulse_Supplies supplies, int32_t a8);

  Command_Link& link_;
  Window_Model& window_;
  Message_Pump& pump_;
  const int32_t& device_end_;
  // The supplies and A8 of the last pulse given, for its closing writes.
  bool pulse_given_ = false;
  Pulse_Supplies last_supplies_{};
  int32_t last_a8_ = 0;
};

// Register values of the read state and of the programming state.
inline constexpr uint8_t Read_Supply = 0x62;
inline constexpr uint8_t Address_Control = 0xE5;
inline constexpr uint8_t Read_Mode = 0x3B;
inline constexpr uint8_t Program_Pulse_Control = 0x65;
inline constexpr uint8_t Program_Mode = 0x1A;
inline constexpr uint8_t Pulse_Mode = 0x12;
inline constexpr uint8_t Signetics_Pulse_Supply = 0x66;
inline constexpr uint8_t National_Pulse_Supply = 0x36;

}  // namespace tarnik
