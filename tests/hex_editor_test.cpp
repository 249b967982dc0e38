#include "buffer/hex_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "window/errors.h"
#include "buffer/prom_buffer.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

constexpr int Other_Key = 186;  // a key that is none of the editor's

// The key code a character's key sends with it.
int Key_Code_Of(char c) {
  if (std::isalnum(static_cast<unsigned char>(c)))
    return std::toupper(static_cast<unsigned char>(c));
  return Other_Key;
}

// Offset of column `column` of view line `line`: line 0 takes 71 characters
// and its line break, every data row 72 and its break.
int Offset(int line, int column) { return line == 0 ? column : 73 + 74 * (line - 1) + column; }

// Where the caret belongs for a cursor, on the text: before the digit the next
// hex key replaces, or before the byte's character.
int Caret_For(int row, int col, int nibble, bool ascii) {
  return ascii ? Offset(row + 1, 56 + col) : Offset(row + 1, 6 + 3 * col + nibble);
}

struct Editor_App {
  explicit Editor_App(int32_t end = 1023) : device_end(end) {}

  void Open() { editor.EditClick(); }
  void Key(int code) {
    editor.Edit_1KeyDown(code);
    editor.Edit_1KeyUp(code);
  }
  void Keys(int code, int times) {
    for (int i = 0; i < times; ++i) Key(code);
  }
  void Type(const std::string& text) {
    for (const char c : text) {
      editor.Edit_1KeyDown(Key_Code_Of(c));
      editor.Edit_1KeyPress(c);
      editor.Edit_1KeyUp(Key_Code_Of(c));
    }
  }
  void Type_Address(const std::string& text) {
    for (const char c : text) editor.Chg_Edit_AddKeyPress(c);
  }
  void Click(int line, int column) { editor.Edit_1MouseDown(Offset(line, column)); }

  [[nodiscard]] const std::vector<std::string>& Lines() const { return editor.View_Lines(); }
  [[nodiscard]] const std::string& Line(std::size_t index) const { return Lines().at(index); }
  [[nodiscard]] bool Visible(const char* name) const { return app.form.window.Get(name).visible; }
  [[nodiscard]] std::string Checksum() const { return app.form.window.Get("Chk_Sum_But").caption; }

  Sim_App app;
  int32_t device_end;
  Prom_Buffer_Unit buffer{app.form.window, app.form.states, app.form.link, device_end};
  Prom_Image& image = buffer.Prom_Buffer;
  int checksums = 0;
  Hex_Editor editor{app.form.window, image,     device_end, app.form.states,
                    app.form.link,   app.form.pump, [this] {
                      ++checksums;
                      buffer.Show_Checksum();
                    }};
};

void Fill_Counting(Prom_Image& image) {
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i);
}

struct Cursor {
  int32_t page;
  int32_t row;
  int32_t col;
  int32_t nibble;
};

void Expect_Cursor(const Hex_Editor& editor, const Cursor& expected) {
  EXPECT_EQ(editor.Page_Start, expected.page);
  EXPECT_EQ(editor.Cur_Row, expected.row);
  EXPECT_EQ(editor.Cur_Col, expected.col);
  EXPECT_EQ(editor.Cur_Nibble, expected.nibble);
}

void Set_Cursor(Hex_Editor& editor, const Cursor& cursor) {
  editor.Page_Start = cursor.page;
  editor.Draw_Page();
  editor.Cur_Row = cursor.row;
  editor.Cur_Col = cursor.col;
  editor.Cur_Nibble = cursor.nibble;
}

TEST(Hex_Editor, Opens_On_Page_Zero_Laid_Out_Byte_For_Byte) {
  Editor_App e;
  Fill_Counting(e.image);
  e.Open();
  const std::vector<std::string> expected = {
      "Address = 0000              Hex Data = 00                Ascii Data = .",
      "0000  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F   ................",
      "0010  10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F   ................",
      "0020  20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F    !\"#$%&'()*+,-./",
      "0030  30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F   0123456789:;<=>?",
      "0040  40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F   @ABCDEFGHIJKLMNO",
      "0050  50 51 52 53 54 55 56 57 58 59 5A 5B 5C 5D 5E 5F   PQRSTUVWXYZ[\\]^_",
      "0060  60 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F   `abcdefghijklmno",
      "0070  70 71 72 73 74 75 76 77 78 79 7A 7B 7C 7D 7E 7F   pqrstuvwxyz{|}~\x7F",
      "0080  80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F   ................",
      "0090  90 91 92 93 94 95 96 97 98 99 9A 9B 9C 9D 9E 9F   ................",
      "00A0  A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF   ................",
      "00B0  B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF   ................",
      "00C0  C0 C1 C2 C3 C4 C5 C6 C7 C8 C9 CA CB CC CD CE CF   ................",
      "00D0  D0 D1 D2 D3 D4 D5 D6 D7 D8 D9 DA DB DC DD DE DF   ................",
      "00E0  E0 E1 E2 E3 E4 E5 E6 E7 E8 E9 EA EB EC ED EE EF   ................",
      "00F0  F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF   ................",
  };
  EXPECT_EQ(e.Lines(), expected);
  EXPECT_EQ(e.Line(0).size(), 71u);
  for (std::size_t line = 1; line < 17; ++line) EXPECT_EQ(e.Line(line).size(), 72u);
  Expect_Cursor(e.editor, {0, 0, 0, 0});
  EXPECT_EQ(e.editor.Caret_Offset(), 79);
  EXPECT_TRUE(e.Visible("Edit_1"));
  EXPECT_EQ(e.editor.Focus_Target(), "Edit_1");
}

