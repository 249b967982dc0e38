#include "devices/device_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "devices/device_selection.h"
#include "devices/placement_pictures.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

// The device list as the user sees it, and what each row selects.
struct Row_Case {
  int row;
  const char* text;
  const char* caption;  // null: the row is no type
  int32_t end;
  int tag;
  const char* pane;
};

const Row_Case Rows[] = {
    {0, "    Signetics", nullptr, 0, 0, nullptr},
    {1, "", nullptr, 0, 0, nullptr},
    {2, "82S23           32 X 8", "82S23", 0x01F, 1, "Lower"},
    {3, "82S123          32 X 8", "82S123", 0x01F, 1, "Lower"},
    {4, "82S23A          32 X 8", "82S23A", 0x01F, 1, "Lower"},
    {5, "82S123A         32 X 8", "82S123A", 0x01F, 1, "Lower"},
    {6, "82S126         256 X 4", "82S126", 0x0FF, 3, "Upper"},
    {7, "82S129         256 X 4", "82S129", 0x0FF, 3, "Upper"},
    {8, "82S126A        256 X 4", "82S126A", 0x0FF, 3, "Upper"},
    {9, "82S129A        256 X 4", "82S129A", 0x0FF, 3, "Upper"},
    {10, "82S130         512 X 4", "82S130", 0x1FF, 3, "Upper"},
    {11, "82S131         512 X 4", "82S131", 0x1FF, 3, "Upper"},
    {12, "82S130A        512 X 4", "82S130A", 0x1FF, 3, "Upper"},
    {13, "82S131A        512 X 4", "82S131A", 0x1FF, 3, "Upper"},
    {14, "", nullptr, 0, 0, nullptr},
    {15, "Requires Adapter Socket,", nullptr, 0, 0, nullptr},
    {16, "See Page 12 of Prom.Doc..", nullptr, 0, 0, nullptr},
    {17, "", nullptr, 0, 0, nullptr},
    {18, "82S135         256 X 8", "82S135", 0x0FF, 6, "Page_1"},
    {19, "82S147(A)      512 X 8", "82S147", 0x1FF, 6, "Page_1"},
    {20, "82S181(A)(C)    1k X 8", "82S181", 0x3FF, 6, "Page_2"},
    {21, "", nullptr, 0, 0, nullptr},
    {22, "    National", nullptr, 0, 0, nullptr},
    {23, "", nullptr, 0, 0, nullptr},
    {24, "74S188          32 X 8", "74S188", 0x01F, 2, "Lower"},
    {25, "74S288          32 X 8", "74S288", 0x01F, 2, "Lower"},
    {26, "74S287         256 X 4", "74S287", 0x0FF, 4, "Upper"},
    {27, "74S387         256 X 4", "74S387", 0x0FF, 4, "Upper"},
    {28, "74S570         512 X 4", "74S570", 0x1FF, 4, "Upper"},
    {29, "74S571         512 X 4", "74S571", 0x1FF, 4, "Upper"},
    {30, "74S570A        512 X 4", "74S570A", 0x1FF, 4, "Upper"},
    {31, "74S571A        512 X 4", "74S571A", 0x1FF, 4, "Upper"},
    {32, "74S571B        512 X 4", "74S571B", 0x1FF, 4, "Upper"},
    {33, "", nullptr, 0, 0, nullptr},
    {34, "Requires Adapter Socket,", nullptr, 0, 0, nullptr},
    {35, "See Page 12 of Prom.Doc..", nullptr, 0, 0, nullptr},
    {36, "", nullptr, 0, 0, nullptr},
    {37, "74LS471        256 X 8", "74S471", 0x0FF, 5, "Page_1"},
    {38, "74S472(A)(B)   512 X 8", "74S472", 0x1FF, 5, "Page_1"},
    {39, "74S473(A)      512 X 8", "74S473", 0x1FF, 5, "Page_1"},
};

// A window with the selection unit, recording which panes were shown while
// each box was up.
struct Selection_Bench {
  Selection_Bench() {
    app.form.window.Subscribe([this](const Control& control, Change change, std::size_t) {
      if (change == Change::Visible && control.visible) shown.push_back(control.name);
    });
  }
  void Choose_Row(int row) {
    app.form.window.Set_Item_Index("Device_Box", row);
    selection.Device_BoxClick();
  }
  [[nodiscard]] const Control& Get(std::string_view name) const {
    return app.form.window.Get(name);
  }

  Sim_App app;
  Device_Selection selection{app.form.window, app.host, app.form.states};
  std::vector<std::string> shown;
};

