#include "buffer/prom_buffer.h"

#include <cctype>
#include <cstdio>
#include <string_view>

#include "window/hex_text.h"
#include "window/text_file.h"
#include "buffer/image_digest.h"

namespace tarnik {

namespace {

constexpr char Key_Return = '\r';
constexpr char Key_Backspace = '\b';
constexpr std::string_view Fill_Edit_Keys = "1234567890ABCDEFabcdef";

bool Is_Fill_Edit_Key(char key) { return Fill_Edit_Keys.find(key) != std::string_view::npos; }

}  // namespace

uint16_t Sum_Device_Range(const Prom_Image& image, int32_t device_end) {
  uint16_t sum = 0;
  const int32_t last = Loop_End(device_end);
  for (int32_t address = 0; address <= last; ++address)
    sum = static_cast<uint16_t>(sum + image[static_cast<std::size_t>(address)]);
  return sum;
}

std::string Checksum_Caption(uint16_t sum) {
  return "CheckSum=" + Hex_Digits(sum, 4);
}

Prom_Buffer_Unit::Prom_Buffer_Unit(Window_Model& window, Control_States& states,
                                   Command_Link& link, const int32_t& device_end)
    : Prom_Buffer_Unit(window, states, link, own_image_, device_end) {}

Prom_Buffer_Unit::Prom_Buffer_Unit(Window_Model& window, Control_States& states,
                                   Command_Link& link, Prom_Image& image,
                                   const int32_t& device_end)
    : Prom_Buffer(image), window_(window), states_(states), link_(link), device_end_(device_end) {
  window_.Set_Lines("FillBox", {"Fill Buffer With 00", "Fill Buffer With FF",
                                "Fill Buffer With XX", "Cancel"});
}

void Prom_Buffer_Unit::Show_Checksum() {
  Buffer_Sum = Sum_Device_Range(Prom_Buffer, device_end_);
  window_.Set_Caption("Chk_Sum_But", Checksum_Caption(Buffer_Sum));
  // The hint keeps its own first line; the dump's identity follows it.
  const std::string& hint = window_.Get("Chk_Sum_But").hint;
  window_.Set_Hint("Chk_Sum_But", hint.substr(0, hint.find('\n')) + "\n" +
                                      Identity_Line(Digest_Device_Range(Prom_Buffer, device_end_)));
  states_.Enable_Commands();
  link_.Set_Idle();
}

void Prom_Buffer_Unit::Chk_Sum_ButClick() { Show_Checksum(); }

void Prom_Buffer_Unit::Fill_Buffer(uint8_t value) { Prom_Buffer.fill(value); }

void Prom_Buffer_Unit::FillClick() {
  states_.Disable_Commands();
  window_.Set_Visible("FillBox", true);
}

void Prom_Buffer_Unit::FillBoxClick() {
  const int row = window_.Get("FillBox").item_index;
  switch (row) {
    case Fill_Row_00:
    case Fill_Row_FF:
      Fill_Buffer(row == Fill_Row_00 ? 0x00 : 0xFF);
      Show_Checksum();
      states_.Enable_Commands();
      break;
    case Fill_Row_Typed:
      // The list stays up and the window busy until the value is entered.
      Set_Fill_Edit_Text("");
      window_.Set_Visible("Fill_Edit", true);
      window_.Set_Focus("Fill_Edit");
      break;
    case Fill_Row_Cancel:
      states_.Enable_Commands();
      break;
    default:
      break;
  }
}

std::string Prom_Buffer_Unit::Fill_Edit_Text() const {
  const Control& box = window_.Get("Fill_Edit");
  return box.lines.empty() ? std::string() : box.lines.front();
}

void Prom_Buffer_Unit::Set_Fill_Edit_Text(std::string text) {
  if (text.empty())
    window_.Clear_Lines("Fill_Edit");
  else
    window_.Set_Lines("Fill_Edit", {std::move(text)});
}

void Prom_Buffer_Unit::Fill_From_Edit() {
  const std::string text = Fill_Edit_Text();
  if (!text.empty()) {
    // The conversion throws before anything changes, so a bad text leaves
    // the buffer as it was and the command waiting for a valid value.
    const int32_t value = Str_To_Int("$" + text);
    Fill_Buffer(static_cast<uint8_t>(value & 0xFF));
  }
  Show_Checksum();
  states_.Enable_Commands();
}

void Prom_Buffer_Unit::Fill_EditKeyPress(char key) {
  if (key == Key_Return) {
    Fill_From_Edit();
    return;
  }
  std::string text = Fill_Edit_Text();
  if (key == Key_Backspace) {
    if (!text.empty()) text.pop_back();
  } else if (Is_Fill_Edit_Key(key)) {
    const int limit = window_.Get("Fill_Edit").max_length;
    if (limit > 0 && static_cast<int>(text.size()) >= limit) return;
    text += static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  } else {
    return;
  }
  Set_Fill_Edit_Text(std::move(text));
}

}  // namespace tarnik
