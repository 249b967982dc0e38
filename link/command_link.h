#pragma once
// The command link: 8-byte packets with their checksum, register writes,
// reads with the timed reply wait, the idle sequence and the link faults in
// the message list, all gated by the link state.
//
// Register writes wait for no reply, so the link queues them and hands them
// to the driver in one write together with the next packet that does wait,
// or before the window pumps its messages or the logic sleeps. The bytes and
// their order on the wire are those of one write per packet; a read costs one
// USB transfer instead of four.

#include <array>
#include <string>
#include <cstdint>
#include <vector>

#include "window/control_states.h"
#include "window/host.h"
#include "window/message_pump.h"
#include "window/window_model.h"
#include "link/usb_access.h"

namespace tarnik {

inline constexpr uint8_t Cmd_Read = 0x22;
inline constexpr uint8_t Cmd_Version = 0x56;
inline constexpr uint8_t Cmd_Reg_Write = 0x94;
inline constexpr uint8_t Cmd_Flash_Check = 0xAA;
inline constexpr uint8_t Cmd_Flash_End = 0x52;

inline constexpr uint8_t Reg_Supply = 0x0F;
inline constexpr uint8_t Reg_1F = 0x1F;
inline constexpr uint8_t Reg_Addr_Lo = 0x2F;
inline constexpr uint8_t Reg_Control = 0x3F;
inline constexpr uint8_t Reg_Bit_Select = 0x4F;
inline constexpr uint8_t Reg_Mode = 0x5F;

inline constexpr uint8_t Reply_Failed_Mark = 0x55;

class Command_Link {
 public:
  static constexpr int Timer1_Period_Ms = 1000;
  static constexpr uint32_t Reply_Len = 8;
  // The replies of a window must fit the FTDI chip's 128-byte transmit
  // buffer while the host is not reading.
  static constexpr int Max_Read_Window = 16;
  static constexpr int Default_Read_Window = 16;
  // A window that fell short is drained until a pause this long stays quiet.
  static constexpr int Drain_Quiet_Ms = 50;
  static constexpr int Drain_Passes = 20;

  Command_Link(Usb_Access& usb, Host& host, Window_Model& window, Message_Pump& pump,
               Control_States& states);

  void Send_Packet();
  void Wait_Reply();
  uint8_t Read_Byte();
  void Write_Reg(uint8_t register_id);
  void Set_Idle();
  void Timer1Timer();

  // Hands the queued register writes to the driver.
  void Flush();

  // A read window: reads queued without waiting for their replies, then the
  // replies of all of them collected at once, all or nothing. On success
  // Window_Values holds reply byte 1 of each, in order, and Reply_Packet the
  // last reply. When they fall short (time-out, failing poll) whatever came
  // is dropped once the line is quiet, and nothing is reported: Stop_Count
  // and the message list are as they were.
  void Queue_Read();
  bool Collect_Replies(uint32_t replies);
  // Byte 7 of the packet := the sum of bytes 0 to 6, modulo 256.
  void Set_Checksum();

  [[nodiscard]] uint8_t Reply(std::size_t index) const { return usb_.Reply_Packet[index]; }

  std::array<uint8_t, Usb_Access::Cmd_Size> Cmd_Packet{};
  uint32_t Packet_Len = 8;
  int32_t Stop_Count = 0;
  uint8_t Wait_Timeout = 0;
  uint16_t Reg_Value = 0;
  uint8_t Read_Value = 0;
  int32_t Dev_Addr = 0;
  // Link faults (short writes, failed waits) since the program started, and
  // of them the failed waits.
  uint32_t Link_Faults = 0;
  // Locations a device loop reads per window; 1 reads one at a time.
  int Read_Window = Default_Read_Window;
  std::vector<uint8_t> Window_Values;
  uint32_t Failed_Waits = 0;
  // Times the device was found gone; each one ended the link.
  uint32_t Links_Lost = 0;
  // The message-list line of a lost device, with the driver's status.
  [[nodiscard]] static std::string Lost_Line(FT_STATUS status);
  // Bytes the last reply wait read: a whole reply is Reply_Len of them.
  uint32_t Last_Reply_Len = 0;

 private:
  void Queue_Packet();
  void Fail_Wait(FT_STATUS status);
  // The device is gone: one line, the link state to none, every loop ended.
  void Lose_Link();
  void Drop_Extra_Reply_Bytes(uint32_t queued, uint32_t read);
  bool Take_Window(uint32_t replies);
  void Drain_Replies();
  void Insert_Memo_Line(std::string line);

  Usb_Access& usb_;
  Host& host_;
  Window_Model& window_;
  Message_Pump& pump_;
  Control_States& states_;
  std::vector<uint8_t> queued_;
};

}  // namespace tarnik
