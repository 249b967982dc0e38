// The control table of the main window: names, parents, bounds, captions,
// hints, colours and fonts as the window is created.

#include "window/window_model.h"

namespace tarnik {

namespace {

const Font_Spec Button_Font{"MS Sans Serif", 11, true};
const Font_Spec Status_Font{"MS Sans Serif", 12, true};
const Font_Spec Fixed_12{"Fixedsys", 12, false};
const Font_Spec Picture_Font{"Fixedsys", 11, false};

Control Panel(std::string name, Bounds bounds, Rgb colour) {
  Control c;
  c.name = std::move(name);
  c.kind = Control_Kind::Panel;
  c.parent = "MainForm";
  c.bounds = bounds;
  c.colour = colour;
  c.font = Font_Spec{"MS Sans Serif", 14, true};
  return c;
}

// Left-column buttons: 110 x 20 at left 4 inside their panel.
Control Column_Button(std::string name, std::string parent, int top, std::string caption,
                      std::string hint) {
  Control c;
  c.name = std::move(name);
  c.kind = Control_Kind::Button;
  c.parent = std::move(parent);
  c.bounds = Bounds{4, top, 110, 20};
  c.caption = std::move(caption);
  c.hint = std::move(hint);
  c.font = Button_Font;
  return c;
}

Control Work_Control(std::string name, Control_Kind kind, Bounds bounds, Font_Spec font,
                     bool visible) {
  Control c;
  c.name = std::move(name);
  c.kind = kind;
  c.parent = "MainForm";
  c.bounds = bounds;
  c.font = std::move(font);
  c.visible = visible;
  return c;
}

Control Form() {
  Control c;
  c.name = "MainForm";
  c.kind = Control_Kind::Form;
  c.bounds = Bounds{616, 114, 662, 476};
  c.caption = Window_Caption;
  c.colour = colours::Navy;
  c.font = Font_Spec{"MS Sans Serif", 14, true};
  return c;
}

void Add_Buttons_And_Panels(std::vector<Control>& t) {
  t.push_back(Panel("Panel7", {6, 4, 118, 28}, colours::Red));
  t.push_back(Column_Button("Program_Eprom", "Panel7", 4, "&Program Device",
                            "Programs the Device from the Buffer..."));
  t.push_back(Panel("Panel1", {6, 36, 118, 108}, colours::Lime));
  t.push_back(Column_Button("Blank_Chk", "Panel1", 4, "&Blank Check",
                            "Checks for FF in all locations..."));
  t.push_back(Column_Button("Verify_Eprom", "Panel1", 24, "&Verify Device",
                            "Verifies Device Data to the Buffer..."));
  t.push_back(Column_Button("Move_Eprom", "Panel1", 44, "&Move Device",
                            "Moves Device Data to the Buffer..."));
  t.push_back(Column_Button("Compare", "Panel1", 64, "Program Compare",
                            "Checks to See if the Device Can be Programmed Over..."));
  t.push_back(Column_Button("Device", "Panel1", 84, "No Device", "Selects the Device Type..."));
  t.push_back(Panel("Panel2", {6, 148, 118, 48}, colours::Yellow));
  t.push_back(Column_Button("Edit", "Panel2", 4, "&Edit Buffer", "Changes Buffer Content..."));
  t.push_back(Column_Button("Fill", "Panel2", 24, "&Fill Buffer", "Fills Buffer with XX Data..."));
  t.push_back(Panel("Panel5", {6, 200, 118, 88}, colours::Aqua));
  t.push_back(Column_Button("Chk_Sum_But", "Panel5", 4, "&Check Sum=0000",
                            "Creates a Check Sum of the Buffer Data..."));
  t.push_back(Column_Button("Load_But", "Panel5", 24, "&Load Buffer",
                            "Loads Buffer from Disk File..."));
  t.push_back(Column_Button("Save_But", "Panel5", 44, "&Save Buffer",
                            "Save's Buffer to Disk File..."));
  t.push_back(Column_Button("File_But", "Panel5", 64, "Binary File",
                            "Selects File Type to Load & Save..."));
  t.push_back(Panel("Panel4", {6, 310, 118, 48}, colours::Blue));
  t.push_back(Column_Button("Help_1", "Panel4", 4, "Help", "Requires Brevan.Txt File..."));
  t.push_back(Column_Button("Scale", "Panel4", 24, "Large Buttons",
                            "Makes the Buttons Larger or Smaller..."));
  t.push_back(Panel("Panel6", {6, 364, 118, 48}, colours::Fuchsia));
  t.push_back(Column_Button("Start_Add", "Panel6", 4, "Device Start=0000", ""));
  t.push_back(Column_Button("End_Add", "Panel6", 24, "Device End=0000", ""));
}

void Add_Work_Area(std::vector<Control>& t) {
  Control status = Work_Control("StaticText3", Control_Kind::Static_Text, {248, 8, 141, 17},
                                Status_Font, true);
  status.caption = "Looking For Programmer";
  status.colour = colours::Yellow;
  t.push_back(status);

  Control last_file = Work_Control("StaticText4", Control_Kind::Static_Text, {6, 426, 243, 17},
                                   Font_Spec{"MS Sans Serif", 11, true}, true);
  last_file.caption = "Last File Loaded in Buffer=No File Loaded";
  last_file.colour = colours::Silver;
  t.push_back(last_file);

  Control address = Work_Control("Address", Control_Kind::Button, {128, 8, 110, 20}, Button_Font,
                                 true);
  address.caption = "0000";
  t.push_back(address);

  Control vpp = Work_Control("Vpp_But", Control_Kind::Button, {248, 32, 150, 20}, Status_Font,
                             false);
  vpp.caption = "Vcc=5.00/Vpc=10.75";
  vpp.tag = 1;
  t.push_back(vpp);

  Control memo = Work_Control("Memo1", Control_Kind::Memo, {165, 56, 397, 241},
                              Font_Spec{"Fixedsys", 13, false}, true);
  memo.lines = {"Memo1"};  // the design-time line, removed by FormCreate
  memo.read_only = true;
  t.push_back(memo);

  Control help = Work_Control("Help1", Control_Kind::Memo, {128, 32, 513, 385}, Status_Font,
                              false);
  help.vertical_scroll = true;
  t.push_back(help);

  Control view = Work_Control("Edit_1", Control_Kind::Rich_Text, {138, 53, 511, 263},
                              Font_Spec{"Courier New", 12, false}, false);
  view.read_only = true;
  t.push_back(view);

  Control address_box = Work_Control("Chg_Edit_Add", Control_Kind::Edit, {166, 30, 59, 23},
                                     Fixed_12, false);
  address_box.upper_case = true;
  address_box.max_length = 6;
  t.push_back(address_box);

  Control fill_edit = Work_Control("Fill_Edit", Control_Kind::Edit, {290, 182, 37, 23}, Fixed_12,
                                   false);
  fill_edit.upper_case = true;
  fill_edit.max_length = 2;
  t.push_back(fill_edit);

  t.push_back(Work_Control("FillBox", Control_Kind::List_Box, {128, 152, 162, 66}, Fixed_12,
                           false));

  Control file_type = Work_Control("File_Type", Control_Kind::List_Box, {128, 246, 103, 65},
                                   Fixed_12, false);
  file_type.lines = {"Binary", "Intel Hex", "Motorola Hex", "Ascii Hex"};
  t.push_back(file_type);

  t.push_back(Work_Control("Device_Box", Control_Kind::List_Box, {128, 32, 240, 385}, Fixed_12,
                           false));
  // Beside the device list while it is open: the number on the chip, and
  // what it chooses.
  Control find = Work_Control("Device_Find", Control_Kind::Edit, {376, 32, 190, 23}, Fixed_12,
                              false);
  find.upper_case = true;
  find.max_length = 20;
  find.hint = "Type the Number on the Chip (N82S129AN, TBP24S10N, 6301-1J); Enter Chooses It";
  t.push_back(find);
  t.push_back(Work_Control("Device_Found", Control_Kind::Static_Text, {376, 58, 262, 17},
                           Status_Font, false));

  const std::pair<const char*, Bounds> pictures[] = {{"Lower", {128, 32, 497, 385}},
                                                     {"Upper", {128, 32, 497, 385}},
                                                     {"Page_1", {128, 32, 425, 305}},
                                                     {"Page_2", {128, 32, 441, 337}}};
  for (const auto& [name, bounds] : pictures) {
    Control picture = Work_Control(name, Control_Kind::Memo, bounds, Picture_Font, false);
    picture.read_only = true;
    t.push_back(picture);
  }
}

}  // namespace

std::vector<Control> Initial_Controls() {
  std::vector<Control> table;
  table.push_back(Form());
  Add_Buttons_And_Panels(table);
  Add_Work_Area(table);
  return table;
}

}  // namespace tarnik
