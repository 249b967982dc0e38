#pragma once
// The main window's logic: one instance of every unit, wired together, and
// the event handlers the front ends call.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/configuration.h"
#include "window/control_states.h"
#include "app/help_scale.h"
#include "app/image_identity.h"
#include "app/operation_records.h"
#include "app/part_diagnosis.h"
#include "window/host.h"
#include "window/message_pump.h"
#include "window/operation_progress.h"
#include "window/window_model.h"
#include "link/command_link.h"
#include "link/discovery.h"
#include "link/flash_update.h"
#include "buffer/hex_editor.h"
#include "buffer/prom_buffer.h"
#include "buffer/prom_image.h"
#include "devices/device_units.h"
#include "devices/link_fault_watch.h"
#include "devices/maker_parts.h"
#include "files/file_commands.h"
#include "link/ftd2xx.h"
#include "link/usb_access.h"

namespace tarnik {

enum class Event_Kind { Click, Key_Press, Key_Down, Key_Up, Mouse_Down, Exit, Double_Click };

class Main_Form {
 public:
  Main_Form(Ftd2xx& driver, Host& host);
  Main_Form(const Main_Form&) = delete;
  Main_Form& operator=(const Main_Form&) = delete;

  // Handlers. Each runs as one command: a command that reaches a handler
  // while another runs (through message pumping) is ignored, and an error
  // raised inside ends the handler with the application's error box.
  void FormCreate();
  void StaticText3Click();
  // The command line's check before a burn, as one command.
  void Check_Before_Burn() { Run_Command([this] { devices.operations.Check_Before_Burn(); }); }

  // The window's first activation: the configuration restored, the last
  // file reloaded, discovery, ready state, idle sequence, and the device
  // list when no type is chosen.
  void FormActivate();
  // The window's close: programmer idled and released, configuration saved.
  void FormCloseQuery();

  // Start-up without a configuration: discovery, ready state, idle sequence.
  void Start_Up();
  // Shut-down without saving a configuration.
  void Shut_Down();

  [[nodiscard]] std::string Config_Path() const;
  [[nodiscard]] Configuration Current_Configuration() const;

  std::string Start_Dir;
  // The user's folder for Tarnik.Cfg when the start folder holds none;
  // empty: the start folder.
  std::string User_Config_Dir;
  // Whether the window's operations go to the log; kept in Tarnik.Cfg.
  bool Log_Operations = true;

  // Shows the application's error box: the text and a full stop.
  void Show_Error_Box(const std::string& text);

  [[nodiscard]] bool Command_Running() const { return command_running_; }

  // Puts `bytes` into the buffer from position 0 as one command, as a load
  // does: the checksum shown and the image named.
  void Put_In_Buffer(std::string_view bytes);

  // After a part has passed, Program Device asks whether another part is to
  // be burnt from the same buffer, and keeps the run's tally in the title
  // and the message list. Off: one part a click.
  bool Offer_Another_Part = false;
  // Puts the next part of a run into a simulated socket; unset, the user
  // changes the part while the question is shown.
  std::function<void()> Next_Part;

  // The status line says what stopped a command the link failed in, and in
  // which step, in red, and the message list with the fault lines stays in
  // view.
  void Show_Stopped(const Link_Fault_Watch& watch, Stopped_Step step = Stopped_Step::Unnamed);

  // The window's catalogues and ROM folders are indexed in the background
  // from here on; the command line looks them up in line instead.
  void Index_Known_Images_In_Background();

  // Runs at the end of every command, still inside it: what stands behind
  // the programmer (the simulated part) follows what the command did.
  std::function<void()> After_Command;

  // The front ends' way in: an event on the named control runs its handler,
  // if it has one, as one command. `value` is the row of a list click, the
  // character of a key press, the virtual-key code of a key down or up, or
  // the caret offset of a mouse down. Returns whether a handler is wired.
  bool Event(std::string_view control_name, Event_Kind kind, int value = 0);
  bool Click(std::string_view control_name) { return Event(control_name, Event_Kind::Click); }
  [[nodiscard]] bool Handles(std::string_view control_name, Event_Kind kind) const;