TEST(Hex_Editor, Status_Line_Shows_Address_Byte_And_Character) {
  EXPECT_EQ(Status_Line(0x3FF, 0x41),
            "Address = 03FF              Hex Data = 41                Ascii Data = A");
  EXPECT_EQ(Status_Line(0x12, 0x1F),
            "Address = 0012              Hex Data = 1F                Ascii Data = .");
}

TEST(Hex_Editor, Character_Form_Shows_0x20_To_0x7F_And_Dots_Elsewhere) {
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<uint8_t>(value);
    const char expected = value >= 0x20 && value <= 0x7F ? static_cast<char>(value) : '.';
    EXPECT_EQ(Character_Form(byte), expected) << value;
  }
}

TEST(Hex_Editor, Opening_Resets_Page_And_Cursor_But_Keeps_Character_Mode) {
  Editor_App e;
  e.app.Start();
  e.Open();
  e.Click(4, 60);  // character column 4 of row 3
  e.Key(key_code::Page_Down);
  e.app.form.states.Disable_Commands();
  e.app.form.window.Set_Visible("Memo1", true);
  e.app.Take_Wire();
  e.Open();
  Expect_Cursor(e.editor, {0, 0, 0, 0});
  EXPECT_TRUE(e.editor.Ascii_Mode);
  EXPECT_EQ(e.editor.Caret_Offset(), Offset(1, 56));
  EXPECT_FALSE(e.Visible("Memo1"));
  EXPECT_TRUE(e.app.form.window.Get("Program_Eprom").enabled);
  EXPECT_TRUE(e.app.form.window.Get("Fill").enabled);
  EXPECT_EQ(e.app.Take_Wire(), Idle_Sequence);
  EXPECT_EQ(e.checksums, 0);
}

struct Click_Case {
  const char* place;
  int line;
  int column;
  Cursor expected;  // page is always 0 here
  bool ascii;
  bool opens_box;
};

// The click table, one case per column class; data rows are tried on every row.
std::vector<Click_Case> Click_Cases() {
  std::vector<Click_Case> cases;
  for (int k = 0; k < 17; ++k) cases.push_back({"address on line 0", 0, k, {0, 0, 0, 0}, false, true});
  for (int k = 17; k <= 72; ++k) cases.push_back({"rest of line 0", 0, k, {0, 0, 0, 0}, false, false});
  for (int k = 0; k <= 6; ++k) cases.push_back({"columns 0 to 6 of row 0", 1, k, {0, 0, 0, 0}, false, false});
  for (int r = 0; r < 16; ++r) {
    const int line = r + 1;
    if (r >= 1) cases.push_back({"start of a row", line, 0, {0, r - 1, 15, 1}, true, false});
    for (int k = 1; k <= 5; ++k) cases.push_back({"row address", line, k, {0, r, 0, 0}, false, false});
    for (int j = 0; j <= 15; ++j) cases.push_back({"before the digits", line, 6 + 3 * j, {0, r, j, 0}, false, false});
    for (int j = 0; j <= 14; ++j) cases.push_back({"between the digits", line, 7 + 3 * j, {0, r, j, 0}, false, false});
    for (int j = 0; j <= 14; ++j) cases.push_back({"after the low digit", line, 8 + 3 * j, {0, r, j, 1}, false, false});
    for (int k = 52; k <= 56; ++k) cases.push_back({"past the hex columns", line, k, {0, r, 0, 1}, true, false});
    for (int j = 0; j <= 15; ++j) cases.push_back({"a character", line, 56 + j, {0, r, j, 1}, true, false});
    cases.push_back({"end of a row", line, 72, {0, r, 15, 1}, true, false});
  }
  cases.push_back({"end of the text", 16, 72, {0, 15, 15, 1}, true, false});
  return cases;
}

TEST(Hex_Editor, Click_Table_Every_Row) {
  for (const Click_Case& c : Click_Cases()) {
    SCOPED_TRACE(std::string(c.place) + " line " + std::to_string(c.line) + " column " +
                 std::to_string(c.column));
    Editor_App e;
    e.Open();
    e.editor.Cur_Nibble = 1;  // character clicks leave the digit as it was
    e.Click(c.line, c.column);
    Expect_Cursor(e.editor, c.expected);
    EXPECT_EQ(e.editor.Ascii_Mode, c.ascii);
    EXPECT_EQ(e.editor.Caret_Offset(),
              Caret_For(c.expected.row, c.expected.col, c.expected.nibble, c.ascii));
    EXPECT_EQ(e.Visible("Chg_Edit_Add"), c.opens_box);
    EXPECT_EQ(e.checksums, c.opens_box ? 1 : 0);
    EXPECT_TRUE(e.Visible("Edit_1"));
  }
}

