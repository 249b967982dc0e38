#include "link/flash_update.h"

#include <algorithm>

#include "window/hex_text.h"
#include "window/text_file.h"

namespace tarnik {

Flash_Updater::Flash_Updater(Usb_Access& usb, Command_Link& link, Window_Model& window,
                             Host& host, Control_States& states, Open_Dialog open_dialog)
    : usb_(usb),
      link_(link),
      window_(window),
      host_(host),
      states_(states),
      open_dialog_(std::move(open_dialog)) {}

std::size_t Flash_Updater::Record_Count(std::size_t size) {
  if (size < Update_Header_Size) return 0;
  return (size - Update_Header_Size) / Update_Record_Size;
}

bool Flash_Updater::Losses::Any() const {
  return short_records > 0 || lost_record_replies > 0 || check_short || check_unanswered ||
         end_short;
}

// One line for each kind of loss, under the warning's first line.
std::string Flash_Updater::Losses::Text() const {
  std::string text = Unfinished_Update_Text;
  if (short_records > 0)
    text += "\r\n" + std::to_string(short_records) + " Record(s) Not Sent Whole......";
  if (lost_record_replies > 0)
    text += "\r\n" + std::to_string(lost_record_replies) + " Record Reply(s) Lost......";
  if (check_short) text += "\r\nFlash Check Not Sent Whole......";
  if (check_unanswered) text += "\r\nFlash Check Not Answered......";
  if (end_short) text += "\r\nClosing Packet Not Sent Whole......";
  return text;
}

void Flash_Updater::Show_Warning(const std::string& text) {
  Message_Box_Request box;
  box.text = text;
  box.icon = Box_Icon::Warning;
  box.buttons = Box_Buttons::Ok;
  box.position.centred = true;
  box.title = Window_Title;
  host_.Message_Box(box);
}

void Flash_Updater::Refuse_File(const char* text, const std::string& path) {
  Outcome = Update_Outcome::Refused_File;
  Show_Warning(std::string(text) + "\r\n" + path);
}

bool Flash_Updater::Write_Packet(uint32_t count, const char* timeout_line) {
  link_.Set_Checksum();
  const bool whole = usb_.Usb_Write(link_.Cmd_Packet.data(), count, count) == count;
  if (!whole && timeout_line != nullptr) window_.Insert_Line("Memo1", 0, timeout_line);
  return whole;
}

bool Flash_Updater::Reply_Came() {
  const uint32_t failed_waits = link_.Failed_Waits;
  link_.Wait_Reply();
  return link_.Failed_Waits == failed_waits && link_.Last_Reply_Len >= Command_Link::Reply_Len;
}

void Flash_Updater::Send_Records(const Update_File& file) {
  link_.Packet_Len = Update_Record_Size;
  for (std::size_t k = 0; k < file.records.size(); ++k) {
    std::copy(file.records[k].begin(), file.records[k].end(), link_.Cmd_Packet.begin());
    window_.Set_Caption("Address", Hex_Digits(static_cast<uint32_t>(k), 4));
    if (!Write_Packet(Update_Record_Size, "USB Device Write TimeOut 1...")) ++losses_.short_records;
    if (!Reply_Came()) ++losses_.lost_record_replies;
    if (usb_.Reply_Packet[7] == Record_Rejected) window_.Append_Line("Memo1", "Bad Check Sum");
  }
  link_.Packet_Len = 8;
}

void Flash_Updater::Check_Flash(const Update_File& file) {
  const uint8_t check[8] = {Cmd_Flash_Check, 0x43, 0, 0, 0, 0, 0, 0xED};
  std::copy(std::begin(check), std::end(check), link_.Cmd_Packet.begin());
  losses_.check_short = !Write_Packet(8, "USB Device Write TimeOut 2...");
  losses_.check_unanswered = !Reply_Came();
  for (std::size_t i = 0; i < 8; ++i)
    window_.Append_Line("Memo1", Hex_Digits(usb_.Reply_Packet[i], 2));
  const uint16_t expected = file.expected_checksum;
  const uint16_t found = static_cast<uint16_t>(usb_.Reply_Packet[2] << 8 | usb_.Reply_Packet[3]);
  window_.Append_Line("Memo1", "Expected - " + Hex_Digits(expected, 4));
  window_.Append_Line("Memo1", "Found    - " + Hex_Digits(found, 4));
  // The closing packet goes out before the verdict, so that the verdict can
  // say whether it went out whole.
  const uint8_t end[8] = {Cmd_Flash_End, 0, 0, 0, 0, 0, 0, 0x52};
  std::copy(std::begin(end), std::end(end), link_.Cmd_Packet.begin());
  losses_.end_short = !Write_Packet(8, nullptr);
  if (losses_.Any()) {
    Outcome = Update_Outcome::Link_Fault;
    Show_Warning(losses_.Text());
  } else {
    Outcome = found == expected ? Update_Outcome::Good : Update_Outcome::Bad_Checksum;
    Show_Warning(found == expected ? Good_Update_Text : Bad_Update_Text);
  }
}

void Flash_Updater::Flash_Update() {
  states_.Disable_Commands();
  window_.Set_Caption("StaticText3", "Updating Programmer Flash Code....");
  link_.Flush();
  losses_ = Losses{};
  Outcome = Update_Outcome::Cancelled;
  if (const std::optional<std::string> path = open_dialog_ ? open_dialog_() : std::nullopt) {
    const Bounded_File bytes = Read_Bounded_File(*path, Update_Max_Read);
    const Update_File file = bytes.bytes ? Parse_Update_File(*bytes.bytes) : Update_File{};
    if (bytes.too_long || file.problem == Update_File_Problem::Too_Long) {
      Refuse_File(Update_Too_Long_Text, *path);
    } else if (!bytes.bytes || file.problem != Update_File_Problem::None) {
      Refuse_File(Invalid_Update_Text, *path);
    } else {
      Send_Records(file);
      Check_Flash(file);
    }
  }
  link_.Packet_Len = 8;
}

}  // namespace tarnik
