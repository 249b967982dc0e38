#include "devices/burn_check.h"

#include "window/hex_text.h"
#include "devices/device_catalogue.h"
#include "devices/read_window.h"

namespace tarnik {

bool Can_Take(uint8_t wanted, uint8_t found, int device_tag) {
  const auto data = static_cast<uint8_t>(Is_Four_Bit_Class(device_tag) ? wanted & 0x0F : wanted);
  return (found | data) == data;
}

std::string Unfit_Line(const Unfit_Location& location) {
  return Hex_Digits_At_Least(static_cast<uint32_t>(location.address), 4) + "  CANNOT TAKE-" +
         Hex_Digits_At_Least(location.wanted, 2) + " PART HAS-" +
         Hex_Digits_At_Least(location.found, 2);
}

std::string Unfit_Summary(std::size_t count) {
  return std::to_string(count) + " Locations Cannot Take the Buffer";
}

Burn_Check::Burn_Check(Window_Model& window, Control_States& states, Message_Pump& pump,
                       Command_Link& link, Device_Access& access, const Prom_Image& prom_buffer)
    : window_(window),
      states_(states),
      pump_(pump),
      link_(link),
      access_(access),
      prom_buffer_(prom_buffer) {}

void Burn_Check::Run() {
  unfit_.clear();
  watch_.Start(link_);
  states_.Disable_Commands();
  link_.Set_Idle();
  window_.Set_Caption("StaticText3", "Comparing Device for Re-Progamablity....");
  window_.Clear_Lines("Memo1");
  if (progress_) progress_->Start("Comparing", access_.Last_Address() + 1);
  access_.Read_Setup();
  // The loop reads into a copy: the buffer stays the user's image.
  Prom_Image wanted = prom_buffer_;
  Read_Window(link_, access_, window_)
      .Run(wanted, [this](uint8_t& buffer_byte) { Judge(buffer_byte); },
           // After a lost packet the registers no longer address what the
           // loop set: its reads would judge the wrong locations.
           [this] { return watch_.Faulted(link_); });
  Finish();
}

void Burn_Check::Judge(uint8_t wanted) {
  if (progress_) progress_->Advance(link_.Dev_Addr + 1);
  if (Can_Take(wanted, link_.Read_Value, access_.Device_Tag())) return;
  unfit_.push_back(Unfit_Location{link_.Dev_Addr, wanted, link_.Read_Value});
  window_.Append_Line("Memo1", Unfit_Line(unfit_.back()));
  window_.Set_Tag("StaticText3", 1);
  pump_.Process_Messages();
}

void Burn_Check::Finish() {
  if (progress_) progress_->End();
  if (!watch_.Faulted(link_)) {
    const bool fits = unfit_.empty();
    window_.Set_Caption("StaticText3", fits ? "Device Can be Reprogrammed...."
                                            : "Device CAN NOT be Reprogrammed....");
    if (!fits) window_.Append_Line("Memo1", Unfit_Summary(unfit_.size()));
    window_.Set_Visible("Memo1", !fits);
  }
  states_.Enable_Commands();
  link_.Set_Idle();
  // A fault in the closing idle sequence counts too.
  if (!watch_.Faulted(link_)) return;
  window_.Set_Caption("StaticText3", watch_.Stopped_Text(link_));
  window_.Set_Tag("StaticText3", 1);
  window_.Set_Visible("Memo1", true);
  states_.Enable_Commands();
}

}  // namespace tarnik