TEST(Hex_Editor, Clicks_Below_The_Text_Select_The_Last_Character) {
  for (const int offset : {Hex_Editor::Text_End, Hex_Editor::Text_End + 1, Hex_Editor::Text_End + 2, 99999}) {
    Editor_App e;
    e.Open();
    e.editor.Edit_1MouseDown(offset);
    Expect_Cursor(e.editor, {0, 15, 15, 0});
    EXPECT_TRUE(e.editor.Ascii_Mode);
  }
}

TEST(Hex_Editor, Click_Moves_The_Status_Line_To_The_Clicked_Byte) {
  Editor_App e;
  Fill_Counting(e.image);
  e.Open();
  e.Click(4, 6 + 3 * 9);  // byte 9 of row 3 on page 0: address 0x39
  EXPECT_EQ(e.Line(0), Status_Line(0x39, 0x39));
}

TEST(Hex_Editor, A_Click_On_The_Address_Opens_An_Empty_Box_Over_The_View) {
  Editor_App e;
  e.image[0] = 0x07;
  e.Open();
  e.app.form.window.Set_Lines("Chg_Edit_Add", {"12"});
  e.editor.Edit_1MouseDown(3);
  EXPECT_TRUE(e.Visible("Chg_Edit_Add"));
  EXPECT_TRUE(e.app.form.window.Get("Chg_Edit_Add").lines.empty());
  EXPECT_EQ(e.editor.Focus_Target(), "Chg_Edit_Add");
  EXPECT_TRUE(e.Visible("Edit_1"));
  EXPECT_EQ(e.checksums, 1);
  EXPECT_EQ(e.Checksum(), "CheckSum=0007");
}

struct Key_Case {
  const char* name;
  int code;
  Cursor expected;
};

TEST(Hex_Editor, Key_Table) {
  const Cursor start{0x100, 5, 7, 1};
  const std::vector<Key_Case> cases = {
      {"Page Up", key_code::Page_Up, {0x000, 5, 7, 0}},
      {"Page Down", key_code::Page_Down, {0x200, 5, 7, 0}},
      {"End", key_code::End, {0x100, 5, 15, 1}},
      {"Home", key_code::Home, {0x100, 5, 0, 1}},
      {"Left on the low digit", key_code::Left, {0x100, 5, 7, 0}},
      {"Up", key_code::Up, {0x100, 4, 7, 1}},
      {"Right", key_code::Right, {0x100, 5, 8, 0}},
      {"Down", key_code::Down, {0x100, 6, 7, 1}},
      {"Return", 13, start},
      {"letter A", 65, start},
      {"code 32", 32, start},
      {"code 41", 41, start},
      {"code 0", 0, start},
  };
  for (const Key_Case& c : cases) {
    SCOPED_TRACE(c.name);
    Editor_App e;
    e.Open();
    Set_Cursor(e.editor, start);
    e.editor.Ascii_Mode = false;
    e.Key(c.code);
    Expect_Cursor(e.editor, c.expected);
    EXPECT_FALSE(e.editor.Ascii_Mode);
    EXPECT_EQ(e.Line(0), Status_Line(e.editor.Cursor_Address(), 0));
    EXPECT_EQ(e.editor.Caret_Offset(),
              Caret_For(c.expected.row, c.expected.col, c.expected.nibble, false));
  }
}

TEST(Hex_Editor, Left_On_The_High_Digit_Moves_One_Byte_Back) {
  Editor_App e;
  e.Open();
  Set_Cursor(e.editor, {0x100, 5, 7, 0});
  e.Key(key_code::Left);
  Expect_Cursor(e.editor, {0x100, 5, 6, 0});
}

struct Wrap_Case {
  const char* name;
  Cursor start;
  int code;
  Cursor expected;
};

