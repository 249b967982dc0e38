// The command link's side of a read window: reads queued without waiting,
// then all their replies collected at once.

#include <algorithm>

#include "link/command_link.h"

namespace tarnik {

void Command_Link::Queue_Read() {
  Cmd_Packet[0] = Cmd_Read;
  if (window_.Link_State() <= 0) return;
  Set_Checksum();
  Queue_Packet();
}

bool Command_Link::Collect_Replies(uint32_t replies) {
  const uint32_t wanted = replies * Reply_Len;
  const int32_t stop_before = Stop_Count;
  Flush();
  if (window_.Link_State() <= 0) return false;
  host_.Start_Timer1(Timer1_Period_Ms);
  Wait_Timeout = 0;
  FT_STATUS status = FT_OK;
  for (;;) {
    pump_.Process_Messages();
    status = usb_.Usb_Queue_Status();
    if (status != FT_OK || Wait_Timeout != 0 || usb_.Usb_Rx_Count >= wanted) break;
    host_.Wait_Briefly();
  }
  host_.Stop_Timer1();
  if (usb_.Device_Lost()) {
    Lose_Link();
    return false;
  }
  const bool arrived = status == FT_OK && Wait_Timeout == 0;
  // A window that falls short is not yet a failed wait: its locations are
  // read again one at a time, and those reads report what still fails.
  Stop_Count = stop_before;
  Wait_Timeout = 0;
  if (arrived && Take_Window(replies)) return true;
  if (usb_.Device_Lost()) {
    Lose_Link();
    return false;
  }
  if (status == FT_OK) Drain_Replies();
  if (usb_.Device_Lost()) Lose_Link();
  return false;
}

bool Command_Link::Take_Window(uint32_t replies) {
  const uint32_t wanted = replies * Reply_Len;
  const uint32_t queued = usb_.Usb_Rx_Count;
  const uint32_t read = usb_.Usb_Read(wanted, Reply_Len);
  if (read != wanted) return false;
  Drop_Extra_Reply_Bytes(queued, read);
  Window_Values.resize(replies);
  for (uint32_t i = 0; i < replies; ++i) Window_Values[i] = usb_.Reply_Packet[i * Reply_Len + 1];
  // The last reply stands where a single read leaves its own.
  auto last = usb_.Reply_Packet.begin() + (replies - 1) * Reply_Len;
  std::copy(last, last + Reply_Len, usb_.Reply_Packet.begin());
  return true;
}

// Replies of a window that fell short may still be on their way; they are
// waited out and dropped, so that each read after it sees only its own.
void Command_Link::Drain_Replies() {
  for (int pass = 0; pass < Drain_Passes; ++pass) {
    pump_.Sleep_Ms(Drain_Quiet_Ms);
    if (usb_.Usb_Queue_Status() != FT_OK || usb_.Usb_Rx_Count == 0) return;
    usb_.Usb_Discard(usb_.Usb_Rx_Count);
  }
}

}  // namespace tarnik