TEST(Device_Catalogue, The_List_Holds_The_Forty_Rows_In_Order) {
  const auto& texts = Device_Row_Texts();
  ASSERT_EQ(texts.size(), std::size(Rows));
  for (const Row_Case& row : Rows) EXPECT_EQ(texts[static_cast<std::size_t>(row.row)], row.text);
  Selection_Bench bench;
  const Control& list = bench.Get("Device_Box");
  ASSERT_EQ(list.lines.size(), 40u);
  EXPECT_EQ(list.lines[20], "82S181(A)(C)    1k X 8");
  EXPECT_EQ(list.lines[22], "    National");
  EXPECT_EQ(list.lines[21], "");
}

TEST(Device_Catalogue, Type_Rows_Are_Twenty_Two_Wide_With_The_Organisation_At_The_End) {
  ASSERT_EQ(Device_Types().size(), 27u);
  for (const Device_Type& type : Device_Types()) {
    EXPECT_EQ(type.row_text.size(), 22u) << type.row_text;
    const std::string_view organisation = type.row_text.substr(18);
    EXPECT_TRUE(organisation == " X 8" || organisation == " X 4") << type.row_text;
  }
}

TEST(Device_Catalogue, Every_Row_Selects_As_The_Table_Says) {
  for (const Row_Case& row : Rows) {
    Selection_Bench bench;
    bench.app.form.window.Set_Tag("Device", 3);  // a class left from an earlier choice
    bench.Choose_Row(row.row);
    const auto& boxes = bench.app.host.boxes;
    ASSERT_EQ(boxes.size(), 1u) << row.row;
    if (row.caption == nullptr) {
      EXPECT_EQ(bench.Get("Device").caption, "No Device") << row.row;
      EXPECT_EQ(bench.selection.Device_End, 0x3FF) << row.row;
      EXPECT_EQ(bench.Get("Device").tag, 3) << row.row;
      EXPECT_EQ(boxes[0].text, "No Device Was Selected.");
      EXPECT_TRUE(boxes[0].position.centred);
      EXPECT_EQ(bench.Get("End_Add").caption, "Device End=3FF");
      for (const char* pane : {"Lower", "Upper", "Page_1", "Page_2"})
        EXPECT_EQ(std::count(bench.shown.begin(), bench.shown.end(), pane), 0) << row.row;
    } else {
      EXPECT_EQ(bench.Get("Device").caption, row.caption);
      EXPECT_EQ(bench.selection.Device_End, row.end) << row.row;
      EXPECT_EQ(bench.Get("Device").tag, row.tag) << row.row;
      EXPECT_EQ(bench.selection.Device_Tag(), row.tag);
      EXPECT_EQ(boxes[0].text, "");
      EXPECT_EQ(boxes[0].icon, Box_Icon::Information);
      EXPECT_FALSE(boxes[0].position.centred);
      EXPECT_EQ(boxes[0].position.left, 170);
      EXPECT_EQ(boxes[0].position.top, 260);
      EXPECT_NE(std::find(bench.shown.begin(), bench.shown.end(), row.pane), bench.shown.end())
          << row.row;
      EXPECT_FALSE(bench.Get(row.pane).visible) << "the pane goes once the box is confirmed";
    }
    EXPECT_EQ(bench.Get("Device_Box").tag, row.row);
    EXPECT_FALSE(bench.Get("Device_Box").visible);
  }
}

TEST(Device_Catalogue, The_1k_By_8_Type_Shows_The_24_Pin_Adapter) {
  Selection_Bench bench;
  bench.Choose_Row(20);
  EXPECT_EQ(bench.Get("Device").caption, "82S181");
  EXPECT_EQ(bench.selection.Device_End, 0x3FF);
  EXPECT_EQ(bench.Get("Device").tag, 6);
  EXPECT_EQ(bench.Get("End_Add").caption, "Device End=3FF");
  EXPECT_NE(std::find(bench.shown.begin(), bench.shown.end(), "Page_2"), bench.shown.end());
}

TEST(Device_Catalogue, The_Low_Power_Row_Selects_The_74S471) {
  Selection_Bench bench;
  bench.Choose_Row(37);
  EXPECT_EQ(bench.Get("Device").caption, "74S471");
  EXPECT_EQ(bench.selection.Device_End, 0xFF);
  EXPECT_EQ(bench.Get("Device").tag, 5);
  EXPECT_EQ(bench.Get("End_Add").caption, "Device End=0FF");
}

