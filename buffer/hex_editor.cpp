#include "buffer/hex_editor.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "window/hex_text.h"
#include "window/text_file.h"

namespace tarnik {

namespace {

constexpr char Key_Return = '\r';
constexpr char Key_Backspace = '\b';
constexpr std::string_view Address_Box_Keys = "1234567890ABCDEFabcdef";
constexpr const char* View_Name = "Edit_1";
constexpr const char* Box_Name = "Chg_Edit_Add";

constexpr int Line_Break = 2;
constexpr int First_Data_Click = 80;  // clicks before it select row 0, column 0
constexpr int Hex_Column = 6;         // first hex digit of a data row
constexpr int Char_Column = 56;       // first character of a data row
constexpr int Hex_Click_Width = 46;   // click columns, less 5, that fall on the hex columns
constexpr int Char_Click_Start = 50;  // the same measure for the first character
constexpr int32_t Last_Column = 15;

std::string Hex_Byte(uint8_t byte) { return Hex_Digits_At_Least(byte, 2); }

// The address as the view shows it: four hex digits.
std::string Hex_Address(int32_t address) {
  return Hex_Digits_At_Least(static_cast<uint32_t>(address) & 0xFFFFu, 4);
}

uint8_t Image_Byte(const Prom_Image& image, int32_t address) {
  if (address < 0 || address > Prom_Last) return 0;
  return image[static_cast<std::size_t>(address)];
}

int Hex_Digit_Value(char key) {
  if (key >= '0' && key <= '9') return key - '0';
  if (key >= 'A' && key <= 'F') return key - 'A' + 10;
  if (key >= 'a' && key <= 'f') return key - 'a' + 10;
  return -1;
}

bool Is_Address_Box_Key(char key) {
  return Address_Box_Keys.find(key) != std::string_view::npos;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// The next multiple of 16 at or above a positive value; zero and negative
// values stay, so that a page start below zero still resets the cursor.
int32_t Round_Up_To_Row(int32_t value) {
  if (value <= 0) return value;
  return (value + Hex_Editor::Row_Bytes - 1) / Hex_Editor::Row_Bytes * Hex_Editor::Row_Bytes;
}

}  // namespace

int Offset_Of(const std::vector<std::string>& lines, Text_Position position) {
  int offset = 0;
  const std::size_t line = static_cast<std::size_t>(std::max(position.line, 0));
  for (std::size_t i = 0; i < line && i < lines.size(); ++i)
    offset += static_cast<int>(lines[i].size()) + Line_Break;
  return offset + position.column;
}

Text_Position Position_Of(const std::vector<std::string>& lines, int offset) {
  if (offset <= 0 || lines.empty()) return {};
  int start = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int length = static_cast<int>(lines[i].size());
    if (offset < start + length + Line_Break) return {static_cast<int>(i), std::min(offset - start, length)};
    start += length + Line_Break;
  }
  return {static_cast<int>(lines.size()) - 1, static_cast<int>(lines.back().size())};
}

char Character_Form(uint8_t byte) {
  return byte >= 0x20 && byte <= 0x7F ? static_cast<char>(byte) : '.';
}

std::string Status_Line(int32_t address, uint8_t byte) {
  return "Address = " + Hex_Address(address) + "              Hex Data = " + Hex_Byte(byte) +
         "                Ascii Data = " + Character_Form(byte);
}

std::string Data_Row(const Prom_Image& image, int32_t row_address) {
  std::string row = Hex_Address(row_address) + "  ";
  std::string characters;
  for (int32_t j = 0; j < Hex_Editor::Row_Bytes; ++j) {
    const uint8_t byte = Image_Byte(image, row_address + j);
    row += Hex_Byte(byte) + " ";
    characters += Character_Form(byte);
  }
  return row + "  " + characters;
}

Hex_Editor::Hex_Editor(Window_Model& window, Prom_Image& image, const int32_t& device_end,
                       Control_States& states, Command_Link& link, Message_Pump& pump,
                       std::function<void()> show_checksum)
    : window_(window),
      image_(image),
      device_end_(device_end),
      states_(states),
      link_(link),
      pump_(pump),
      show_checksum_(std::move(show_checksum)) {}

void Hex_Editor::Set_View_Listener(std::function<void()> view_changed) {
  view_changed_ = std::move(view_changed);
}

void Hex_Editor::Set_Edit_Listener(std::function<void(int32_t address)> byte_edited) {
  byte_edited_ = std::move(byte_edited);
}

void Hex_Editor::Set_Focus_Listener(std::function<void(std::string_view)> focus_moved) {
  focus_moved_ = std::move(focus_moved);
}

const std::vector<std::string>& Hex_Editor::View_Lines() const { return window_.Get(View_Name).lines; }

std::string Hex_Editor::Address_Box_Text() const {
  const Control& box = window_.Get(Box_Name);
  return box.lines.empty() ? std::string() : box.lines.front();
}

int32_t Hex_Editor::Cursor_Address() const { return Page_Start + Row_Bytes * Cur_Row + Cur_Col; }

// The device end as far as the image reaches: a larger one would page past
// the 1024 bytes.
int32_t Hex_Editor::Editor_End() const { return std::min(device_end_, Prom_Last); }

bool Hex_Editor::Cursor_On_Page() const {
  return Cur_Row >= 0 && Cur_Row < Page_Rows && Cur_Col >= 0 && Cur_Col < Row_Bytes;
}

uint8_t Hex_Editor::Cursor_Byte() const { return Image_Byte(image_, Cursor_Address()); }

void Hex_Editor::Store_Cursor_Byte(uint8_t value) {
  const int32_t address = Cursor_Address();
  if (address < 0 || address > Prom_Last) return;
  image_[static_cast<std::size_t>(address)] = value;
  if (byte_edited_) byte_edited_(address);
}

void Hex_Editor::Write_View(std::vector<std::string> lines) {
  window_.Set_Lines(View_Name, std::move(lines));
  if (view_changed_) view_changed_();
}

void Hex_Editor::Give_Focus(std::string_view control) {
  focus_target_ = std::string(control);
  if (focus_moved_) focus_moved_(control);
}

void Hex_Editor::Show_Status_Line() {
  std::vector<std::string> lines = View_Lines();
  if (lines.empty()) lines.emplace_back();
  lines.front() = Status_Line(Cursor_Address(), Cursor_Byte());
  Write_View(std::move(lines));
}

void Hex_Editor::Place_Caret() {
  const int row_start = Line_Stride * (Cur_Row + 1);
  caret_offset_ = Ascii_Mode ? row_start + Char_Column - 1 + Cur_Col
                             : row_start + Hex_Column - 1 + 3 * Cur_Col + Cur_Nibble;
  if (view_changed_) view_changed_();
}

void Hex_Editor::Redraw_Byte() {
  if (!Cursor_On_Page()) return;
  std::vector<std::string> lines = View_Lines();
  const auto line = static_cast<std::size_t>(Cur_Row + 1);
  if (line >= lines.size() || lines[line].size() < static_cast<std::size_t>(Char_Column + Row_Bytes))
    return;
  const uint8_t byte = Cursor_Byte();
  const std::string digits = Hex_Byte(byte);
  const auto hex_at = static_cast<std::size_t>(Hex_Column + 3 * Cur_Col);
  lines[line][hex_at] = digits[0];
  lines[line][hex_at + 1] = digits[1];
  lines[line][static_cast<std::size_t>(Char_Column + Cur_Col)] = Character_Form(byte);
  Write_View(std::move(lines));
}

void Hex_Editor::Draw_Page() {
  const int32_t end = Editor_End();
  if (Page_Start + Page_Bytes >= end) Page_Start = Round_Up_To_Row(end - (Page_Bytes - 1));
  if (Page_Start < 0) {
    Page_Start = 0;
    Cur_Row = 0;
    Cur_Col = 0;
  }
  std::vector<std::string> lines;
  lines.push_back(Status_Line(Cursor_Address(), Cursor_Byte()));
  for (int32_t row = 0; row < Page_Rows; ++row)
    lines.push_back(Data_Row(image_, Page_Start + Row_Bytes * row));
  Write_View(std::move(lines));
  Cur_Nibble = 0;
  Show_Status_Line();
  Place_Caret();
  window_.Set_Visible(View_Name, true);
  Give_Focus(View_Name);
  pump_.Process_Messages();
}

void Hex_Editor::EditClick() {
  window_.Set_Visible("Memo1", false);
  states_.Enable_Commands();
  link_.Set_Idle();
  Page_Start = 0;
  window_.Set_Visible(View_Name, true);
  Cur_Row = 0;
  Cur_Col = 0;
  Draw_Page();
}

// A column or row moved past either edge of the page continues on the next
// row or page. A column that had already run one past the last (after a byte
// completed in column 15) and moves on right keeps going on the next row.
void Hex_Editor::Wrap_Cursor() {
  if (Cur_Col < 0) {
    Cur_Col += Row_Bytes;
    --Cur_Row;
  }
  if (Cur_Col >= Row_Bytes) {
    Cur_Col -= Row_Bytes;
    ++Cur_Row;
  }
  if (Cur_Row < 0) {
    Cur_Row += Page_Rows;
    Page_Start -= Page_Bytes;
    Draw_Page();
  }
  if (Cur_Row >= Page_Rows) {
    Cur_Row -= Page_Rows;
    Page_Start += Page_Bytes;
    Draw_Page();
  }
}

void Hex_Editor::Edit_1KeyDown(int key) {
  pump_.Process_Messages();
  switch (key) {
    case key_code::Page_Up:
      Page_Start -= Page_Bytes;
      Draw_Page();
      break;
    case key_code::Page_Down:
      Page_Start += Page_Bytes;
      Draw_Page();
      break;
    case key_code::End: Cur_Col = Last_Column; break;
    case key_code::Home: Cur_Col = 0; break;
    case key_code::Left:
      if (Cur_Nibble == 0)
        --Cur_Col;
      else
        Cur_Nibble = 0;
      break;
    case key_code::Up: --Cur_Row; break;
    case key_code::Right:
      ++Cur_Col;
      Cur_Nibble = 0;
      break;
    case key_code::Down: ++Cur_Row; break;
    default: break;
  }
  Wrap_Cursor();
  Show_Status_Line();
}

void Hex_Editor::Type_Hex_Digit(int value) {
  const uint8_t byte = Cursor_Byte();
  if (Cur_Nibble == 0) {
    Store_Cursor_Byte(static_cast<uint8_t>((byte & 0x0F) | (value << 4)));
    Redraw_Byte();
    Cur_Nibble = 1;
  } else {
    Store_Cursor_Byte(static_cast<uint8_t>((byte & 0xF0) | value));
    Redraw_Byte();
    Cur_Nibble = 0;
    ++Cur_Col;
  }
}

// The status line is left alone: the key-down before this character already
// rewrote it, so it shows the byte as it was before the keystroke.
void Hex_Editor::Edit_1KeyPress(char key) {
  // A second character from one key-down would land one past the row; only
  // a byte on the page is edited.
  if (!Cursor_On_Page()) return;
  if (Ascii_Mode) {
    Store_Cursor_Byte(static_cast<uint8_t>(key));
    Redraw_Byte();
    ++Cur_Col;
    return;
  }
  const int value = Hex_Digit_Value(key);
  if (value >= 0) Type_Hex_Digit(value);
}

void Hex_Editor::Edit_1KeyUp(int) { Place_Caret(); }

void Hex_Editor::Open_Address_Box() {
  Set_Address_Box_Text("");
  window_.Set_Visible(Box_Name, true);
  Give_Focus(Box_Name);
  // The box took the focus from the view, which closes the editor as any
  // focus loss does; the view stays up under the box all the same.
  Edit_1Exit();
  window_.Set_Visible(View_Name, true);
}

void Hex_Editor::Place_Cursor_From_Click(int caret_offset) {
  const int p = std::clamp(caret_offset, First_Data_Click, Text_End);
  Cur_Row = p / Line_Stride - 1;
  const int x = std::max(p % Line_Stride - 5, 0);
  if (x < Hex_Click_Width) {
    Ascii_Mode = false;
    Cur_Col = std::min(x / 3, Last_Column);
    Show_Status_Line();
    Cur_Nibble = x % 3 == 2 ? 1 : 0;
  } else {
    Ascii_Mode = true;
    Cur_Col = std::min(std::max(x, Char_Click_Start) - Char_Click_Start, Last_Column);
    Show_Status_Line();
  }
  Place_Caret();
}

void Hex_Editor::Edit_1MouseDown(int caret_offset) {
  if (caret_offset < Address_Click_Limit) Open_Address_Box();
  Place_Cursor_From_Click(caret_offset);
}

void Hex_Editor::Edit_1Exit() {
  window_.Set_Visible(View_Name, false);
  if (show_checksum_) show_checksum_();
}

void Hex_Editor::Set_Address_Box_Text(std::string text) {
  if (text.empty())
    window_.Clear_Lines(Box_Name);
  else
    window_.Set_Lines(Box_Name, {std::move(text)});
}

// The page starts at the row holding the typed address. The conversion comes
// after the box is gone, so a bad text leaves the view focused and the page
// as it was.
void Hex_Editor::Jump_To_Box_Address() {
  const std::string text = Address_Box_Text();
  Give_Focus(View_Name);
  window_.Set_Visible(Box_Name, false);
  if (text.empty()) return;
  const int32_t address = Str_To_Int("$" + text);
  Page_Start = address & ~(Row_Bytes - 1);
  Draw_Page();
}

void Hex_Editor::Chg_Edit_AddKeyPress(char key) {
  if (key == Key_Return) {
    Jump_To_Box_Address();
    return;
  }
  std::string text = Address_Box_Text();
  if (key == Key_Backspace) {
    if (text.empty()) return;
    text.pop_back();
  } else if (Is_Address_Box_Key(key)) {
    const int limit = window_.Get(Box_Name).max_length;
    if (limit > 0 && static_cast<int>(text.size()) >= limit) return;
    text += Upper(key);
  } else {
    return;
  }
  Set_Address_Box_Text(std::move(text));
}

void Hex_Editor::Chg_Edit_AddExit() { window_.Set_Visible(Box_Name, false); }

void Hex_Editor::Paste_Into_Address_Box(std::string_view pasted) {
  std::string text = Address_Box_Text();
  const int limit = window_.Get(Box_Name).max_length;
  for (const char c : pasted) {
    if (c == '\r' || c == '\n') break;
    if (limit > 0 && static_cast<int>(text.size()) >= limit) break;
    text += Upper(c);
  }
  Set_Address_Box_Text(std::move(text));
}

}  // namespace tarnik
