#include "cli/cli_app.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>

#include "window/hex_text.h"
#include "app/main_form.h"
#include "cli/backend.h"
#include "cli/console_host.h"
#include "cli/options.h"
#include "devices/device_catalogue.h"
#include "files/file_types.h"
#include "sim/sim_part.h"
#include "sim/sim_state.h"

namespace tarnik::cli {

namespace {

struct Command_Shape {
  const char* name;
  std::size_t files;
  bool needs_device;
};

const Command_Shape Commands[] = {
    {"probe", 0, false},   {"update", 1, false}, {"devices", 0, false},
    {"blank", 0, true},    {"read", 1, true},    {"verify", 1, true},
    {"compare", 1, true},  {"program", 1, true}, {"checksum", 1, false},
    // A save writes the device range, which only a type gives.
    {"convert", 2, true},
};

const Command_Shape* Find_Command(const std::string& name) {
  for (const Command_Shape& shape : Commands)
    if (name == shape.name) return &shape;
  return nullptr;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A file type by name, or by the file's extension when no name is given.
std::optional<int> File_Type_For(const std::string& name, const std::string& path) {
  if (!name.empty()) {
    const std::string n = Lower(name);
    if (n == "bin" || n == "binary") return File_Binary;
    if (n == "intel" || n == "hex") return File_Intel_Hex;
    if (n == "motorola" || n == "srec") return File_Motorola_Hex;
    if (n == "ascii") return File_Ascii_Hex;
    return std::nullopt;
  }
  const std::size_t dot = path.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : Lower(path.substr(dot));
  if (extension == ".hex") return File_Intel_Hex;
  for (const char* e : {".s19", ".s28", ".s37", ".srec", ".mot"})
    if (extension == e) return File_Motorola_Hex;
  if (extension == ".asc" || extension == ".txt") return File_Ascii_Hex;
  return File_Binary;
}

// Prints what the window would show: status-line captions and message-list
// lines, one per line.
void Echo_Window(Window_Model& window, std::ostream& out) {
  window.Subscribe([&out](const Control& control, Change change, std::size_t line) {
    if (control.name == "StaticText3" && change == Change::Caption)
      out << control.caption << '\n';
    else if (control.name == "Memo1" && change == Change::Line_Added)
      out << control.lines[line] << '\n';
  });
}

void Print_Devices(std::ostream& out) {
  for (const Device_Type& type : Device_Types()) {
    out << type.caption << '\t' << type.row_text << '\t'
        << Hex_Digits_At_Least(static_cast<uint32_t>(type.end), 3) << '\t' << Class_Name(type.tag)
        << '\n';
  }
}

void Print_Stats(sim::Sim_Programmer* simulator, std::ostream& out) {
  if (simulator == nullptr) {
    out << "stats unavailable without the simulated programmer\n";
    return;
  }
  const sim::Sim_Counters& c = simulator->Counters();
  out << "stats packets-out=" << c.packets_out << " replies=" << c.replies
      << " read-timeouts=" << c.read_timeouts << " link-ms=" << c.link_us / 1000 << '\n';
}

// One run of the command line: the window's handlers over the console host.
class Session {
 public:
  Session(const Options& options, std::ostream& out, std::ostream& err)
      : options_(options),
        err_(err),
        host_(Make_Clock(options.simulate), out, err, options.yes),
        backend_(options, host_.Time()),
        form_(backend_.Driver(), host_) {
    Echo_Window(form_.window, out);
    if (!options.trace_path.empty())
      form_.usb.Set_Trace([this](std::string_view line) { trace_ << line << '\n'; });
  }

  [[nodiscard]] bool Prepare(const Device_Type* device);
  int Run(const Device_Type* device);
  // Shut-down and the simulator's state; returns the exit status, which a
  // link fault at any point turns into the link-fault one.
  int Finish(int status);

 private:
  enum class Load_Result { Loaded, Bad_File, Link_Fault };

  int Run_Command();
  int Run_Device_Command();
  int Run_File_Command();
  void Choose_Device(const Device_Type& type);
  void Choose_File_Type(int type);
  [[nodiscard]] Load_Result Load(const std::string& path, int type);
  [[nodiscard]] static int Load_Status(Load_Result result);
  [[nodiscard]] bool Load_Refused(std::size_t file_error_boxes) const;
  [[nodiscard]] bool Link_Failed() const;
  // The file commands work without the programmer; its faults do not
  // decide their outcome.
  [[nodiscard]] bool Uses_Programmer() const;
  void Save(const std::string& path, int type);
  [[nodiscard]] int Link_Outcome() const;
  [[nodiscard]] int Check_Outcome() const;

  const Options& options_;
  std::ostream& err_;
  std::ofstream trace_;
  Console_Host host_;
  Backend backend_;
  Main_Form form_;
  std::unique_ptr<sim::Sim_Part> part_;
};

bool Session::Prepare(const Device_Type* device) {
  if (!options_.trace_path.empty()) {
    trace_.open(options_.trace_path, std::ios::binary);
    if (!trace_) {
      err_ << "tarnik-cli: cannot write the trace file " << options_.trace_path << '\n';
      return false;
    }
  }
  sim::Sim_Programmer* simulator = backend_.Simulator();
  if (simulator == nullptr) return true;
  const std::string part_name =
      !options_.sim_part.empty() ? options_.sim_part
      : device != nullptr        ? std::string(device->caption)
                                 : std::string("none");
  std::string error;
  if (options_.sim_state.empty()) {
    part_ = sim::Make_Sim_Part(part_name, error);
  } else {
    sim::Sim_State state = sim::Load_Sim_State(options_.sim_state, part_name, error);
    part_ = std::move(state.part);
    // The firmware an earlier run left, unless the options name one.
    if (state.firmware && !options_.sim_firmware_given)
      simulator->Set_Firmware(state.firmware->major, state.firmware->minor);
  }
  if (!part_) {
    err_ << "tarnik-cli: " << error << '\n';
    return false;
  }
  if (!options_.sim_part.empty()) {
    // A state file keeps its own part: asking for another one is a mistake
    // worth saying, not a part to swap silently.
    const auto asked = sim::Make_Sim_Part(options_.sim_part, error);
    if (!asked || asked->Type_Name() != part_->Type_Name()) {
      err_ << "tarnik-cli: " << options_.sim_state << " holds a " << part_->Type_Name()
           << ", not a " << options_.sim_part << "; drop --sim-part or use another state file\n";
      return false;
    }
  }
  sim::Seat_Part(*simulator, *part_);
  return true;
}

void Session::Choose_Device(const Device_Type& type) {
  form_.Click("Device");
  form_.Event("Device_Box", Event_Kind::Click, type.row);
}

void Session::Choose_File_Type(int type) {
  form_.Click("File_But");
  form_.Event("File_Type", Event_Kind::Click, type);
}

Session::Load_Result Session::Load(const std::string& path, int type) {
  Choose_File_Type(type);
  const std::size_t errors = host_.Error_Boxes();
  const std::size_t driver_errors = host_.Driver_Error_Boxes();
  const uint32_t link_faults = form_.link.Link_Faults;
  host_.Queue_Dialog_Answer(path);
  form_.Click("Load_But");
  // The load ends with the idle sequence: a driver error there is the
  // link's, not the file's.
  const std::size_t new_driver_errors = host_.Driver_Error_Boxes() - driver_errors;
  if ((form_.link.Link_Faults != link_faults || new_driver_errors != 0) && Uses_Programmer())
    return Load_Result::Link_Fault;
  if (!Load_Refused(host_.Error_Boxes() - errors - new_driver_errors)) return Load_Result::Loaded;
  // What the message list says about the file goes to standard error too.
  for (const std::string& line : form_.window.Get("Memo1").lines)
    err_ << "tarnik-cli: " << line << '\n';
  return Load_Result::Bad_File;
}

bool Session::Load_Refused(std::size_t file_error_boxes) const {
  const Load_Findings& found = form_.files.Last_Load;
  return file_error_boxes != 0 || found.refused || found.no_data ||
         (found.bad_checksums > 0 && !options_.lenient);
}

int Session::Load_Status(Load_Result result) {
  return result == Load_Result::Link_Fault ? Exit_No_Programmer : Exit_Bad_Usage;
}

bool Session::Uses_Programmer() const {
  return options_.command != "checksum" && options_.command != "convert";
}

bool Session::Link_Failed() const {
  return form_.link.Link_Faults != 0 || host_.Driver_Error_Boxes() != 0;
}

void Session::Save(const std::string& path, int type) {
  Choose_File_Type(type);
  host_.Queue_Dialog_Answer(path);
  form_.Click("Save_But");
}

int Session::Link_Outcome() const {
  const bool ready = form_.window.Link_State() == 2 && form_.link.Link_Faults == 0;
  return ready ? Exit_Passed : Exit_No_Programmer;
}

int Session::Check_Outcome() const {
  if (Link_Outcome() != Exit_Passed) return Exit_No_Programmer;
  return form_.window.Failure_Flag() == 0 ? Exit_Passed : Exit_Part_Failed;
}

int Session::Run_Device_Command() {
  const std::string& command = options_.command;
  if (Link_Outcome() != Exit_Passed) return Exit_No_Programmer;
  const std::string file = options_.arguments.empty() ? "" : options_.arguments[0];
  const std::optional<int> type = File_Type_For(options_.file_type, file);
  if (!type) {
    err_ << "tarnik-cli: unknown file type " << options_.file_type << '\n';
    return Exit_Bad_Usage;
  }
  if (command == "blank") {
    form_.Click("Blank_Chk");
    return Check_Outcome();
  }
  if (command == "read") {
    form_.Click("Move_Eprom");
    const int outcome = Check_Outcome();
    if (outcome != Exit_Passed) return outcome;
    Save(file, *type);
    return form_.window.Failure_Flag() == 0 ? Exit_Passed : Exit_Bad_Usage;
  }
  if (const Load_Result loaded = Load(file, *type); loaded != Load_Result::Loaded)
    return Load_Status(loaded);
  if (command == "verify") form_.Click("Verify_Eprom");
  if (command == "compare") form_.Click("Compare");
  if (command == "program") form_.Click("Program_Eprom");
  return Check_Outcome();
}

int Session::Run_File_Command() {
  const std::string& in = options_.arguments[0];
  const std::optional<int> in_type = File_Type_For(options_.file_type, in);
  if (!in_type) {
    err_ << "tarnik-cli: unknown file type " << options_.file_type << '\n';
    return Exit_Bad_Usage;
  }
  if (const Load_Result loaded = Load(in, *in_type); loaded != Load_Result::Loaded)
    return Load_Status(loaded);
  if (options_.command == "checksum") {
    form_.Click("Chk_Sum_But");
    std::string caption = form_.window.Get("Chk_Sum_But").caption;
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    host_.Print_Line(caption);
    return Exit_Passed;
  }
  const std::string& out = options_.arguments[1];
  const std::optional<int> out_type = File_Type_For(options_.output_type, out);
  if (!out_type) {
    err_ << "tarnik-cli: unknown file type " << options_.output_type << '\n';
    return Exit_Bad_Usage;
  }
  Save(out, *out_type);
  return form_.window.Failure_Flag() == 0 ? Exit_Passed : Exit_Bad_Usage;
}

int Session::Run_Command() {
  const std::string& command = options_.command;
  if (command == "probe") return Link_Outcome();
  if (command == "update") {
    if (form_.window.Link_State() != 2) return Exit_No_Programmer;
    // Firmware that needs no update asks nothing: nothing to do.
    if (form_.discovery.Firmware_Version >= Discovery::Required_Version || !options_.yes)
      return Exit_Passed;
    switch (form_.flash.Outcome) {
      case Update_Outcome::Good: return Exit_Passed;
      case Update_Outcome::Bad_Checksum: return Exit_Part_Failed;
      case Update_Outcome::Refused_File: return Exit_Bad_Usage;
      default: return Exit_No_Programmer;
    }
  }
  if (command == "checksum" || command == "convert") return Run_File_Command();
  return Run_Device_Command();
}

int Session::Run(const Device_Type* device) {
  if (options_.command == "update") host_.Queue_Dialog_Answer(options_.arguments[0]);
  form_.FormCreate();
  form_.Start_Up();
  if (device != nullptr) Choose_Device(*device);
  return Run_Command();
}

int Session::Finish(int status) {
  form_.Shut_Down();
  sim::Sim_Programmer* simulator = backend_.Simulator();
  bool state_lost = false;
  if (part_ && simulator != nullptr && !options_.sim_state.empty() &&
      !sim::Save_Sim_State(options_.sim_state, *part_,
                           {simulator->Firmware_Major(), simulator->Firmware_Minor()})) {
    err_ << "tarnik-cli: cannot write the simulator state " << options_.sim_state << '\n';
    state_lost = true;
  }
  if (options_.stats) Print_Stats(backend_.Simulator(), host_.Out());
  // A pass or a failed check is only true when the programmer was idled and
  // released cleanly and the simulated part was kept; a bad input stays one.
  const bool settled = status == Exit_Passed || status == Exit_Part_Failed;
  if (settled && ((Uses_Programmer() && Link_Failed()) || state_lost)) return Exit_No_Programmer;
  return status;
}

int Usage_Error(std::ostream& err, const std::string& reason) {
  err << "tarnik-cli: " << reason << "\n\n" << Usage_Text;
  return Exit_Bad_Usage;
}

}  // namespace

int Run_Cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Parse_Result parsed = Parse_Options(args, true);
  if (!parsed.options) return Usage_Error(err, parsed.error);
  const Options& options = *parsed.options;
  if (options.help) {
    out << Usage_Text;
    return Exit_Passed;
  }
  const Command_Shape* shape = Find_Command(options.command);
  if (shape == nullptr)
    return Usage_Error(err, options.command.empty() ? "no command given"
                                                    : "unknown command " + options.command);
  if (options.arguments.size() != shape->files)
    return Usage_Error(err, "wrong number of files for " + options.command);
  if (options.command == "devices") {
    Print_Devices(out);
    return Exit_Passed;
  }
  const Device_Type* device = nullptr;
  if (!options.device.empty()) {
    device = Find_Device_Type(options.device);
    if (device == nullptr) return Usage_Error(err, "unknown device " + options.device);
  } else if (shape->needs_device) {
    return Usage_Error(err, options.command + " needs a device: -d NAME");
  }

  Session session(options, out, err);
  if (!session.Prepare(device)) return Exit_Bad_Usage;
  const int status = session.Run(device);
  return session.Finish(status);
}

}  // namespace tarnik::cli
