// The main form's choice of a type by a maker's part number.

#include "app/main_form.h"

#include <cctype>

namespace tarnik {

void Main_Form::Choose_Part(const Part_Choice& choice) {
  if (choice.type == nullptr) return;
  Click("Device");
  Event("Device_Box", Event_Kind::Click, choice.type->row);
  if (!choice.maker_part) return;
  maker_part_ = choice.maker_part;
  devices.operations.Set_Blank_Value(maker_part_->blank == Blank_State::Ones ? 0xFF : 0x00);
  const std::string line = Foreign_Pulse_Line(*maker_part_);
  if (line.empty()) return;
  window.Append_Line("Memo1", line);
  window.Set_Visible("Memo1", true);
}

bool Main_Form::Foreign_Pulse_Accepted() {
  if (!maker_part_ || maker_part_->own_pulse || Allow_Foreign_Pulse) return true;
  Message_Box_Request box;
  box.text = maker_part_->part + " Parts Need Their Maker's Pulse, and the " +
             std::string(maker_part_->type->caption) +
             "'s Pulse May Destroy the Part. Program It Anyway?";
  box.icon = Box_Icon::Warning;
  box.buttons = Box_Buttons::Yes_No;
  box.default_no = true;
  box.title = Window_Title;
  return host.Message_Box(box) == Box_Answer::Yes;
}

namespace {
constexpr char Key_Return = '\r';
constexpr char Key_Backspace = '\b';
}  // namespace

void Main_Form::Device_FindKeyPress(char key) {
  const Control& box = window.Get("Device_Find");
  std::string text = box.lines.empty() ? std::string() : box.lines.front();
  if (key == Key_Return) {
    const std::vector<Part_Choice> found = maker_parts.Search(text);
    if (!found.empty()) Choose_Part(found.front());
    return;
  }
  if (key == Key_Backspace) {
    if (!text.empty()) text.pop_back();
  } else if (std::isprint(static_cast<unsigned char>(key)) != 0 &&
             static_cast<int>(text.size()) < box.max_length) {
    text += static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  } else {
    return;
  }
  window.Set_Lines("Device_Find", {text});
  Show_Part_Search(text);
}

void Main_Form::Show_Part_Search(const std::string& text) {
  const std::vector<Part_Choice> found = maker_parts.Search(text);
  if (text.empty()) {
    window.Set_Caption("Device_Found", "");
    return;
  }
  if (found.empty()) {
    window.Set_Caption("Device_Found", "No Type or Maker's Part Matches");
    return;
  }
  // The first match stands selected in the list, as a click would show it.
  window.Set_Item_Index("Device_Box", found.front().type->row);
  std::string caption = Choice_Name(found.front());
  if (found.size() > 1) caption += " and " + std::to_string(found.size() - 1) + " More";
  window.Set_Caption("Device_Found", caption);
}

void Main_Form::Wire_Maker_Parts() {
  // The search box stands beside the list while the list is open.
  window.Subscribe([this](const Control& control, Change change, std::size_t) {
    if (control.name != "Device_Box" || change != Change::Visible) return;
    window.Set_Visible("Device_Find", control.visible);
    window.Set_Visible("Device_Found", control.visible);
    if (control.visible) window.Set_Lines("Device_Find", {});
  });
  Wire("Device_Find", Event_Kind::Key_Press,
       [this](int key) { Device_FindKeyPress(static_cast<char>(key)); });
  auto list_click = handlers_.at({"Device_Box", Event_Kind::Click});
  Wire("Device_Box", Event_Kind::Click, [this, list_click = std::move(list_click)](int row) {
    maker_part_.reset();
    devices.operations.Set_Blank_Value(0x00);
    list_click(row);
  });
  auto program = handlers_.at({"Program_Eprom", Event_Kind::Click});
  Wire("Program_Eprom", Event_Kind::Click, [this, program = std::move(program)](int value) {
    bool refused = false;
    Run_Command([this, &refused] {
      refused = !Foreign_Pulse_Accepted();
      if (!refused) return;
      window.Clear_Lines("Memo1");
      window.Set_Caption("StaticText3", Foreign_Pulse_Line(*maker_part_));
      window.Set_Tag("StaticText3", 1);
      states.Enable_Commands();
    });
    if (!refused) program(value);
  });
}

}  // namespace tarnik