TEST(Hex_Editor, Wrap_Rules) {
  const std::vector<Wrap_Case> cases = {
      {"left off column 0", {0x100, 5, 0, 0}, key_code::Left, {0x100, 4, 15, 0}},
      {"right off column 15", {0x100, 5, 15, 1}, key_code::Right, {0x100, 6, 0, 0}},
      {"up off row 0", {0x100, 0, 3, 1}, key_code::Up, {0x000, 15, 3, 0}},
      {"down off row 15", {0x100, 15, 3, 1}, key_code::Down, {0x200, 0, 3, 0}},
      {"left off the page", {0x100, 0, 0, 0}, key_code::Left, {0x000, 15, 15, 0}},
      {"right off the page", {0x200, 15, 15, 0}, key_code::Right, {0x300, 0, 0, 0}},
      {"right off the last page", {0x300, 15, 15, 0}, key_code::Right, {0x300, 0, 0, 0}},
      {"down off the last page", {0x300, 15, 9, 0}, key_code::Down, {0x300, 0, 9, 0}},
      {"up on the first page", {0x000, 0, 9, 1}, key_code::Up, {0x000, 0, 0, 0}},
      {"left at address 0", {0x000, 0, 0, 0}, key_code::Left, {0x000, 0, 0, 0}},
      {"any key after column 15 was completed", {0x100, 5, 16, 0}, Other_Key, {0x100, 6, 0, 0}},
      {"right after column 15 was completed", {0x100, 5, 16, 0}, key_code::Right, {0x100, 6, 1, 0}},
      {"left after column 15 was completed", {0x100, 5, 16, 0}, key_code::Left, {0x100, 5, 15, 0}},
      {"down after the last byte was completed", {0x100, 15, 16, 0}, key_code::Down, {0x200, 1, 0, 0}},
      {"page down after the last byte was completed", {0x100, 15, 16, 0}, key_code::Page_Down, {0x300, 0, 0, 0}},
  };
  for (const Wrap_Case& c : cases) {
    SCOPED_TRACE(c.name);
    Editor_App e;
    e.Open();
    Set_Cursor(e.editor, c.start);
    e.Key(c.code);
    Expect_Cursor(e.editor, c.expected);
  }
}

TEST(Hex_Editor, Small_Devices_Show_256_Bytes_And_Every_Redraw_Returns_To_Address_0) {
  for (const int32_t end : {31, 0}) {
    SCOPED_TRACE(end);
    Editor_App e(end);
    e.Open();
    for (int row = 0; row < 16; ++row) {
      char address[8];
      std::snprintf(address, sizeof address, "%04X", row * 16);
      EXPECT_EQ(e.Line(static_cast<std::size_t>(row) + 1).substr(0, 4), address);
    }
    e.Click(11, 6 + 3 * 3);  // row 10, byte 3: address 0xA3, far past the device end
    e.Type("5a");
    EXPECT_EQ(e.image[0xA3], 0x5A);
    EXPECT_EQ(e.Line(11).substr(15, 2), "5A");
    EXPECT_EQ(e.Line(11)[59], 'Z');
    for (const int code : {key_code::Page_Up, key_code::Page_Down}) {
      e.Click(8, 20);
      e.Key(code);
      EXPECT_EQ(e.editor.Cursor_Address(), 0) << code;
    }
    e.Click(16, 30);
    e.Key(key_code::Down);
    EXPECT_EQ(e.editor.Cursor_Address(), 0);
    e.Click(1, 30);
    e.Key(key_code::Up);
    EXPECT_EQ(e.editor.Cursor_Address(), 0);
  }
}

TEST(Hex_Editor, Page_Down_On_A_1k_Part_Stops_At_The_Last_Page) {
  Editor_App e(1023);
  e.Open();
  std::vector<int32_t> pages;
  for (int i = 0; i < 4; ++i) {
    e.Key(key_code::Page_Down);
    pages.push_back(e.editor.Page_Start);
  }
  EXPECT_EQ(pages, (std::vector<int32_t>{0x100, 0x200, 0x300, 0x300}));
  EXPECT_EQ(e.Line(16).substr(0, 4), "03F0");
  e.Click(16, 6 + 3 * 15);
  EXPECT_EQ(e.editor.Cursor_Address(), 0x3FF);
  e.Key(key_code::Right);
  EXPECT_EQ(e.editor.Cursor_Address(), 0x300);
  Expect_Cursor(e.editor, {0x300, 0, 0, 0});
}

TEST(Hex_Editor, Page_Up_Stops_At_The_First_Page) {
  Editor_App e(511);
  e.Open();
  e.Key(key_code::Page_Down);
  EXPECT_EQ(e.editor.Page_Start, 0x100);
  e.Key(key_code::Page_Down);
  EXPECT_EQ(e.editor.Page_Start, 0x100);
  e.Key(key_code::Page_Up);
  EXPECT_EQ(e.editor.Page_Start, 0);
  e.Click(6, 20);
  e.Key(key_code::Page_Up);
  EXPECT_EQ(e.editor.Cursor_Address(), 0);
}