TEST(Device_Catalogue, A_Heading_After_A_Type_Keeps_The_Device_Tag) {
  Selection_Bench bench;
  bench.Choose_Row(10);  // 82S130
  ASSERT_EQ(bench.Get("Device").tag, 3);
  bench.Choose_Row(22);  // "    National"
  EXPECT_EQ(bench.Get("Device").caption, "No Device");
  EXPECT_EQ(bench.selection.Device_End, 0x3FF);
  EXPECT_EQ(bench.Get("End_Add").caption, "Device End=3FF");
  EXPECT_EQ(bench.Get("Device").tag, 3);
  EXPECT_EQ(bench.app.host.Box_Texts().back(), "No Device Was Selected.");
}

TEST(Device_Catalogue, A_32_By_8_End_Shows_Three_Digits) {
  Selection_Bench bench;
  bench.Choose_Row(24);
  EXPECT_EQ(bench.Get("End_Add").caption, "Device End=01F");
}

TEST(Device_Catalogue, A_Row_Outside_The_List_Only_Rewrites_The_End_Caption) {
  for (int row : {-1, 40, 1000}) {
    Selection_Bench bench;
    bench.Choose_Row(2);
    bench.app.host.boxes.clear();
    bench.selection.Device_End = 0x1234;
    bench.app.form.window.Set_Tag("Device_Box", row);
    bench.selection.Select_Device();
    EXPECT_TRUE(bench.app.host.boxes.empty()) << row;
    EXPECT_EQ(bench.Get("Device").caption, "82S23");
    EXPECT_EQ(bench.Get("Device").tag, 1);
    EXPECT_EQ(bench.selection.Device_End, 0x1234);
    EXPECT_EQ(bench.Get("End_Add").caption, "Device End=1234");
  }
}

TEST(Device_Catalogue, The_Device_Button_Opens_The_List_In_The_Busy_State) {
  Selection_Bench bench;
  bench.app.Start();
  bench.app.form.window.Set_Visible("Memo1", true);
  bench.selection.DeviceClick();
  EXPECT_TRUE(bench.Get("Device_Box").visible);
  EXPECT_FALSE(bench.Get("Device").enabled);
  EXPECT_FALSE(bench.Get("Program_Eprom").enabled);
  EXPECT_FALSE(bench.Get("Memo1").visible);
  bench.Choose_Row(7);
  EXPECT_FALSE(bench.Get("Device_Box").visible);
  EXPECT_TRUE(bench.Get("Device").enabled);
  EXPECT_TRUE(bench.Get("Program_Eprom").enabled);
  EXPECT_EQ(bench.Get("StaticText3").colour, colours::Lime);
}

TEST(Device_Catalogue, Types_Are_Found_By_Caption_Or_Row_Text_In_Any_Case) {
  struct Name_Case {
    const char* name;
    const char* caption;  // null: not found
  };
  const Name_Case cases[] = {
      {"82S129", "82S129"},           {"82s129a", "82S129A"},
      {"74LS471 256 X 8", "74S471"},  {"74ls471        256 x 8", "74S471"},
      {"74S471", "74S471"},           {"82S181(A)(C) 1k X 8", "82S181"},
      {"82S181", "82S181"},           {"Signetics", nullptr},
      {"", nullptr},                  {"82S12", nullptr},
  };
  for (const Name_Case& c : cases) {
    const Device_Type* type = Find_Device_Type(c.name);
    if (c.caption == nullptr) {
      EXPECT_EQ(type, nullptr) << c.name;
    } else {
      ASSERT_NE(type, nullptr) << c.name;
      EXPECT_EQ(type->caption, c.caption);
    }
  }
}

TEST(Device_Catalogue, Classes_Decide_Mask_Family_And_Programming_Supply) {
  struct Class_Case {
    int tag;
    bool four_bit;
    Pulse_Family family;
    int programmed_bits;
    uint8_t supply;
  };
  const Class_Case cases[] = {
      {0, false, Pulse_Family::None, 4, 0x62},     {1, false, Pulse_Family::Signetics, 8, 0x62},
      {2, false, Pulse_Family::National, 8, 0x22}, {3, true, Pulse_Family::Signetics, 4, 0x22},
      {4, true, Pulse_Family::National, 4, 0x62},  {5, false, Pulse_Family::National, 8, 0x62},
      {6, false, Pulse_Family::Signetics, 8, 0x62}, {7, false, Pulse_Family::None, 4, 0x62},
  };
  for (const Class_Case& c : cases) {
    EXPECT_EQ(Is_Four_Bit_Class(c.tag), c.four_bit) << c.tag;
    EXPECT_EQ(Family_Of_Class(c.tag), c.family) << c.tag;
    EXPECT_EQ(Programmed_Bits(c.tag), c.programmed_bits) << c.tag;
    EXPECT_EQ(Program_Supply(c.tag), c.supply) << c.tag;
  }
}

