#include "app/main_form.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "app/archive_images.h"
#include "app/part_run.h"
#include "window/hex_text.h"
#include "window/text_file.h"

namespace tarnik {

Main_Form::Main_Form(Ftd2xx& driver, Host& host_in)
    : host(host_in),
      pump(host_in),
      states(window, pump),
      usb(driver, host_in),
      link(usb, host_in, window, pump, states),
      discovery(usb, link, window, host_in),
      flash(usb, link, window, host_in, states, [this] { return files.Run_Open_Dialog(); }),
      help_scale(window, host_in, states),
      devices(window, host_in, pump, states, link, Prom_Buffer,
              [this] { buffer.Show_Checksum(); }),
      buffer(window, states, link, Prom_Buffer, devices.selection.Device_End),
      files(window, host_in, pump, states, buffer, devices.selection.Device_End),
      editor(window, Prom_Buffer, devices.selection.Device_End, states, link, pump,
             [this] { buffer.Show_Checksum(); }) {
  Wire_Device_Handlers();
  Wire_Buffer_Handlers();
  Wire_Editor_Handlers();
  Wire_Marks();
  Wire_Fault_Display();
  Wire_Identity();
  Wire_Diagnosis();
  Wire_Maker_Parts();
  Wire_Named_Image();
  Wire_Records();
  Wire_Part_Run();
  files.Read_Archive = Read_Archive_Image;
  devices.operations.Set_Progress(&progress);
  Wire_Click("Help_1", [this] { Run_Command([this] { help_scale.Help_1Click(); }); });
  Wire_Click("Scale", [this] { Run_Command([this] { help_scale.ScaleClick(); }); });
  discovery.Set_Flash_Update([this] { flash.Flash_Update(); });
  Wire_Click("StaticText3", [this] { StaticText3Click(); });
}

void Main_Form::Wire_Device_Handlers() {
  const std::pair<const char*, void (Device_Operations::*)()> operations[] = {
      {"Blank_Chk", &Device_Operations::Blank_ChkClick},
      {"Verify_Eprom", &Device_Operations::Verify_EpromClick},
      {"Move_Eprom", &Device_Operations::Move_EpromClick},
      {"Compare", &Device_Operations::CompareClick},
      {"Program_Eprom", &Device_Operations::Program_EpromClick},
  };
  for (const auto& [name, handler] : operations)
    Wire_Click(name, [this, handler = handler] {
      Run_Command([this, handler] { (devices.operations.*handler)(); });
    });
  Wire_Click("Device", [this] { Run_Command([this] { devices.selection.DeviceClick(); }); });
  Wire_List("Device_Box", [this] { devices.selection.Device_BoxClick(); });
  Wire("Help_1", Event_Kind::Key_Press, [this](int key) {
    Run_Command([this, key] { devices.voltage.Help_1KeyPress(static_cast<char>(key)); });
  });
  Wire_Click("Vpp_But", [this] { Run_Command([this] { devices.voltage.Vpp_ButClick(); }); });
}

void Main_Form::Wire_List(std::string list_name, std::function<void()> handler) {
  Wire(list_name, Event_Kind::Click, [this, list_name, handler = std::move(handler)](int row) {
    Run_Command([&] {
      window.Set_Item_Index(list_name, row);
      handler();
    });
  });
}

void Main_Form::Wire_Editor_Handlers() {
  Wire_Click("Edit", [this] { Run_Command([this] { editor.EditClick(); }); });
  const std::pair<Event_Kind, void (Hex_Editor::*)(int)> view_events[] = {
      {Event_Kind::Key_Down, &Hex_Editor::Edit_1KeyDown},
      {Event_Kind::Key_Up, &Hex_Editor::Edit_1KeyUp},
      {Event_Kind::Mouse_Down, &Hex_Editor::Edit_1MouseDown},
  };
  for (const auto& [kind, handler] : view_events)
    Wire("Edit_1", kind, [this, handler = handler](int value) {
      Run_Command([this, handler, value] { (editor.*handler)(value); });
    });
  Wire("Edit_1", Event_Kind::Key_Press, [this](int key) {
    Run_Command([this, key] { editor.Edit_1KeyPress(static_cast<char>(key)); });
  });
  Wire("Edit_1", Event_Kind::Exit, [this](int) { Run_Command([this] { editor.Edit_1Exit(); }); });
  Wire("Chg_Edit_Add", Event_Kind::Key_Press, [this](int key) {
    Run_Command([this, key] { editor.Chg_Edit_AddKeyPress(static_cast<char>(key)); });
  });
  Wire("Chg_Edit_Add", Event_Kind::Exit,
       [this](int) { Run_Command([this] { editor.Chg_Edit_AddExit(); }); });
}

void Main_Form::Wire_Marks() {
  editor.Set_Edit_Listener([this](int32_t address) { devices.operations.Marks().Clear_At(address); });
  // A fill or a load that changes the buffer takes the marks away: they no
  // longer describe it. One that leaves every byte as it was keeps them.
  const std::pair<const char*, Event_Kind> buffer_writers[] = {
      {"FillBox", Event_Kind::Click},
      {"Fill_Edit", Event_Kind::Key_Press},
      {"Load_But", Event_Kind::Click},
  };
  for (const auto& [control, kind] : buffer_writers) {
    auto handler = handlers_.at({control, kind});
    Wire(control, kind, [this, handler = std::move(handler)](int value) {
      const Prom_Image before = Prom_Buffer;
      handler(value);
      if (Prom_Buffer != before) devices.operations.Marks().Clear();
    });
  }
}

void Main_Form::Wire_Fault_Display() {
  // These commands end with the idle sequence after the busy state has
  // hidden the message list: a link fault there is shown as every other one
  // is, its line on top of the list and the list in view.
  const std::pair<const char*, Event_Kind> idling_commands[] = {
      {"Load_But", Event_Kind::Click},
      {"FillBox", Event_Kind::Click},
      {"Fill_Edit", Event_Kind::Key_Press},
      {"Chk_Sum_But", Event_Kind::Click},
  };
  for (const auto& [control, kind] : idling_commands) {
    auto handler = handlers_.at({control, kind});
    const Stopped_Step step = std::string_view(control) == "Load_But" ? Stopped_Step::Loading_File
                                                                      : Stopped_Step::Unnamed;
    Wire(control, kind, [this, step, handler = std::move(handler)](int value) {
      Link_Fault_Watch watch;
      watch.Start(link);
      handler(value);
      if (watch.Faulted(link)) Show_Stopped(watch, step);
    });
  }
}

void Main_Form::Wire_Identity() {
  for (const char* control : {"Move_Eprom", "Load_But", "Verify_Eprom"}) {
    auto handler = handlers_.at({control, Event_Kind::Click});
    const std::string name = control;
    Wire(control, Event_Kind::Click, [this, name, handler = std::move(handler)](int value) {
      const uint32_t link_faults = link.Link_Faults;
      // The names follow in the same click: the status line turns once they
      // are in the list, not before.
      const bool hold = static_cast<bool>(identity.Find_Sources);
      if (hold) states.Hold_Ready();
      handler(value);
      // A link cut short, a read stopped or a file refused leaves nothing
      // new to name; a verify names the image whether it passed or not.
      const bool refused = name == "Load_But" && (files.Last_Load.refused || files.Last_Load.no_data);
      const bool stopped = name == "Move_Eprom" && window.Failure_Flag() != 0;
      if (link.Link_Faults == link_faults && !refused && !stopped)
        Run_Command([this] {
          identity.Report(Prom_Buffer, devices.selection.Device_End, devices.access.Device_Tag());
        });
      // Also after a refusal, or an error that ended the look-up.
      if (hold) states.Release_Ready();
    });
  }
  auto checksum = handlers_.at({"Chk_Sum_But", Event_Kind::Click});
  Wire("Chk_Sum_But", Event_Kind::Click, [this, checksum = std::move(checksum)](int value) {
    checksum(value);
    identity.Keep_Hint(Prom_Buffer, devices.selection.Device_End);
  });
}

void Main_Form::Wire_Records() {
  const std::pair<const char*, const char*> recorded[] = {
      {"Blank_Chk", "blank"}, {"Verify_Eprom", "verify"}, {"Move_Eprom", "read"},
      {"Compare", "compare"}, {"Program_Eprom", "program"}, {"Load_But", "load"},
      {"Save_But", "save"},
  };
  for (const auto& [control, operation] : recorded) {
    auto handler = handlers_.at({control, Event_Kind::Click});
    const std::string name = operation;
    Wire(control, Event_Kind::Click, [this, name, handler = std::move(handler)](int value) {
      // A click that reaches a running command, or a file dialog put away,
      // does nothing worth a record.
      if (!records.Sink || command_running_) return handler(value);
      const uint32_t files_chosen = files.Files_Chosen;
      records.Start();
      handler(value);
      const bool file_operation = name == "load" || name == "save";
      if (file_operation && files.Files_Chosen == files_chosen) return;
      records.Sink(records.Made(name));
    });
  }
}

void Main_Form::Wire_Part_Run() {
  auto program = handlers_.at({"Program_Eprom", Event_Kind::Click});
  Wire("Program_Eprom", Event_Kind::Click, [this, program = std::move(program)](int value) {
    program(value);
    if (!Offer_Another_Part || command_running_ || window.Failure_Flag() != 0) return;
    Part_Run run;
    run.Add(true);
    while (Another_Part_Wanted()) {
      if (Next_Part) Next_Part();
      // Each further part is checked before its burn: one that cannot take
      // the buffer is counted failed and left as it came.
      records.Start();
      Check_Before_Burn();
      const bool fit = window.Failure_Flag() == 0;
      if (!fit && records.Sink) records.Sink(records.Made("program"));
      if (fit) program(value);
      // A link fault ends the run: the next part would meet the same link.
      if (window.Get("StaticText3").caption.rfind("Stopped", 0) == 0) break;
      run.Add(window.Failure_Flag() == 0);
      Show_Tally(run.Tally(), false);
    }
    if (run.Parts() > 1) Show_Tally(run.Tally(), true);
  });
}

bool Main_Form::Another_Part_Wanted() {
  Message_Box_Request box;
  box.text = Another_Part_Question;
  box.icon = Box_Icon::Confirmation;
  box.buttons = Box_Buttons::Yes_No;
  box.title = Window_Title;
  return host.Message_Box(box) == Box_Answer::Yes;
}

void Main_Form::Show_Tally(const std::string& tally, bool final_line) {
  window.Set_Caption("MainForm", std::string(Window_Title) + " - " + tally);
  if (!final_line) return;
  window.Append_Line("Memo1", tally);
  window.Set_Visible("Memo1", true);
}

void Main_Form::Put_In_Buffer(std::string_view bytes) {
  Run_Command([this, bytes] {
    states.Disable_Commands();
    const std::size_t size = std::min(bytes.size(), Prom_Buffer.size());
    std::copy_n(bytes.begin(), size, Prom_Buffer.begin());
    devices.operations.Marks().Clear();
    buffer.Show_Checksum();
    identity.Report(Prom_Buffer, devices.selection.Device_End, devices.access.Device_Tag());
  });
}

void Main_Form::Index_Known_Images_In_Background() {
  identity.Index_In_Background([this](std::function<void()> call) { host.Post(std::move(call)); },
                               [this] { return command_running_; });
}

void Main_Form::Wire_Buffer_Handlers() {
  Wire_Click("Chk_Sum_But", [this] { Run_Command([this] { buffer.Chk_Sum_ButClick(); }); });
  Wire_Click("Fill", [this] { Run_Command([this] { buffer.FillClick(); }); });
  Wire_List("FillBox", [this] { buffer.FillBoxClick(); });
  Wire("Fill_Edit", Event_Kind::Key_Press, [this](int key) {
    Run_Command([this, key] { buffer.Fill_EditKeyPress(static_cast<char>(key)); });
  });
  Wire_Click("File_But", [this] { Run_Command([this] { files.File_ButClick(); }); });
  Wire_List("File_Type", [this] { files.File_TypeClick(); });
  Wire_Click("Load_But", [this] { Run_Command([this] { files.Load_ButClick(); }); });
  Wire_Click("Save_But", [this] { Run_Command([this] { files.Save_ButClick(); }); });
}

void Main_Form::Wire(std::string control_name, Event_Kind kind,
                     std::function<void(int)> handler) {
  handlers_[{std::move(control_name), kind}] = std::move(handler);
}

void Main_Form::Wire_Click(std::string control_name, std::function<void()> handler) {
  Wire(std::move(control_name), Event_Kind::Click,
       [handler = std::move(handler)](int) { handler(); });
}

bool Main_Form::Handles(std::string_view control_name, Event_Kind kind) const {
  return handlers_.find({std::string(control_name), kind}) != handlers_.end();
}

bool Main_Form::Event(std::string_view control_name, Event_Kind kind, int value) {
  const auto handler = handlers_.find({std::string(control_name), kind});
  if (handler == handlers_.end()) return false;
  // A disabled or hidden control takes no input, whichever front end asks.
  const Control& control = window.Get(control_name);
  if (!control.enabled || !control.visible) return true;
  handler->second(value);
  return true;
}

void Main_Form::Show_Error_Box(const std::string& text) {
  Message_Box_Request box;
  box.text = text + ".";
  box.icon = Box_Icon::Stop;
  box.buttons = Box_Buttons::Ok;
  box.position.centred = true;
  box.title = Window_Title;
  host.Message_Box(box);
}

void Main_Form::Show_Stopped(const Link_Fault_Watch& watch, Stopped_Step step) {
  window.Set_Caption("StaticText3", Stopped_Line(watch.Stopped_Text(link), step));
  window.Set_Colour("StaticText3", colours::Red);
  window.Set_Visible("Memo1", true);
}

void Main_Form::Run_Command(const std::function<void()>& body) {
  if (command_running_) return;
  command_running_ = true;
  try {
    body();
  } catch (const std::exception& error) {
    Show_Error_Box(error.what());
  }
  // An operation that ended early still gives the window its title back.
  progress.End();
  identity.Show_Index_Progress();
  link.Flush();
  if (After_Command) After_Command();
  command_running_ = false;
}

void Main_Form::FormCreate() {
  Run_Command([this] {
    link.Packet_Len = 8;
    files.OpenDialog1.initial_dir = host.Current_Directory();
    files.SaveDialog1.initial_dir = host.Current_Directory();
    host.Stop_Timer1();
    window.Clear_Lines("Memo1");
    pump.Process_Messages();
  });
}

void Main_Form::StaticText3Click() {
  Run_Command([this] {
    window.Clear_Lines("Memo1");
    discovery.Find_Programmer();
    window.Set_Visible("Memo1", false);
    states.Enable_Commands();
    link.Set_Idle();
  });
}

void Main_Form::Find_And_Idle() {
  discovery.Find_Programmer();
  states.Enable_Commands();
  link.Set_Idle();
}

void Main_Form::Start_Up() {
  Run_Command([this] { Find_And_Idle(); });
}

std::string Main_Form::Config_Path() const { return config_path_; }

void Main_Form::Apply_Configuration(const std::vector<std::string>& lines) {
  // A missing line reads as empty, which is no number.
  const auto line = [&lines](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
  const int32_t row = Str_To_Int(line(0));
  window.Set_Tag("Device_Box", row);
  window.Set_Item_Index("Device_Box", row);
  devices.selection.Select_Device();
  window.Set_Tag("File_Type", Str_To_Int(line(1)));
  const int32_t device_end = Str_To_Int(line(2));
  if (device_end >= 0 && device_end <= Prom_Last)
    devices.selection.Device_End = device_end;
  else
    Show_Error_Box("'" + line(2) + "' is not a device end address from 0 to 1023; the device's own end " +
                   "is kept");
  const int32_t width = Str_To_Int(line(3));
  const int32_t height = Str_To_Int(line(4));
  const int32_t top = Str_To_Int(line(5));
  const int32_t left = Str_To_Int(line(6));
  window.Set_Bounds("MainForm", Bounds{left, top, width, height});
  const int32_t button_size = Str_To_Int(line(7));
  window.Set_Tag("Scale", button_size);
  if (button_size == 1) {
    help_scale.Scale_Controls(true);
    window.Set_Caption("Scale", "Small Buttons");
  }
  const std::string last_file = line(8);
  Log_Operations = line(9) != "0";
  files.Apply_File_Type();
  window.Set_Caption("End_Add", "Device End=" + Hex_Digits(static_cast<uint32_t>(
                                                     devices.selection.Device_End), 4));
  if (!last_file.empty()) files.Reload_Last_File(last_file);
}

void Main_Form::FormActivate() {
  Run_Command([this] {
    pump.Process_Messages();
    Bounds panel = window.Get("Panel7").bounds;
    panel.height = 28;
    window.Set_Bounds("Panel7", panel);
    window.Set_Visible("Memo1", false);
    Start_Dir = host.Current_Directory();
    config_path_ = Config_File_Path(Start_Dir, User_Config_Dir);
    const Bounded_File config = Read_Bounded_File(Config_Path(), Config_File_Limit);
    if (config.too_long)
      Show_Error_Box(Too_Long_Text(Config_Path(), Config_File_Limit) + "; it is not read");
    else if (config.bytes)
      Apply_Configuration(Split_Text_Lines(*config.bytes));
    Find_And_Idle();
    if (window.Get("Device").caption == "No Device") window.Set_Visible("Device_Box", true);
  });
}

void Main_Form::Release_Programmer() {
  host.Stop_Timer1();
  if (usb.Usb_Device_Count == 1) {
    link.Set_Idle();
    // Only a device that was opened is closed.
    if (usb.Usb_Opened) usb.Usb_Close();
  }
}

Configuration Main_Form::Current_Configuration() const {
  const Bounds form = window.Get("MainForm").bounds;
  Configuration c;
  c.device_row = window.Get("Device_Box").tag;
  c.file_type = window.Get("File_Type").tag;
  c.device_end = devices.selection.Device_End;
  c.width = form.width;
  c.height = form.height;
  c.top = form.top;
  c.left = form.left;
  c.button_size = window.Get("Scale").tag;
  c.last_file = files.OpenDialog1.file_name;
  c.log_operations = Log_Operations;
  return c;
}

void Main_Form::Save_Configuration() {
  // The user's folder may not exist yet at the first close; a failure shows
  // in the write, which is not reported.
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(config_path_).parent_path(), error);
  Write_File_Atomically(config_path_, Config_Text(Current_Configuration()));
}

void Main_Form::FormCloseQuery() {
  Run_Command([this] {
    Release_Programmer();
    if (!config_path_.empty()) Save_Configuration();
    pump.Process_Messages();
  });
}

void Main_Form::Shut_Down() {
  Run_Command([this] { Release_Programmer(); });
}

}  // namespace tarnik
