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
      flash(usb, link, window, host_in, states, [this] { return Run_Open_Dialog(); }),
      help_scale(window, host_in, states) {
  Wire_Click("Help_1", [this] { Run_Command([this] { help_scale.Help_1Click(); }); });
  Wire_Click("Scale", [this] { Run_Command([this] { help_scale.ScaleClick(); }); });
  discovery.Set_Flash_Update([this] { flash.Flash_Update(); });
  Wire_Click("StaticText3", [this] { StaticText3Click(); });
}

std::optional<std::string> Main_Form::Run_Open_Dialog() {
  File_Dialog_Request request;
  request.filter = "Bin|*.Bin|Hex|*.Hex|All|*.*";
  request.default_ext = ".Bin";
  request.filter_index = 1;
  request.must_exist = true;
  request.initial_dir = dialog_directory_;
  return host.Open_Dialog(request);
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
    dialog_directory_ = host.Current_Directory();
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