TEST(Hex_Editor, Typing_4_And_1_Sets_41_And_Shows_A) {
  Editor_App e;
  e.image[0x25] = 0x9C;
  e.Open();
  e.Click(3, 6 + 3 * 5);  // address 0x25
  e.Type("4");
  EXPECT_EQ(e.image[0x25], 0x4C);
  EXPECT_EQ(e.editor.Cur_Nibble, 1);
  EXPECT_EQ(e.editor.Cur_Col, 5);
  EXPECT_EQ(e.editor.Caret_Offset(), Offset(3, 22));
  EXPECT_EQ(e.Line(0), Status_Line(0x25, 0x9C));
  e.Type("1");
  EXPECT_EQ(e.image[0x25], 0x41);
  EXPECT_EQ(e.Line(3),
            "0020  00 00 00 00 00 41 00 00 00 00 00 00 00 00 00 00   .....A..........");
  // The status line was rewritten at the key-down of "1", before the digit.
  EXPECT_EQ(e.Line(0), Status_Line(0x25, 0x4C));
  EXPECT_EQ(e.editor.Cur_Col, 6);
  EXPECT_EQ(e.editor.Cur_Nibble, 0);
  e.Key(key_code::Left);
  EXPECT_EQ(e.Line(0), Status_Line(0x25, 0x41));
}

TEST(Hex_Editor, Hex_Digits_In_Either_Case_Replace_One_Digit_Each) {
  struct Case {
    std::string typed;
    uint8_t expected;
  };
  const std::vector<Case> cases = {{"a", 0xA3}, {"Fe", 0xFE}, {"0", 0x03}, {"9", 0x93},
                                   {"bC", 0xBC}, {"g7", 0x73}, {"xz", 0x53}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Editor_App e;
    e.image[0x40] = 0x53;
    e.Open();
    e.Click(5, 6);
    e.Type(c.typed);
    EXPECT_EQ(e.image[0x40], c.expected);
  }
}

TEST(Hex_Editor, Colon_And_Semicolon_Change_Nothing_In_Hex_And_Are_Stored_As_Characters) {
  Editor_App hex;
  hex.image[0x10] = 0x77;
  hex.Open();
  hex.Click(2, 6);
  const Prom_Image before = hex.image;
  const auto lines_before = hex.Lines();
  hex.Type(":;");
  EXPECT_EQ(hex.image, before);
  EXPECT_EQ(std::vector<std::string>(hex.Lines().begin() + 1, hex.Lines().end()),
            std::vector<std::string>(lines_before.begin() + 1, lines_before.end()));
  Expect_Cursor(hex.editor, {0, 1, 0, 0});

  Editor_App text;
  text.Open();
  text.Click(2, 56);
  text.Type(":;");
  EXPECT_EQ(text.image[0x10], 0x3A);
  EXPECT_EQ(text.image[0x11], 0x3B);
  EXPECT_EQ(text.Line(2).substr(6, 5), "3A 3B");
  EXPECT_EQ(text.Line(2).substr(56, 2), ":;");
  EXPECT_EQ(text.editor.Cur_Col, 2);
}

TEST(Hex_Editor, Character_Mode_Stores_Control_Characters_Too) {
  Editor_App e;
  e.Open();
  e.Click(1, 60);
  e.editor.Edit_1KeyDown(8);
  e.editor.Edit_1KeyPress('\b');
  e.editor.Edit_1KeyDown(13);
  e.editor.Edit_1KeyPress('\r');
  EXPECT_EQ(e.image[4], 0x08);
  EXPECT_EQ(e.image[5], 0x0D);
  EXPECT_EQ(e.Line(1).substr(60, 2), "..");
}

TEST(Hex_Editor, Typing_Past_Column_15_Goes_On_At_The_Next_Row) {
  Editor_App e;
  e.Open();
  e.Click(1, 71);  // character column 15 of row 0
  e.Type("XY");
  EXPECT_EQ(e.image[15], 'X');
  EXPECT_EQ(e.image[16], 'Y');
  Expect_Cursor(e.editor, {0, 1, 1, 0});
}

TEST(Hex_Editor, A_Second_Character_Past_The_Row_Changes_Nothing) {
  Editor_App e;
  e.Open();
  e.Key(key_code::Page_Down);
  e.Key(key_code::Page_Down);
  e.Key(key_code::Page_Down);
  e.Click(16, 71);  // address 0x3FF in character mode
  e.editor.Edit_1KeyDown(Key_Code_Of('Q'));
  e.editor.Edit_1KeyPress('Q');
  const Prom_Image after_first = e.image;
  const auto lines = e.Lines();
  e.editor.Edit_1KeyPress('R');
  EXPECT_EQ(e.image[0x3FF], 'Q');
  EXPECT_EQ(e.image, after_first);
  EXPECT_EQ(e.Lines(), lines);
  EXPECT_EQ(e.editor.Cur_Col, 16);
}

TEST(Hex_Editor, Leaving_The_View_Hides_It_And_Shows_The_Checksum) {
  Editor_App e(31);
  e.app.Start();
  e.Open();
  e.Click(1, 6);
  e.Type("FF");
  e.app.form.states.Disable_Commands();
  e.app.Take_Wire();
  e.editor.Edit_1Exit();
  EXPECT_FALSE(e.Visible("Edit_1"));
  EXPECT_EQ(e.Checksum(), "CheckSum=00FF");
  EXPECT_TRUE(e.app.form.window.Get("Verify_Eprom").enabled);
  EXPECT_EQ(e.app.Take_Wire(), Idle_Sequence);
  // The page and cursor stay for the next time.
  Expect_Cursor(e.editor, {0, 0, 1, 0});
}

