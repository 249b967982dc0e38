#include "link/command_link.h"

#include <numeric>
#include <string>

namespace tarnik {

Command_Link::Command_Link(Usb_Access& usb, Host& host, Window_Model& window,
                           Message_Pump& pump, Control_States& states)
    : usb_(usb), host_(host), window_(window), pump_(pump), states_(states) {
  pump_.Set_Before_Pump([this] { Flush(); });
  host_.Set_Timer1_Handler([this] { Timer1Timer(); });
}

void Command_Link::Insert_Memo_Line(std::string line) {
  window_.Insert_Line("Memo1", 0, std::move(line));
}

void Command_Link::Queue_Packet() {
  queued_.insert(queued_.end(), Cmd_Packet.begin(), Cmd_Packet.begin() + Packet_Len);
}

void Command_Link::Flush() {
  if (queued_.empty()) return;
  const auto total = static_cast<uint32_t>(queued_.size());
  const uint32_t written = usb_.Usb_Write(queued_.data(), total, Packet_Len);
  if (usb_.Device_Lost()) {
    queued_.clear();
    Lose_Link();
    return;
  }
  if (written != total) {
    // One line for the write that fell short, however many packets it
    // carried: a line per lost packet would bury the one that says what
    // happened.
    Insert_Memo_Line("USB Device Write TimeOut ...");
    ++Link_Faults;
  }
  queued_.clear();
}

void Command_Link::Set_Checksum() {
  Cmd_Packet[7] = static_cast<uint8_t>(
      std::accumulate(Cmd_Packet.begin(), Cmd_Packet.begin() + 7, 0u) & 0xFF);
}

void Command_Link::Lose_Link() {
  if (window_.Link_State() <= 0) return;
  // Nothing more goes out until discovery finds the programmer again.
  window_.Set_Tag("MainForm", 0);
  usb_.Reply_Packet[6] = Reply_Failed_Mark;
  Last_Reply_Len = 0;
  Stop_Count = 5;
  host_.Stop_Timer1();
  ++Link_Faults;
  ++Links_Lost;
  Insert_Memo_Line(Lost_Line(usb_.Lost_Status()));
  states_.Enable_Commands();
}

std::string Command_Link::Lost_Line(FT_STATUS status) {
  return "Device no longer present ... PortStatus-" + std::to_string(status) + " USB-0";
}

void Command_Link::Send_Packet() {
  if (window_.Link_State() <= 0) return;
  Set_Checksum();
  Queue_Packet();
  if (Cmd_Packet[0] < 0x80 || Packet_Len != 8) Flush();
  if (Cmd_Packet[0] < 0x80) Wait_Reply();
}

void Command_Link::Wait_Reply() {
  Flush();
  // A link lost in that write, or before, brings no reply.
  if (window_.Link_State() <= 0) {
    Last_Reply_Len = 0;
    return;
  }
  host_.Start_Timer1(Timer1_Period_Ms);
  Wait_Timeout = 0;
  for (;;) {
    pump_.Process_Messages();
    const FT_STATUS status = usb_.Usb_Queue_Status();
    if (status != FT_OK || Wait_Timeout != 0) {
      Fail_Wait(status);
      return;
    }
    if (usb_.Usb_Rx_Count > 0 || Stop_Count > 0) break;
    host_.Wait_Briefly();
  }
  host_.Stop_Timer1();
  const uint32_t queued = usb_.Usb_Rx_Count;
  const uint32_t read = usb_.Usb_Read(Reply_Len);
  if (usb_.Device_Lost()) {
    Lose_Link();
    return;
  }
  Last_Reply_Len = read;
  Drop_Extra_Reply_Bytes(queued, read);
}

// Bytes beyond the reply that the last poll saw queued are read off, so that
// the next reply starts clean. No further poll is made for them: on real
// hardware each poll may wait a latency period.
void Command_Link::Drop_Extra_Reply_Bytes(uint32_t queued, uint32_t read) {
  if (queued > read) usb_.Usb_Discard(queued - read);
}

void Command_Link::Fail_Wait(FT_STATUS status) {
  if (usb_.Device_Lost()) {
    Lose_Link();
    return;
  }
  usb_.Reply_Packet[6] = Reply_Failed_Mark;
  Last_Reply_Len = 0;
  host_.Stop_Timer1();
  ++Link_Faults;
  ++Failed_Waits;
  Insert_Memo_Line("Device no longer present ... PortStatus-" + std::to_string(status) + " USB-" +
                   std::to_string(Wait_Timeout));
  states_.Enable_Commands();
}

void Command_Link::Timer1Timer() {
  Stop_Count = 5;
  Wait_Timeout = 5;
}

uint8_t Command_Link::Read_Byte() {
  Cmd_Packet[0] = Cmd_Read;
  Send_Packet();
  Read_Value = usb_.Reply_Packet[1];
  return Read_Value;
}

void Command_Link::Write_Reg(uint8_t register_id) {
  Cmd_Packet[1] = register_id;
  Cmd_Packet[0] = Cmd_Reg_Write;
  Cmd_Packet[2] = static_cast<uint8_t>(Reg_Value & 0xFF);
  Send_Packet();
}

void Command_Link::Set_Idle() {
  if (window_.Link_State() > 0) {
    struct Idle_Write {
      uint8_t id;
      uint8_t value;
    };
    static constexpr Idle_Write idle[] = {
        {Reg_Mode, 0x3B}, {Reg_Control, 0xE4}, {Reg_Supply, 0x76},
        {Reg_Addr_Lo, 0x00}, {Reg_1F, 0xB0}};
    for (const Idle_Write& w : idle) {
      Reg_Value = w.value;
      Write_Reg(w.id);
    }
    Flush();
  }
  Stop_Count = 0;
  Dev_Addr = 0;
}

}  // namespace tarnik