// --- The placement pictures ---

const char* const Banner[] = {"==========================================",
                              "= Prom Adapter for The Zorvik Programmer =",
                              "=========================================="};

void Expect_Banner(const std::vector<std::string>& lines, const std::string& indent) {
  ASSERT_GE(lines.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(lines[i], indent + Banner[i]);
}

std::size_t Line_Holding(const std::vector<std::string>& lines, const std::string& text,
                         std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i)
    if (lines[i].find(text) != std::string::npos) return i;
  return lines.size();
}

TEST(Placement_Pictures, Each_Has_Its_Line_Count_And_Banner) {
  EXPECT_EQ(Placement_Picture(Picture::Lower).size(), 25u);
  EXPECT_EQ(Placement_Picture(Picture::Upper).size(), 25u);
  EXPECT_EQ(Placement_Picture(Picture::Page_1).size(), 19u);
  EXPECT_EQ(Placement_Picture(Picture::Page_2).size(), 21u);
  Expect_Banner(Placement_Picture(Picture::Lower), "       ");
  Expect_Banner(Placement_Picture(Picture::Upper), "       ");
  Expect_Banner(Placement_Picture(Picture::Page_1), "    ");
  Expect_Banner(Placement_Picture(Picture::Page_2), "    ");
}

TEST(Placement_Pictures, The_Panes_Hold_The_Pictures) {
  Selection_Bench bench;
  EXPECT_EQ(bench.Get("Lower").lines, Placement_Picture(Picture::Lower));
  EXPECT_EQ(bench.Get("Page_2").lines, Placement_Picture(Picture::Page_2));
}

TEST(Placement_Pictures, The_Top_Views_Label_Programmer_Cable_Sockets_And_Adapter) {
  for (Picture picture : {Picture::Lower, Picture::Upper}) {
    const auto lines = Placement_Picture(picture);
    // Stacked labels: each word on the line below the one before.
    const std::vector<std::vector<const char*>> stacks = {
        {"The", "Zorvik", "Programmer"},
        {"Cable to", "Printer", "Port of", "Computer"},
        {"Zif", "Socket", "-->o"},
        {"Zorvik Zif", "Socket->o"},
        {"Prom", "Adapter", "-->"},
    };
    for (const auto& stack : stacks) {
      const std::size_t first = Line_Holding(lines, stack[0], 3);
      ASSERT_LT(first, lines.size()) << stack[0];
      for (std::size_t i = 1; i < stack.size(); ++i)
        EXPECT_NE(lines[first + i].find(stack[i]), std::string::npos) << stack[i];
    }
    // The cable leaves the programmer box's right edge.
    EXPECT_NE(Line_Holding(lines, "|===="), lines.size());
  }
}

TEST(Placement_Pictures, The_Part_Sits_In_The_Lower_Or_Upper_Half) {
  struct Half_Case {
    Picture picture;
    const char* word;
    bool lower;
  };
  for (const Half_Case& c : {Half_Case{Picture::Lower, "Lower", true},
                             Half_Case{Picture::Upper, "Upper", false}}) {
    const auto lines = Placement_Picture(c.picture);
    const std::size_t notch = Line_Holding(lines, "~", 3);
    ASSERT_LT(notch, lines.size());
    const std::size_t socket_top = Line_Holding(lines, "-->o");
    const std::size_t middle = (socket_top + lines.size()) / 2;
    EXPECT_EQ(notch >= middle, c.lower) << c.word;
    const std::size_t use = Line_Holding(lines, "Use");
    ASSERT_LT(use + 4, lines.size());
    const char* const label[] = {"Use", c.word, "Half of", "Zif", "Socket"};
    for (std::size_t i = 0; i < 5; ++i)
      EXPECT_EQ(lines[use + i].rfind(label[i], 0), 0u) << label[i];
  }
}

struct Wire_Row {
  int left_pin;
  const char* left_signal;
  const char* left_wire;
  int right_pin;
  const char* right_signal;
  const char* right_wire;
};