struct Address_Case {
  std::string typed;
  std::string box;
};

TEST(Hex_Editor, Address_Box_Takes_Hex_Digits_And_Backspace_Upper_Case_Up_To_Six) {
  const std::vector<Address_Case> cases = {
      {"1a2B", "1A2B"},   {"1234567", "123456"}, {"12\b3", "13"}, {"\b", ""},
      {"G-: 9x", "9"},    {"abcdef", "ABCDEF"},  {"ff\b\b\b", ""}, {"0123456789", "012345"},
  };
  for (const Address_Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Editor_App e;
    e.Open();
    e.editor.Edit_1MouseDown(0);
    e.Type_Address(c.typed);
    EXPECT_EQ(e.editor.Address_Box_Text(), c.box);
    EXPECT_TRUE(e.Visible("Chg_Edit_Add"));
  }
}

struct Jump_Case {
  int32_t device_end;
  std::string typed;
  int32_t page;
  std::string first_row;
  std::string last_row;
};

TEST(Hex_Editor, Address_Box_Jumps_To_The_Row_Of_The_Address) {
  const std::vector<Jump_Case> cases = {
      {1023, "150", 0x150, "0150", "0240"}, {1023, "3F5", 0x300, "0300", "03F0"},
      {1023, "0", 0x000, "0000", "00F0"},   {1023, "2FF", 0x2F0, "02F0", "03E0"},
      {511, "150", 0x100, "0100", "01F0"},  {31, "150", 0x000, "0000", "00F0"},
      {1023, "FFFFFF", 0x300, "0300", "03F0"},
  };
  for (const Jump_Case& c : cases) {
    SCOPED_TRACE(c.typed + " with device end " + std::to_string(c.device_end));
    Editor_App e(c.device_end);
    e.Open();
    e.editor.Edit_1MouseDown(10);
    e.Type_Address(c.typed + "\r");
    EXPECT_EQ(e.editor.Page_Start, c.page);
    EXPECT_EQ(e.Line(1).substr(0, 4), c.first_row);
    EXPECT_EQ(e.Line(16).substr(0, 4), c.last_row);
    EXPECT_FALSE(e.Visible("Chg_Edit_Add"));
    EXPECT_TRUE(e.Visible("Edit_1"));
    EXPECT_EQ(e.editor.Focus_Target(), "Edit_1");
    EXPECT_EQ(e.editor.Cursor_Address(), c.page);
  }
}

TEST(Hex_Editor, Return_On_An_Empty_Address_Box_Keeps_The_Page) {
  Editor_App e;
  e.Open();
  e.Key(key_code::Page_Down);
  e.editor.Edit_1MouseDown(5);
  e.Type_Address("\r");
  EXPECT_EQ(e.editor.Page_Start, 0x100);
  EXPECT_FALSE(e.Visible("Chg_Edit_Add"));
  EXPECT_EQ(e.editor.Focus_Target(), "Edit_1");
}

TEST(Hex_Editor, Pasted_Text_That_Is_No_Number_Fails_With_The_Page_Left_As_It_Was) {
  Editor_App e;
  e.Open();
  e.Key(key_code::Page_Down);
  e.editor.Edit_1MouseDown(5);
  e.editor.Paste_Into_Address_Box("g1");
  EXPECT_EQ(e.editor.Address_Box_Text(), "G1");
  const auto lines = e.Lines();
  try {
    e.editor.Chg_Edit_AddKeyPress('\r');
    FAIL() << "no error";
  } catch (const Handler_Error& error) {
    EXPECT_STREQ(error.what(), "'$G1' is not a valid integer value");
  }
  EXPECT_FALSE(e.Visible("Chg_Edit_Add"));
  EXPECT_EQ(e.editor.Focus_Target(), "Edit_1");
  EXPECT_EQ(e.editor.Page_Start, 0x100);
  EXPECT_EQ(e.Lines(), lines);
}

TEST(Hex_Editor, Paste_Stops_At_The_Line_Break_And_The_Box_Limit) {
  Editor_App e;
  e.Open();
  e.editor.Edit_1MouseDown(5);
  e.Type_Address("1");
  e.editor.Paste_Into_Address_Box("abcdefgh");
  EXPECT_EQ(e.editor.Address_Box_Text(), "1ABCDE");
  e.Type_Address("\b\b\b\b\b");
  e.editor.Paste_Into_Address_Box("2f\r\n77");
  EXPECT_EQ(e.editor.Address_Box_Text(), "12F");
}

TEST(Hex_Editor, Address_Box_Hides_When_It_Loses_The_Focus) {
  Editor_App e;
  e.Open();
  e.editor.Edit_1MouseDown(5);
  e.editor.Chg_Edit_AddExit();
  EXPECT_FALSE(e.Visible("Chg_Edit_Add"));
}

