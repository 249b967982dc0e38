#pragma once
// The hex editor: one page of 256 bytes of the device image in the read-only
// view Edit_1 (a status line and sixteen rows of address, hex and characters),
// a cursor moved by paging and arrow keys or by clicks, and in-place editing of
// the byte under the cursor, one hex digit at a time or as a character. The
// address box Chg_Edit_Add jumps to any page.
//
// The editor keeps the view's text in the window model and the caret offset it
// wants; a front end shows both, reports clicks as caret offsets and carries
// out the focus moves the editor asks for. Offsets count characters from the
// start of the view's text, each line break counting as two characters
// (carriage return, line feed), as the view's own text box counts them.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "window/control_states.h"
#include "window/message_pump.h"
#include "window/window_model.h"
#include "buffer/prom_image.h"
#include "link/command_link.h"

namespace tarnik {

// The virtual-key codes of the keys the view acts on.
namespace key_code {
inline constexpr int Page_Up = 33;
inline constexpr int Page_Down = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
}  // namespace key_code

// A place in a text given as lines: the line and the column within it.
struct Text_Position {
  int line = 0;
  int column = 0;
  friend bool operator==(const Text_Position&, const Text_Position&) = default;
};

// The offset of a place in the text, line breaks counting two characters.
[[nodiscard]] int Offset_Of(const std::vector<std::string>& lines, Text_Position position);
// The place an offset falls on. An offset between the two characters of a line
// break, or past the text, lands at the end of that line or of the last line;
// a negative one at the start.
[[nodiscard]] Text_Position Position_Of(const std::vector<std::string>& lines, int offset);

// The character a byte shows as: itself from 0x20 to 0x7F, "." otherwise.
[[nodiscard]] char Character_Form(uint8_t byte);
// Line 0 of the view for the cursor's address and byte, 71 characters.
[[nodiscard]] std::string Status_Line(int32_t address, uint8_t byte);
// One data row of the view, 72 characters: the address, the sixteen bytes in
// hex and as characters. Bytes outside the image show as 00.
[[nodiscard]] std::string Data_Row(const Prom_Image& image, int32_t row_address);

class Hex_Editor {
 public:
  static constexpr int32_t Page_Bytes = 256;
  static constexpr int32_t Row_Bytes = 16;
  static constexpr int32_t Page_Rows = 16;
  static constexpr int View_Line_Count = 17;
  static constexpr int Line_Stride = 74;  // a data row with its line break
  static constexpr int Address_Click_Limit = 17;
  static constexpr int Text_End = 73 + Line_Stride * 15 + 72;

  // `device_end` belongs to the device selection and `show_checksum` to the
  // buffer unit; the editor reads the one and calls the other when the view
  // closes.
  Hex_Editor(Window_Model& window, Prom_Image& image, const int32_t& device_end,
             Control_States& states, Command_Link& link, Message_Pump& pump,
             std::function<void()> show_checksum);

  // Handlers of the Edit button, the view Edit_1 and the address box.
  void EditClick();
  void Edit_1KeyDown(int key);
  void Edit_1KeyPress(char key);
  void Edit_1KeyUp(int key);
  void Edit_1MouseDown(int caret_offset);
  void Edit_1Exit();
  // Carriage return jumps to the typed address; a text that is no hex number
  // throws Handler_Error after the box is hidden, leaving the page as it was.
  void Chg_Edit_AddKeyPress(char key);
  void Chg_Edit_AddExit();
  // What the address box does with pasted text: it takes it upper case, up to
  // the first line break, as far as the box has room.
  void Paste_Into_Address_Box(std::string_view text);

  void Draw_Page();
  void Show_Status_Line();
  void Redraw_Byte();
  void Place_Caret();

  // Page_Start + 16 × Cur_Row + Cur_Col.
  [[nodiscard]] int32_t Cursor_Address() const;
  // Where the view's caret belongs, as Place_Caret last put it.
  [[nodiscard]] int Caret_Offset() const { return caret_offset_; }
  // The control the editor last gave the keyboard focus to; empty before.
  [[nodiscard]] const std::string& Focus_Target() const { return focus_target_; }
  [[nodiscard]] const std::vector<std::string>& View_Lines() const;
  [[nodiscard]] std::string Address_Box_Text() const;

  // The front end's hooks: `view_changed` runs after every change of the
  // view's text or caret, `focus_moved` when the editor gives a control the
  // keyboard focus. A focus move the editor asks for has already run the
  // handlers that losing the focus implies, so the front end must not report
  // it again.
  void Set_View_Listener(std::function<void()> view_changed);
  void Set_Focus_Listener(std::function<void(std::string_view control)> focus_moved);
  // Runs after a keystroke has stored a byte, with its address.
  void Set_Edit_Listener(std::function<void(int32_t address)> byte_edited);

  int32_t Page_Start = 0;
  int32_t Cur_Row = 0;
  int32_t Cur_Col = 0;
  int32_t Cur_Nibble = 0;
  bool Ascii_Mode = false;

 private:
  [[nodiscard]] int32_t Editor_End() const;
  [[nodiscard]] bool Cursor_On_Page() const;
  [[nodiscard]] uint8_t Cursor_Byte() const;
  void Store_Cursor_Byte(uint8_t value);
  void Type_Hex_Digit(int value);
  void Wrap_Cursor();
  void Place_Cursor_From_Click(int caret_offset);
  void Open_Address_Box();
  void Jump_To_Box_Address();
  void Set_Address_Box_Text(std::string text);
  void Write_View(std::vector<std::string> lines);
  void Give_Focus(std::string_view control);

  Window_Model& window_;
  Prom_Image& image_;
  const int32_t& device_end_;
  Control_States& states_;
  Command_Link& link_;
  Message_Pump& pump_;
  std::function<void()> show_checksum_;
  std::function<void()> view_changed_;
  std::function<void(std::string_view)> focus_moved_;
  std::function<void(int32_t)> byte_edited_;
  int caret_offset_ = 0;
  std::string focus_target_;
};

}  // namespace tarnik
