#include "link/flash_update.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "window/hex_text.h"
#include "link/update_file.h"

namespace tarnik {

namespace {

std::optional<std::vector<uint8_t>> Read_Start_Of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes(Update_Max_Read);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace

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

bool Flash_Updater::Header_Valid(const std::vector<uint8_t>& file) const {
  // The expected checksum at 14 and 15 belongs to a valid header too.
  if (file.size() < Update_Header_Size) return false;
  return std::equal(Update_Signature().begin(), Update_Signature().end(), file.begin() + 2,
                    [](char expected, uint8_t found) { return uint8_t(expected) == found; });
}

void Flash_Updater::Show_Warning(const char* text) {
  Message_Box_Request box;
  box.text = text;
  box.icon = Box_Icon::Warning;
  box.buttons = Box_Buttons::Ok;
  box.position.centred = true;
  box.title = Window_Title;
  host_.Message_Box(box);
}

void Flash_Updater::Write_Packet(uint32_t count, const char* timeout_line) {
  link_.Set_Checksum();
  if (usb_.Usb_Write(link_.Cmd_Packet.data(), count, count) != count && timeout_line != nullptr)
    window_.Insert_Line("Memo1", 0, timeout_line);
}

void Flash_Updater::Send_Records(const std::vector<uint8_t>& file) {
  link_.Packet_Len = Update_Record_Size;
  const std::size_t records = Record_Count(file.size());
  for (std::size_t k = 0; k < records; ++k) {
    const auto start = file.begin() + static_cast<std::ptrdiff_t>(Update_Header_Size + k * Update_Record_Size);
    std::copy(start, start + Update_Record_Size, link_.Cmd_Packet.begin());
    window_.Set_Caption("Address", Hex_Digits(static_cast<uint32_t>(k), 4));
    Write_Packet(Update_Record_Size, "USB Device Write TimeOut 1...");
    link_.Wait_Reply();
    if (usb_.Reply_Packet[7] == Record_Rejected) window_.Append_Line("Memo1", "Bad Check Sum");
  }
  link_.Packet_Len = 8;
}

void Flash_Updater::Check_Flash(const std::vector<uint8_t>& file) {
  const uint8_t check[8] = {Cmd_Flash_Check, 0x43, 0, 0, 0, 0, 0, 0xED};
  std::copy(std::begin(check), std::end(check), link_.Cmd_Packet.begin());
  Write_Packet(8, "USB Device Write TimeOut 2...");
  link_.Wait_Reply();
  for (std::size_t i = 0; i < 8; ++i)
    window_.Append_Line("Memo1", Hex_Digits(usb_.Reply_Packet[i], 2));
  window_.Append_Line("Memo1", "Expected - " + Hex_Digits(file[14], 2) + Hex_Digits(file[15], 2));
  window_.Append_Line("Memo1", "Found    - " + Hex_Digits(usb_.Reply_Packet[2], 2) +
                                   Hex_Digits(usb_.Reply_Packet[3], 2));
  const bool good = usb_.Reply_Packet[2] == file[14] && usb_.Reply_Packet[3] == file[15];
  Show_Warning(good ? "Good Update..." : "Warning: Bad Update...");
  const uint8_t end[8] = {Cmd_Flash_End, 0, 0, 0, 0, 0, 0, 0x52};
  std::copy(std::begin(end), std::end(end), link_.Cmd_Packet.begin());
  Write_Packet(8, nullptr);  // nothing is awaited and the count is not examined
}

void Flash_Updater::Flash_Update() {
  states_.Disable_Commands();
  window_.Set_Caption("StaticText3", "Updating Programmer Flash Code....");
  link_.Flush();
  if (const std::optional<std::string> path = open_dialog_ ? open_dialog_() : std::nullopt) {
    const std::optional<std::vector<uint8_t>> file = Read_Start_Of(*path);
    if (!file || !Header_Valid(*file)) {
      Show_Warning(Invalid_Update_Text);
    } else {
      Send_Records(*file);
      Check_Flash(*file);
    }
  }
  link_.Packet_Len = 8;
}

}  // namespace tarnik