TEST(Hex_Editor, Start_Of_Data_Row_5_Selects_The_Last_Character_Of_Row_4) {
  Editor_App e;
  e.Open();
  e.editor.Edit_1MouseDown(73 + 74 * 5);
  Expect_Cursor(e.editor, {0, 4, 15, 0});
  EXPECT_TRUE(e.editor.Ascii_Mode);
}

TEST(Hex_Editor, Between_The_Digits_Of_Byte_15_Selects_Character_Column_0) {
  Editor_App e;
  e.Open();
  e.editor.Edit_1MouseDown(73 + 74 * 7 + 6 + 3 * 15 + 1);
  Expect_Cursor(e.editor, {0, 7, 0, 0});
  EXPECT_TRUE(e.editor.Ascii_Mode);
}

struct Device_End_Case {
  int32_t device_end;
  int32_t last_page;
};

TEST(Hex_Editor, Pages_Stay_Within_The_Image_Whatever_The_Device_End) {
  const std::vector<Device_End_Case> cases = {
      {5000, 0x300}, {1024, 0x300}, {1000, 0x2F0}, {600, 0x160}, {-7, 0}, {255, 0}, {300, 0x30}};
  for (const Device_End_Case& c : cases) {
    SCOPED_TRACE(c.device_end);
    Editor_App e(c.device_end);
    e.Open();
    e.Keys(key_code::Page_Down, 6);
    EXPECT_EQ(e.editor.Page_Start, c.last_page);
    EXPECT_GE(e.editor.Page_Start + 255, std::min(c.device_end, 1023));
    e.Click(16, 71);
    e.Type("Z");  // the page's last byte
    EXPECT_EQ(e.image[static_cast<std::size_t>(c.last_page + 255)], 'Z');
    EXPECT_EQ(e.editor.Page_Start, c.last_page);
  }
}

TEST(Hex_Editor, Offsets_Count_A_Line_Break_As_Two_Characters) {
  Editor_App e;
  e.Open();
  const auto& lines = e.Lines();
  EXPECT_EQ(Offset_Of(lines, {0, 0}), 0);
  EXPECT_EQ(Offset_Of(lines, {1, 0}), 73);
  EXPECT_EQ(Offset_Of(lines, {6, 0}), 73 + 74 * 5);
  EXPECT_EQ(Offset_Of(lines, {16, 72}), Hex_Editor::Text_End);
  for (int line = 0; line < 17; ++line) {
    const int length = static_cast<int>(lines[static_cast<std::size_t>(line)].size());
    for (int column = 0; column <= length; ++column) {
      const Text_Position place{line, column};
      EXPECT_EQ(Position_Of(lines, Offset_Of(lines, place)), place);
    }
    if (line < 16) {  // between carriage return and line feed: end of the line
      EXPECT_EQ(Position_Of(lines, Offset_Of(lines, {line, length}) + 1), (Text_Position{line, length}));
    }
  }
  EXPECT_EQ(Position_Of(lines, -4), (Text_Position{0, 0}));
  EXPECT_EQ(Position_Of(lines, 5000), (Text_Position{16, 72}));
  EXPECT_EQ(Position_Of({}, 12), (Text_Position{0, 0}));
}

TEST(Hex_Editor, The_Front_End_Hears_Of_Every_Change_Of_Text_Caret_And_Focus) {
  Editor_App e;
  int changes = 0;
  std::vector<std::string> focus_moves;
  e.editor.Set_View_Listener([&] { ++changes; });
  e.editor.Set_Focus_Listener([&](std::string_view control) { focus_moves.emplace_back(control); });
  e.Open();
  EXPECT_GT(changes, 0);
  changes = 0;
  e.editor.Edit_1KeyUp(key_code::Right);
  EXPECT_EQ(changes, 1);
  e.editor.Edit_1MouseDown(2);
  e.Type_Address("20\r");
  EXPECT_EQ(focus_moves, (std::vector<std::string>{"Edit_1", "Chg_Edit_Add", "Edit_1", "Edit_1"}));
}

// ---------------------------------------------------------------------------
// The oracle: a short statement of the cursor and edit rules, written apart
// from the editor, run side by side with it over random keys, clicks and
// characters.

struct Reference {
  int32_t end = 1023;
  int32_t page = 0, row = 0, col = 0, nibble = 0;
  bool ascii = false;
  Prom_Image image{};

