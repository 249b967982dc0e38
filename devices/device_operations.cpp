#include "devices/device_operations.h"

#include "devices/burn_check.h"

#include <cstdio>
#include <utility>

#include "window/hex_text.h"
#include "devices/device_catalogue.h"
#include "devices/read_window.h"

namespace tarnik {

namespace {

std::string Address_Text(int32_t address) {
  return Hex_Digits_At_Least(static_cast<uint32_t>(address), 4);
}

}  // namespace

Device_Operations::Device_Operations(Window_Model& window, Control_States& states,
                                     Message_Pump& pump, Command_Link& link,
                                     Device_Access& access, Prom_Image& prom_buffer,
                                     std::function<void()> show_checksum)
    : window_(window),
      states_(states),
      pump_(pump),
      link_(link),
      access_(access),
      prom_buffer_(prom_buffer),
      show_checksum_(std::move(show_checksum)) {}

void Device_Operations::Set_Status(const char* text) { window_.Set_Caption("StaticText3", text); }

void Device_Operations::Start_Click() {
  watch_.Start(link_);
  judged_ = false;
  step_ = Stopped_Step::Unnamed;
  // Cleared before anything is sent, so that every fault line of the click
  // stays in the list.
  window_.Clear_Lines("Memo1");
}

void Device_Operations::Begin(const char* start_message, bool lists_findings,
                              const char* activity) {
  states_.Disable_Commands();
  link_.Set_Idle();
  Set_Status(start_message);
  if (lists_findings) window_.Set_Visible("Memo1", true);
  differences_.Begin(Data_Mask_Of_Class(access_.Device_Tag()), access_.Last_Address() + 1);
  marks_.Clear();
  locations_read_ = 0;
  if (progress_) progress_->Start(activity, access_.Last_Address() + 1);
}

void Device_Operations::Note_Progress(int32_t locations_done) {
  if (progress_) progress_->Advance(locations_done);
}

void Device_Operations::Read_Loop(const std::function<void(uint8_t& buffer_byte)>& per_location) {
  Read_Loop(prom_buffer_, per_location);
}

void Device_Operations::Read_Loop(Prom_Image& image,
                                  const std::function<void(uint8_t& image_byte)>& per_location) {
  // A fault in the opening idle sequence leaves the part unread.
  if (Stopped()) return;
  access_.Read_Setup();
  Read_Window(link_, access_, window_)
      .Run(
          image,
          [&](uint8_t& buffer_byte) {
            per_location(buffer_byte);
            differences_.Location_Read(link_.Read_Value);
            last_read_[static_cast<std::size_t>(link_.Dev_Addr)] = link_.Read_Value;
            locations_read_ = link_.Dev_Addr + 1;
            // The location is judged; the address steps past it next.
            Note_Progress(link_.Dev_Addr + 1);
          },
          // After a lost packet the programmer's registers are no longer
          // what the loop set: reading on would report on locations it did
          // not address.
          [&] { return Stopped(); });
}

void Device_Operations::Finish() {
  if (progress_) progress_->End();
  states_.Enable_Commands();
  link_.Set_Idle();
  // A fault in the closing idle sequence of a check that was judged keeps
  // its result; the fault line stays in view.
  if (Stopped()) window_.Set_Visible("Memo1", true);
}

void Device_Operations::Decide(const std::function<void()>& verdict) {
  if (Stopped()) {
    Show_Stopped();
    return;
  }
  judged_ = true;
  verdict();
}

void Device_Operations::Show_Stopped() {
  window_.Set_Caption("StaticText3", Stopped_Line(watch_.Stopped_Text(link_), step_));
  window_.Set_Tag("StaticText3", 1);
  window_.Set_Visible("Memo1", true);
}

// A blank check or verify: its verdict, the list hidden when nothing
// differed, then the summary of the bits.
void Device_Operations::Decide_Check(const char* failed_text, const char* passed_text) {
  Decide([this, failed_text, passed_text] {
    if (Failed()) {
      Set_Status(failed_text);
    } else {
      Set_Status(passed_text);
      window_.Set_Visible("Memo1", false);
    }
    Report_Differences(false);
  });
}

void Device_Operations::Report_Finding(std::string line) {
  window_.Append_Line("Memo1", std::move(line));
  window_.Set_Tag("StaticText3", 1);
  pump_.Process_Messages();
}

void Device_Operations::Add_Note(std::string line) {
  window_.Append_Line("Memo1", std::move(line));
  window_.Set_Visible("Memo1", true);
  pump_.Process_Messages();
}

void Device_Operations::Report_Differences(bool with_cannot_take) {
  if (Failed() && differences_.Counts().locations > 0)
    Add_Note(Summary_Line(differences_.Counts(), with_cannot_take));
  Warn_If_All_Ones();
  marks_.Set(differences_.Marks());
}

void Device_Operations::Warn_If_All_Ones() {
  if (differences_.Reads_All_Ones()) Add_Note(differences_.All_Ones_Text());
}

void Device_Operations::Blank_ChkClick() {
  Start_Click();
  Begin("Checking to see if Device is erased....", true, "Checking");
  // A 4-bit part reads only its data bits: its blank state is judged on them.
  const auto blank = static_cast<uint8_t>(blank_value_ & Data_Mask_Of_Class(access_.Device_Tag()));
  Read_Loop([this, blank](uint8_t&) {
    if (link_.Read_Value == blank) return;
    differences_.Location_Differs(link_.Dev_Addr, blank, link_.Read_Value);
    Report_Finding(Address_Text(link_.Dev_Addr) + "  EXPECTED-" + Hex_Digits_At_Least(blank, 2) +
                   " FOUND-" + Hex_Digits_At_Least(link_.Read_Value, 2));
  });
  Decide_Check("Device is NOT Erased....", "Device is Erased....");
  Finish();
}

void Device_Operations::Verify_Device() {
  Begin("Verifying Device to Buffer....", true, "Verifying");
  Read_Loop([this](uint8_t& buffer_byte) {
    if (buffer_byte == link_.Read_Value) return;
    differences_.Location_Differs(link_.Dev_Addr, buffer_byte, link_.Read_Value);
    Report_Finding(Address_Text(link_.Dev_Addr) + "  EXPECTED-" +
                   Hex_Digits_At_Least(buffer_byte, 2) + " FOUND-" +
                   Hex_Digits_At_Least(link_.Read_Value, 2));
  });
  Decide_Check("Device Did NOT Verify to Buffer....", "Device Verified to Buffer....");
  Finish();
}

void Device_Operations::Verify_EpromClick() {
  Start_Click();
  states_.Disable_Commands();
  link_.Set_Idle();
  // A fault in the click's own idle sequence leaves nothing to verify.
  if (Stopped())
    Decide([] {});
  else
    Verify_Device();
  Finish();
}

void Device_Operations::Move_EpromClick() {
  Start_Click();
  Begin("Moving Device to Buffer....", false, "Reading");
  // The part is read into a copy, which becomes the buffer only when the
  // whole read held: a stopped move leaves the buffer as it was.
  Prom_Image read = prom_buffer_;
  Read_Loop(read, [this](uint8_t& image_byte) { image_byte = link_.Read_Value; });
  Decide([this, &read] {
    prom_buffer_ = read;
    Set_Status("Device Has Been Moved to Buffer....");
    Warn_If_All_Ones();
    if (show_checksum_) show_checksum_();
  });
  Finish();
}

void Device_Operations::CompareClick() {
  Start_Click();
  Begin("Comparing Device for Re-Progamablity....", false, "Comparing");
  const bool four_bit = Is_Four_Bit_Class(access_.Device_Tag());
  Read_Loop([this, four_bit](uint8_t& buffer_byte) {
    const uint8_t wanted = four_bit ? static_cast<uint8_t>(buffer_byte & 0x0F) : buffer_byte;
    if (link_.Read_Value != wanted)
      differences_.Location_Differs(link_.Dev_Addr, wanted, link_.Read_Value);
    // Programming only adds 1 bits: a 1 where the buffer has a 0 cannot go.
    if ((link_.Read_Value | wanted) == wanted) return;
    link_.Stop_Count = 1;
    window_.Set_Tag("StaticText3", 1);
  });
  Decide([this] {
    Set_Status(Failed() ? "Device CAN NOT be Reprogrammed...." : "Device Can be Reprogrammed....");
    Report_Differences(true);
  });
  Finish();
}

// One read of the whole part, with the program compare's texts, listing
// every location that cannot take the buffer rather than stopping at the
// first. The buffer is not changed.
void Device_Operations::Check_Before_Burn() {
  Start_Click();
  step_ = Stopped_Step::Check_Before_Programming;
  unfit_.clear();
  Begin("Comparing Device for Re-Progamablity....", false, "Comparing");
  Read_Loop([this](uint8_t& buffer_byte) {
    if (Can_Take(buffer_byte, link_.Read_Value, access_.Device_Tag())) return;
    unfit_.push_back(Unfit_Location{link_.Dev_Addr, buffer_byte, link_.Read_Value});
    Report_Finding(Unfit_Line(unfit_.back()));
  });
  Decide([this] {
    const bool fits = unfit_.empty();
    Set_Status(fits ? "Device Can be Reprogrammed...." : "Device CAN NOT be Reprogrammed....");
    if (!fits) window_.Append_Line("Memo1", Unfit_Summary(unfit_.size()));
    window_.Set_Visible("Memo1", !fits);
  });
  Finish();
  // The check only clears the way for a burn: one whose closing idle
  // sequence failed leaves the programmer in an unknown state, so it does
  // not clear it, whatever it found.
  if (judged_ && Stopped()) {
    Show_Stopped();
    window_.Set_Colour("StaticText3", colours::Red);
  }
}

void Device_Operations::Write_Control(int32_t value) {
  link_.Reg_Value = static_cast<uint16_t>(value & 0xFFFF);
  link_.Write_Reg(Reg_Control);
}

void Device_Operations::Program_Location(uint8_t buffer_byte) {
  Write_Control(access_.Control_Shadow);
  access_.Set_Address();
  Write_Control(access_.Pulse_Control);
  const int bits = Programmed_Bits(access_.Device_Tag());
  for (int bit = 0; bit < bits; ++bit) {
    if ((buffer_byte & (1u << bit)) == 0) continue;
    access_.Pulse_Bit = static_cast<uint16_t>(bit);
    // A first pulse whose writes were cut may or may not have fused its
    // bit; once one went out whole, the part is partly burned.
    if (step_ == Stopped_Step::Programming_Before_Any_Pulse)
      step_ = Stopped_Step::Programming_In_First_Pulse;
    access_.Program_Bit();
    // Each pulse's own write carries the address writes before it: once one
    // fell short, no further pulse may go out.
    if (Stopped()) return;
    step_ = Stopped_Step::Programming;
  }
}

void Device_Operations::Program_Part() {
  access_.Supply_Shadow = Program_Supply(access_.Device_Tag());
  access_.Control_Shadow = Address_Control;
  access_.Pulse_Control = Program_Pulse_Control;
  access_.Mode_Shadow = Program_Mode;
  access_.Load_Shadows();
  pump_.Sleep_Ms(Program_Setup_Wait_Ms);
  if (progress_) progress_->Start("Programming", access_.Last_Address() + 1);
  while (!Stopped() && link_.Stop_Count <= 0 && Within_Buffer(link_.Dev_Addr)) {
    Program_Location(prom_buffer_[static_cast<std::size_t>(link_.Dev_Addr)]);
    if (Stopped()) break;
    access_.Step_Address();
    // The last pulse's closing writes go out now, not inside the wait, so
    // that a cut among them is closed at once rather than after it.
    link_.Flush();
    if (Stopped()) break;
    pump_.Sleep_Ms(Program_Location_Wait_Ms);
    // The location and its rest are done; the address has stepped past it.
    Note_Progress(link_.Dev_Addr);
  }
  // A cut write may have left the last pulse open while the link still
  // takes writes: it is closed at once, and nothing else is programmed.
  if (Stopped()) access_.Close_Last_Pulse();
}

void Device_Operations::Program_EpromClick() {
  Start_Click();
  step_ = Stopped_Step::Programming_Before_Any_Pulse;
  access_.Begin_Programming();
  states_.Disable_Commands();
  link_.Set_Idle();
  Set_Status("Programming Device from Buffer....");
  if (!Stopped()) Program_Part();
  if (!Stopped()) {
    // Every location is burned; what follows belongs to the verify.
    step_ = Stopped_Step::Verify_After_Programming;
    link_.Set_Idle();
    pump_.Sleep_Ms(Program_Verify_Wait_Ms);
  }
  if (!Stopped()) Verify_Device();
  if (!judged_) {
    Decide([] {});
    Finish();
    return;
  }
  if (Failed()) {
    Set_Status("Device Did NOT Program....");
  } else {
    Set_Status("Device is Programmed....");
    // The all-ones warning of the verify stays in view, and so does a fault
    // line of the verify's closing idle sequence.
    if (!differences_.Reads_All_Ones() && !Stopped()) window_.Set_Visible("Memo1", false);
  }
}

}  // namespace tarnik
