#include "app/main_form.h"

#include <exception>

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
      files(window, host_in, pump, states, buffer, devices.selection.Device_End) {
  Wire_Device_Handlers();
  Wire_Buffer_Handlers();
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

void Main_Form::Run_Command(const std::function<void()>& body) {
  if (command_running_) return;
  command_running_ = true;
  try {
    body();
  } catch (const std::exception& error) {
    Show_Error_Box(error.what());
  }
  link.Flush();
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

void Main_Form::Start_Up() {
  Run_Command([this] {
    discovery.Find_Programmer();
    states.Enable_Commands();
    link.Set_Idle();
  });
}

void Main_Form::Shut_Down() {
  Run_Command([this] {
    host.Stop_Timer1();
    if (usb.Usb_Device_Count == 1) {
      link.Set_Idle();
      if (usb.Usb_Opened) usb.Usb_Close();
    }
  });
}

}  // namespace tarnik