  Host& host;
  Window_Model window;
  Message_Pump pump;
  Control_States states;
  Usb_Access usb;
  Command_Link link;
  Discovery discovery;
  Flash_Updater flash;
  Help_And_Scale help_scale;
  Prom_Image Prom_Buffer{};
  Device_Units devices;
  Prom_Buffer_Unit buffer;
  File_Commands files;
  Hex_Editor editor;
  Operation_Progress progress{window, host.Time()};
  Image_Identity identity{window, pump};
  Operation_Records records{*this};
  Part_Diagnosis diagnosis{window, pump};

  // Other makers' parts that read as the catalogue's types, and the one
  // chosen by its number, if any; a click on a list row chooses none.
  Maker_Parts maker_parts;
  [[nodiscard]] const std::optional<Maker_Part>& Maker_Part_Chosen() const { return maker_part_; }
  // Chooses the choice's type as a click on its list row would, then
  // keeps its maker's part: its blank state and whether the programmer's
  // pulse may fuse it.
  void Choose_Part(const Part_Choice& choice);
  // A burn of a part that needs its maker's pulse goes ahead without asking.
  bool Allow_Foreign_Pulse = false;

 protected:
  // Runs `body` as a command, unless one is running already.
  void Run_Command(const std::function<void()>& body);
  void Wire(std::string control_name, Event_Kind kind, std::function<void(int)> handler);
  void Wire_Click(std::string control_name, std::function<void()> handler);
  void Wire_Device_Handlers();
  void Apply_Configuration(const std::vector<std::string>& lines);
  void Find_And_Idle();
  void Release_Programmer();
  void Save_Configuration();
  void Wire_Buffer_Handlers();
  void Wire_Editor_Handlers();
  // The marks of the last check go with a fill, a load or an edit of the byte.
  void Wire_Marks();
  // A link fault in the idle sequence that ends a buffer command is shown.
  void Wire_Fault_Display();
  // After a read, a load or a verify the buffer's image is named.
  void Wire_Identity();
  // Each device operation, load and save that ran gives a record.
  void Wire_Records();
  // Program Device's run of many parts.
  void Wire_Part_Run();
  [[nodiscard]] bool Another_Part_Wanted();
  void Show_Tally(const std::string& tally, bool final_line);
  // After a read, a verify, a blank check and a burn the part is diagnosed.
  void Wire_Diagnosis();
  // The findings after `operation` (the name of its button), which read the
  // whole part.
  void Diagnose_After(const std::string& operation);
  // Judges the part after `name`'s click when it read the whole part over a
  // link that kept its fault count at `link_faults`.
  void Diagnose_If_Whole(const std::string& name, uint32_t link_faults);
  // A list click forgets the maker's part; a burn of one that needs its
  // maker's pulse asks first.
  void Wire_Maker_Parts();
  // A double-click on a message-list line that names a loadable known
  // image loads it, and marks what the part last read lacks against it.
  void Wire_Named_Image();
  void Load_Named_Image(const std::string& file);
  void Mark_Against_Last_Read();
  // Whether the burn may go ahead; asks, No by default.
  bool Foreign_Pulse_Accepted();
  // The search box over the device list: each key narrows the match,
  // Enter chooses it.
  void Device_FindKeyPress(char key);
  void Show_Part_Search(const std::string& text);
  // A list click: the row becomes the list's selection, then the handler runs.
  void Wire_List(std::string list_name, std::function<void()> handler);

 private:
  std::map<std::pair<std::string, Event_Kind>, std::function<void(int)>> handlers_;
  bool command_running_ = false;
  // Chosen at start-up; the close writes where the start read.
  std::string config_path_;
  std::optional<Maker_Part> maker_part_;
};

}  // namespace tarnik
