#include "devices/device_access.h"

#include <cstdio>

#include "window/hex_text.h"
#include "buffer/prom_image.h"

namespace tarnik {

namespace {

constexpr int32_t A8 = 0x100;
constexpr int32_t A9 = 0x200;
constexpr int32_t A9_Control_Bit = 0x04;
// Bit 2 of Reg_Control low while bit 7 is high is the fusing pulse.
constexpr int32_t Pulse_Open_Mask = 0xFB;

}  // namespace

Device_Access::Device_Access(Command_Link& link, Window_Model& window, Message_Pump& pump,
                             const int32_t& device_end)
    : link_(link), window_(window), pump_(pump), device_end_(device_end) {}

int32_t Device_Access::Last_Address() const { return Loop_End(device_end_); }

void Device_Access::Write(uint8_t register_id, int32_t value) {
  link_.Reg_Value = static_cast<uint16_t>(value & 0xFFFF);
  link_.Write_Reg(register_id);
}

void Device_Access::Step_Address() {
  if (link_.Dev_Addr >= Last_Address()) ++link_.Stop_Count;
  ++link_.Dev_Addr;
}

void Device_Access::Set_Address() {
  const int32_t address = link_.Dev_Addr;
  Write(Reg_Addr_Lo, address & 0xFF);
  Last_Supply = static_cast<uint16_t>(((address & A8) != 0 ? 1 : 0) | (Supply_Shadow & 0xFFFF));
  Write(Reg_Supply, Last_Supply);
  // Once set for an upper-half address, A9 stays in the shadow until the
  // shadow is next assigned.
  if ((address & A9) != 0) Control_Shadow |= A9_Control_Bit;
  Write(Reg_Control, Control_Shadow);
  window_.Set_Caption("Address", Hex_Digits_At_Least(static_cast<uint32_t>(address), 4));
}

void Device_Access::Load_Shadows() {
  Write(Reg_Supply, Supply_Shadow);
  Write(Reg_Control, Control_Shadow);
  Write(Reg_Mode, Mode_Shadow);
}

void Device_Access::Read_Setup() {
  Supply_Shadow = Read_Supply;
  Control_Shadow = Address_Control;
  Mode_Shadow = Read_Mode;
  Load_Shadows();
}

void Device_Access::Read_Device_Byte() {
  Set_Address();
  link_.Read_Byte();
  if (Is_Four_Bit_Class(Device_Tag())) link_.Read_Value &= 0x0F;
}

void Device_Access::Program_Bit() {
  switch (Family_Of_Class(Device_Tag())) {
    case Pulse_Family::Signetics: Pulse_Signetics(); break;
    case Pulse_Family::National: Pulse_National(); break;
    case Pulse_Family::None: break;
  }
}

void Device_Access::Pulse_Signetics() { Pulse({Signetics_Pulse_Supply, Read_Supply}); }

void Device_Access::Pulse_National() { Pulse({National_Pulse_Supply, 0x22}); }

// The pulse has no timer of its own: its width is one packet plus one pass
// over the window's messages, which also hands the queued writes to the
// driver so that the pulse reaches the programmer open before it closes.
//
// A write cut short before the closing writes leaves the registers unknown:
// the pulse may be open. Its closing writes are left to Close_Last_Pulse,
// which the caller sends once it has seen the fault, and nothing else follows.
void Device_Access::Pulse(Pulse_Supplies supplies) {
  const int32_t a8 = Last_Supply & 0x01;
  pulse_given_ = true;
  last_supplies_ = supplies;
  last_a8_ = a8;
  const uint32_t faults_before = link_.Link_Faults;
  Write(Reg_Mode, Pulse_Mode);
  Write(Reg_Supply, supplies.during | a8);
  Write(Reg_Bit_Select, Pulse_Bit);
  Write(Reg_Control, Pulse_Control & Pulse_Open_Mask);
  Write(Reg_Control, Control_Shadow & Pulse_Open_Mask);
  pump_.Process_Messages();
  if (link_.Link_Faults != faults_before) return;
  Close_Pulse(supplies, a8);
  Write(Reg_Mode, Program_Mode);
}

void Device_Access::Close_Pulse(Pulse_Supplies supplies, int32_t a8) {
  Write(Reg_Control, Pulse_Control & Pulse_Open_Mask);
  Write(Reg_Control, Control_Shadow);
  Write(Reg_Supply, supplies.during | a8);
  Write(Reg_Supply, supplies.after | a8);
}

void Device_Access::Close_Last_Pulse() {
  if (!pulse_given_ || window_.Link_State() <= 0) return;
  Close_Pulse(last_supplies_, last_a8_);
  link_.Flush();
}

}  // namespace tarnik