const Wire_Row Twenty_Pin[] = {
    {1, "A0", "Socket Pin 18", 20, "VCC", "Socket Pin 24"},
    {2, "A1", "Socket Pin 19", 19, "A8", "Socket Pin 30"},
    {3, "A2", "Socket Pin 20", 18, "A7", "Socket Pin 31"},
    {4, "A3", "Socket Pin 21", 17, "A6", "Socket Pin 1"},
    {5, "A4", "Socket Pin 22", 16, "A5", "Socket Pin 2"},
    {6, "D0", "Socket Pin 9", 15, "E1", "Socket Pin 23"},
    {7, "D1", "Socket Pin 10", 14, "D7", "Socket Pin 17"},
    {8, "D2", "Socket Pin 11", 13, "D6", "Socket Pin 15"},
    {9, "D3", "Socket Pin 12", 12, "D5", "Socket Pin 14"},
    {10, "GND", "Socket Pin 16", 11, "D4", "Socket Pin 13"},
};

const Wire_Row Twenty_Four_Pin[] = {
    {1, "A7", "Socket Pin 31", 24, "VCC", "Socket Pin 24"},
    {2, "A6", "Socket Pin 1", 23, "A8", "Socket Pin 30"},
    {3, "A5", "Socket Pin 2", 22, "A9", "Zorvik Zif Socket 26"},
    {4, "A4", "Socket Pin 22", 21, "E1", "Socket Pin 31"},
    {5, "A3", "Socket Pin 21", 20, "E2", "Socket Pin 16"},
    {6, "A2", "Socket Pin 20", 19, "E3", "Socket Pin 34"},
    {7, "A1", "Socket Pin 19", 18, "E4", "Socket Pin 24"},
    {8, "A0", "Socket Pin 18", 17, "D7", "Socket Pin 17"},
    {9, "D0", "Socket Pin 9", 16, "D6", "Socket Pin 15"},
    {10, "D1", "Socket Pin 10", 15, "D5", "Socket Pin 14"},
    {11, "D2", "Socket Pin 11", 14, "D4", "Socket Pin 13"},
    {12, "GND", "Socket Pin 16", 13, "D3", "Socket Pin 12"},
};

// The words of one pin row, split at blanks and the outline's edges.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line + " ") {
    if (c == ' ' || c == '|') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  return words;
}

void Expect_Adapter_Page(Picture picture, const char* title, const Wire_Row* rows,
                         std::size_t count) {
  const auto lines = Placement_Picture(picture);
  ASSERT_EQ(lines.size(), 7 + count + 2);
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "  This Part Requires a Adapter Socket as Follows: ");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(lines[6], std::string("                  ") + title + " ");
  const std::string& top = lines[7];
  const std::size_t notch = top.find('~');
  ASSERT_NE(notch, std::string::npos);
  std::string middle;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& line = lines[8 + i];
    const std::string left = std::string(rows[i].left_wire) + " --|";
    const std::string right = std::string("|-- ") + rows[i].right_wire;
    ASSERT_NE(line.find(left), std::string::npos) << line;
    ASSERT_GE(line.size(), right.size());
    EXPECT_EQ(line.substr(line.size() - right.size()), right) << line;
    const std::string inside = line.substr(line.find("--|") + 3, line.rfind("|--") - line.find("--|") - 3);
    std::vector<std::string> words = Words(inside);
    // The letter down the middle, if any, sits between the pin names.
    if (words.size() == 5) words.erase(words.begin() + 2);
    ASSERT_EQ(words.size(), 4u) << line;
    EXPECT_EQ(words[0], std::to_string(rows[i].left_pin));
    EXPECT_EQ(words[1], rows[i].left_signal);
    EXPECT_EQ(words[2], rows[i].right_signal);
    EXPECT_EQ(words[3], std::to_string(rows[i].right_pin));
    if (line[notch] != ' ') middle.push_back(line[notch]);
  }
  EXPECT_EQ(middle, "PROMCHIP");
  EXPECT_EQ(lines.back().find_first_not_of(' '), top.find('+'));
}

TEST(Placement_Pictures, The_20_Pin_Adapter_Shows_Every_Pin_And_Wire) {
  Expect_Adapter_Page(Picture::Page_1, "20 Pin Adapter", Twenty_Pin, std::size(Twenty_Pin));
}

TEST(Placement_Pictures, The_24_Pin_Adapter_Shows_Every_Pin_And_Wire) {
  Expect_Adapter_Page(Picture::Page_2, "24 Pin Adapter", Twenty_Four_Pin,
                      std::size(Twenty_Four_Pin));
}

}  // namespace
}  // namespace tarnik::testing
