#include "window/control_states.h"

namespace tarnik {

namespace {
const char* const Device_Buttons[] = {"Program_Eprom", "Verify_Eprom", "Move_Eprom", "Blank_Chk",
                                      "Compare"};
const char* const Other_Buttons[] = {"Chk_Sum_But", "Start_Add", "Save_But", "Load_But",
                                     "File_But",    "End_Add",   "Device",   "Help_1",
                                     "Scale",       "Edit",      "Fill"};
}  // namespace

void Control_States::Disable_Commands() {
  for (const char* name : Device_Buttons) window_.Set_Enabled(name, false);
  for (const char* name : Other_Buttons) window_.Set_Enabled(name, false);
  window_.Set_Visible("Memo1", false);
  window_.Set_Visible("Help1", false);
  window_.Set_Colour("StaticText3", colours::Yellow);
  window_.Set_Tag("StaticText3", 0);
  pump_.Process_Messages();
}

void Control_States::Enable_Commands() {
  if (holds_ > 0) {
    ready_owed_ = true;
    return;
  }
  // A link that was lost since the busy state began leaves them off.
  for (const char* name : Device_Buttons) window_.Set_Enabled(name, window_.Link_State() > 0);
  for (const char* name : Other_Buttons) window_.Set_Enabled(name, true);
  window_.Set_Visible("Help1", false);
  window_.Set_Visible("FillBox", false);
  window_.Set_Visible("Fill_Edit", false);
  window_.Set_Visible("File_Type", false);
  window_.Set_Colour("StaticText3", window_.Failure_Flag() == 0 ? colours::Lime : colours::Red);
  pump_.Process_Messages();
}

void Control_States::Release_Ready() {
  if (holds_ > 0) --holds_;
  if (holds_ > 0 || !ready_owed_) return;
  ready_owed_ = false;
  Enable_Commands();
}

}  // namespace tarnik