  void Draw() {
    if (page + 256 >= end) page = end - 255;
    if (page < 0) page = row = col = 0;
    nibble = 0;
  }
  void Key(int code) {
    if (code == 33 || code == 34) {
      page += code == 33 ? -256 : 256;
      Draw();
    }
    if (code == 35) col = 15;
    if (code == 36) col = 0;
    if (code == 37 && nibble == 0) col -= 1;
    if (code == 37) nibble = 0;
    if (code == 38) row -= 1;
    if (code == 39) col += 1;
    if (code == 39) nibble = 0;
    if (code == 40) row += 1;
    if (col < 0 || col > 15) {
      row += col < 0 ? -1 : 1;
      col = (col + 16) % 16;
    }
    if (row < 0 || row > 15) {
      page += row < 0 ? -256 : 256;
      row = (row + 16) % 16;
      Draw();
    }
  }
  void Type(char c) {
    if (col > 15) return;
    uint8_t& byte = image[static_cast<std::size_t>(page + 16 * row + col)];
    if (ascii) {
      byte = static_cast<uint8_t>(c);
      ++col;
      return;
    }
    const char* digits = "0123456789abcdef";
    const char* found = std::strchr(digits, std::tolower(static_cast<unsigned char>(c)));
    if (found == nullptr || *found == 0) return;
    const int v = static_cast<int>(found - digits);
    byte = static_cast<uint8_t>(nibble == 0 ? (byte & 0x0F) | (v << 4) : (byte & 0xF0) | v);
    if (nibble == 1) ++col;
    nibble ^= 1;
  }
  void Select(int r, int c, int n, bool a) {
    row = r;
    col = c;
    ascii = a;
    if (!a) nibble = n;
  }
  // The click table, read by line and column.
  void Click(int offset) {
    if (offset >= 73 + 74 * 15 + 72) return Select(15, 15, 0, true);
    if (offset < 80) return Select(0, 0, 0, false);
    const int line = 1 + (offset - 73) / 74, k = (offset - 73) % 74, r = line - 1;
    if (k == 0) return Select(r - 1, 15, 0, true);
    if (k <= 5) return Select(r, 0, 0, false);
    if (k >= 52 && k <= 56) return Select(r, 0, 0, true);
    if (k > 56) return Select(r, std::min(k - 56, 15), 0, true);
    return Select(r, (k - 6) / 3, (k - 6) % 3 == 2 ? 1 : 0, false);
  }
  [[nodiscard]] int Caret() const { return Caret_For(row, col, nibble, ascii); }
  [[nodiscard]] std::string Row_Text(int r) const {
    std::string hex, chars;
    char address[8];
    std::snprintf(address, sizeof address, "%04X  ", page + 16 * r);
    for (int j = 0; j < 16; ++j) {
      const uint8_t b = image[static_cast<std::size_t>(page + 16 * r + j)];
      char digits[4];
      std::snprintf(digits, sizeof digits, "%02X ", b);
      hex += digits;
      chars += (b < 0x20 || b > 0x7F) ? '.' : static_cast<char>(b);
    }
    return address + hex + "  " + chars;
  }
};

void Run_Oracle(int32_t device_end, unsigned seed, int steps) {
  Editor_App e(device_end);
  Reference ref;
  ref.end = device_end;
  e.Open();
  ref.Draw();
  std::mt19937 random(seed);
  const auto below = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  const std::string typed = "0123456789abcdefABCDEF:;xZ ~";
  const std::vector<int> codes = {33, 34, 35, 36, 37, 38, 39, 40, 37, 39, 38, 40, 0, 13, 65};
  for (int step = 0; step < steps; ++step) {
    const std::size_t pick = below(10);
    std::string what;
    if (pick < 4) {
      const int code = codes[below(codes.size())];
      what = "key " + std::to_string(code);
      e.Key(code);
      ref.Key(code);
    } else if (pick < 7) {
      const int offset = static_cast<int>(below(1300));
      what = "click at " + std::to_string(offset);
      e.editor.Edit_1MouseDown(offset);
      ref.Click(offset);
    } else {
      const char c = typed[below(typed.size())];
      what = std::string("typed ") + c;
      e.Type(std::string(1, c));
      ref.Key(Key_Code_Of(c));
      ref.Type(c);
    }
    SCOPED_TRACE("step " + std::to_string(step) + ": " + what);
    ASSERT_EQ(e.editor.Page_Start, ref.page);
    ASSERT_EQ(e.editor.Cur_Row, ref.row);
    ASSERT_EQ(e.editor.Cur_Col, ref.col);
    ASSERT_EQ(e.editor.Cur_Nibble, ref.nibble);
    ASSERT_EQ(e.editor.Ascii_Mode, ref.ascii);
    ASSERT_EQ(e.editor.Caret_Offset(), ref.Caret());
    ASSERT_EQ(e.image, ref.image);
    for (int r = 0; r < 16; ++r) ASSERT_EQ(e.Line(static_cast<std::size_t>(r) + 1), ref.Row_Text(r));
  }
}

TEST(Hex_Editor, Oracle_Agrees_Over_Random_Keys_And_Clicks) {
  const std::vector<int32_t> device_ends = {1023, 511, 255, 31, 0};
  for (std::size_t i = 0; i < device_ends.size(); ++i) {
    SCOPED_TRACE(device_ends[i]);
    Run_Oracle(device_ends[i], 20240 + static_cast<unsigned>(i), 3000);
  }
}

}  // namespace
}  // namespace tarnik::testing
