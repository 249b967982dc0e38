#include "cli/cli_app.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <utility>

#include "window/hex_text.h"
#include "app/main_form.h"
#include "app/operation_records.h"
#include "app/options.h"
#include "app/part_run.h"
#include "app/maker_parts_file.h"
#include "app/programmer_choice.h"
#include "buffer/image_digest.h"
#include "cli/console_host.h"
#include "cli/progress_bar.h"
#include "diagnose/bit_map.h"
#include "files/png_file.h"
#include "devices/device_catalogue.h"
#include "devices/link_fault_watch.h"
#include "devices/repeated_reads.h"
#include "files/file_types.h"
#include "identify/identify.h"
#include "identify/source_cache.h"
#include "record/record_output.h"
#include "tarnik_version.h"

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
// lines, one per line. `before_line` runs before each, so that a progress bar
// can make way.
void Echo_Window(Window_Model& window, std::ostream& out, std::function<void()> before_line) {
  window.Subscribe([&out, before_line = std::move(before_line)](
                       const Control& control, Change change, std::size_t line) {
    const bool status = control.name == "StaticText3" && change == Change::Caption;
    const bool finding = control.name == "Memo1" && change == Change::Line_Added;
    if (!status && !finding) return;
    before_line();
    out << (status ? control.caption : control.lines[line]) << '\n';
  });
}

int64_t Steady_Now_Ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Print_Devices(std::ostream& out, bool json) {
  for (const Device_Type& type : Device_Types()) {
    if (json) {
      out << record::Device_Json_Line(std::string(type.caption), type.row, type.end,
                                      std::string(Class_Name(type.tag)))
          << '\n';
      continue;
    }
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
      << " read-timeouts=" << c.read_timeouts << " link-ms=" << c.link_us / 1000
      << " usb-writes=" << c.usb_writes << " wall-ms=" << simulator->Wall_Us() / 1000 << '\n';
}

// The catalogues and folders named on the command line, cached where the
// window's are.
identify::Identify_Sources Sources_Of(const Options& options) {
  identify::Identify_Sources sources;
  sources.dats.assign(options.dats.begin(), options.dats.end());
  sources.rom_folders.assign(options.rom_folders.begin(), options.rom_folders.end());
  sources.near_bits = options.near_bits;
  sources.cache_folder = identify::Default_Cache_Folder();
  return sources;
}

// Known images are named for the commands that leave an image in the buffer.
std::optional<std::string> Known_Image_Usage_Error(const Options& options) {
  if (options.dats.empty() && options.rom_folders.empty()) return std::nullopt;
  const std::string& command = options.command;
  if (command != "read" && command != "verify" && command != "checksum" && command != "convert")
    return "--dat and --roms belong to read, verify, checksum and convert, not to " + command;
  std::error_code error;
  for (const std::string& dat : options.dats)
    if (!std::filesystem::exists(dat, error)) return "no DAT file " + dat;
  for (const std::string& folder : options.rom_folders)
    if (!std::filesystem::is_directory(folder, error)) return "no ROM folder " + folder;
  return std::nullopt;
}

// The log the options choose: none with --no-log.
std::optional<record::Operation_Log> Log_Of(const Options& options) {
  if (options.no_log) return std::nullopt;
  return record::User_Log(User_State_Folder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME")));
}

// The exit status a result stands for.
int Status_Of(record::Result result) {
  switch (result) {
    case record::Result::Passed: return Exit_Passed;
    case record::Result::Failed: return Exit_Part_Failed;
    case record::Result::Refused: return Exit_Bad_Usage;
    case record::Result::Stopped: return Exit_No_Programmer;
  }
  return Exit_No_Programmer;
}

record::Result Result_Of(int status) {
  switch (status) {
    case Exit_Passed: return record::Result::Passed;
    case Exit_Part_Failed: return record::Result::Failed;
    case Exit_Bad_Usage: return record::Result::Refused;
    default: return record::Result::Stopped;
  }
}

// One run of the command line: the window's handlers over the console host.
class Session {
 public:
  // `progress_bar`: draw the operations' progress on `err`, which is a
  // terminal. With --json the status texts go to `err` and `out` takes the
  // records.
  Session(const Options& options, std::istream& in, std::ostream& out, std::ostream& err,
          bool progress_bar)
      : options_(options),
        in_(in),
        err_(err),
        host_(Make_Clock(options.simulate), options.json ? err : out, err, options.yes),
        backend_(To_Programmer_Settings(options), host_.Time()),
        form_(backend_.Driver(), host_),
        records_(Log_Of(options), options.json ? &out : nullptr,
                 [&err](const std::string& problem) { err << "tarnik-cli: " << problem << '\n'; }) {
    if (progress_bar) {
      bar_ = std::make_unique<Progress_Bar>(err, Steady_Now_Ms);
      form_.progress.Set_Listener([this](const Progress_Report& report) { bar_->Show(report); });
    }
    Echo_Window(form_.window, options.json ? err : out, [this] {
      if (bar_) bar_->Erase();
    });
    Watch_Last_Line();
    form_.link.Read_Window = options.read_window;
    if (!options.dats.empty() || !options.rom_folders.empty())
      form_.identity.Find_Sources = [sources = Sources_Of(options)] { return sources; };
    if (!options.trace_path.empty())
      form_.usb.Set_Trace([this](std::string_view line) { trace_ << line << '\n'; });
  }

  [[nodiscard]] bool Prepare();
  int Run(const Part_Choice& device);
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
  // The file commands work on files alone: they do not look for the
  // programmer, so that neither its absence nor its link touches them.
  [[nodiscard]] bool Uses_Programmer() const;
  void Save(const std::string& path, int type);
  [[nodiscard]] int Link_Outcome() const;
  [[nodiscard]] int Check_Outcome() const;
  int Read_Part(const std::string& file, int type);
  // Folds several reads into the buffer and lists the unstable bits.
  [[nodiscard]] int Combine_Passes(const std::vector<Prom_Image>& passes);
  // The check before a burn: false, with every unfit location printed, when
  // the part cannot take the buffer.
  [[nodiscard]] bool Part_Can_Take_Buffer();
  void Print_Identity();
  int Program_Part();
  // Programs --count parts, each checked, burnt and verified; a part that
  // cannot take the buffer is counted failed and not burnt.
  int Program_Run();
  // Says how the part went and waits for the next one; false when no more
  // come (standard input ended).
  [[nodiscard]] bool Next_Part(int part, bool passed);
  // The record of what the command did so far; the one before it is
  // written out, the last one waits for the exit status.
  void Keep_Record(const std::string& operation);
  void Write_Last_Record(int status);
  [[nodiscard]] std::string Fault_For(int status) const;
  // Remembers whether the last line printed from the window says the
  // command was stopped.
  void Watch_Last_Line();
  // A command the link failed in ends on a line that says it was stopped,
  // whatever it printed before (a check's result, a fault line).
  void End_On_Stopped_Line();
  // Keeps `step` as the one the link stopped, if the link failed in it
  // first.
  void Note_Stopped_Step(Stopped_Step step);
  // The picture of the part after a read or verify; false when it cannot be saved.
  [[nodiscard]] bool Save_Bit_Map(const Prom_Image* unstable);
  Prom_Image unstable_{};

  const Options& options_;
  std::istream& in_;
  std::ostream& err_;
  std::ofstream trace_;
  Console_Host host_;
  Programmer_Choice backend_;
  Main_Form form_;
  std::unique_ptr<Progress_Bar> bar_;
  bool state_lost_ = false;  // the simulated part could not be saved
  record::Record_Output records_;
  std::optional<record::Operation_Record> last_record_;
  std::string refusal_;  // why a bad input was refused
  int part_number_ = 0;  // in a run of many parts
  int run_status_ = Exit_Passed;  // the command's outcome before the shut-down
  bool last_line_stopped_ = false;
  std::optional<Stopped_Step> stopped_step_;  // the step the first link fault came in
  bool programmer_found_ = false;
};

bool Session::Prepare() {
  if (!options_.trace_path.empty()) {
    trace_.open(options_.trace_path, std::ios::binary);
    if (!trace_) {
      err_ << "tarnik-cli: cannot write the trace file " << options_.trace_path << '\n';
      return false;
    }
  }
  const sim::Sim_Setup* simulation = backend_.Simulation();
  if (simulation != nullptr && simulation->Refused()) {
    err_ << "tarnik-cli: " << simulation->Error() << '\n';
    return false;
  }
  // A simulated part that cannot be kept is a lost result, as a link fault is.
  backend_.Attach(form_, [this](const std::string& error) {
    err_ << "tarnik-cli: " << error << '\n';
    state_lost_ = true;
  });
  return true;
}

void Session::Watch_Last_Line() {
  form_.window.Subscribe([this](const Control& control, Change change, std::size_t line) {
    const bool status = control.name == "StaticText3" && change == Change::Caption;
    const bool finding = control.name == "Memo1" && change == Change::Line_Added;
    if (!status && !finding) return;
    const std::string& text = status ? control.caption : control.lines[line];
    last_line_stopped_ = text.rfind("Stopped: ", 0) == 0;
  });
}

void Session::End_On_Stopped_Line() {
  if (last_line_stopped_) return;
  // Counted from the start of the run: the faults that ended it.
  form_.Show_Stopped(Link_Fault_Watch{}, stopped_step_.value_or(Stopped_Step::Unnamed));
}

void Session::Note_Stopped_Step(Stopped_Step step) {
  if (!stopped_step_ && Link_Failed()) stopped_step_ = step;
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
  Note_Stopped_Step(Stopped_Step::Loading_File);
  // The load ends with the idle sequence: a driver error there is the
  // link's, not the file's.
  const std::size_t new_driver_errors = host_.Driver_Error_Boxes() - driver_errors;
  if (form_.link.Link_Faults != link_faults || new_driver_errors != 0)
    return Load_Result::Link_Fault;
  if (!Load_Refused(host_.Error_Boxes() - errors - new_driver_errors)) return Load_Result::Loaded;
  // What the message list says about the file goes to standard error too.
  for (const std::string& line : form_.window.Get("Memo1").lines)
    err_ << "tarnik-cli: " << line << '\n';
  const std::vector<std::string>& lines = form_.window.Get("Memo1").lines;
  refusal_ = lines.empty() ? "cannot load " + path : lines.front();
  return Load_Result::Bad_File;
}

bool Session::Load_Refused(std::size_t file_error_boxes) const {
  const Load_Findings& found = form_.files.Last_Load;
  return file_error_boxes != 0 || found.refused || found.no_data ||
         ((found.bad_checksums > 0 || found.unknown_records > 0) && !options_.lenient);
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
  if (command == "read") return Read_Part(file, *type);
  // A verify names the image once, after checking it against the part, not
  // after its load as well.
  const bool verify = command == "verify";
  const auto find_sources = verify ? std::exchange(form_.identity.Find_Sources, nullptr)
                                   : form_.identity.Find_Sources;
  const Load_Result loaded = Load(file, *type);
  if (verify) form_.identity.Find_Sources = find_sources;
  if (loaded != Load_Result::Loaded) return Load_Status(loaded);
  if (command == "verify") {
    form_.Click("Verify_Eprom");
    if (Link_Outcome() == Exit_Passed && !Save_Bit_Map(nullptr)) return Exit_Bad_Usage;
  }
  if (command == "compare") form_.Click("Compare");
  if (command == "program") {
    // A part that needs its maker's pulse is burnt only when the user insists.
    const std::optional<Maker_Part>& maker_part = form_.Maker_Part_Chosen();
    if (maker_part && !maker_part->own_pulse && !options_.force) {
      refusal_ = Foreign_Pulse_Line(*maker_part);
      err_ << "tarnik-cli: " << refusal_ << "; --force burns it anyway\n";
      return Exit_Bad_Usage;
    }
    form_.Allow_Foreign_Pulse = options_.force;
    return options_.count > 1 ? Program_Run() : Program_Part();
  }
  return Check_Outcome();
}

int Session::Program_Part() {
  if (!options_.force && !Part_Can_Take_Buffer()) return Check_Outcome();
  form_.Click("Program_Eprom");
  Note_Stopped_Step(form_.devices.operations.Step());
  return Check_Outcome();
}

int Session::Program_Run() {
  Part_Run run;
  for (part_number_ = 1; part_number_ <= options_.count; ++part_number_) {
    if (part_number_ > 1) form_.records.Start();
    const int outcome = Program_Part();
    Keep_Record("program");
    // A link fault ends the run: the next part would meet the same link.
    if (outcome == Exit_No_Programmer) return outcome;
    run.Add(outcome == Exit_Passed);
    if (part_number_ == options_.count || !Next_Part(part_number_, outcome == Exit_Passed)) break;
  }
  host_.Print_Line(run.Tally());
  return run.Any_Failed() ? Exit_Part_Failed : Exit_Passed;
}

bool Session::Next_Part(int part, bool passed) {
  // Without the wait, nobody is asked to press anything.
  host_.Print_Line(options_.no_wait ? Part_Outcome(part, options_.count, passed)
                                    : Next_Part_Prompt(part, options_.count, passed));
  if (!options_.no_wait) {
    std::string line;
    if (!std::getline(in_, line)) {
      host_.Print_Line("No More Parts: the Run Ends After Part " + std::to_string(part) + " of " +
                       std::to_string(options_.count));
      return false;
    }
  }
  // The simulated socket takes the batch's next part; a real one holds
  // whatever the user put in.
  if (sim::Sim_Setup* simulation = backend_.Simulation()) simulation->Next_Part();
  return true;
}

void Session::Keep_Record(const std::string& operation) {
  if (last_record_) records_.Write(*last_record_);
  last_record_ = form_.records.Made(operation);
  record::Operation_Record& r = *last_record_;
  r.programmer = Programmer_Name(form_, backend_.Simulation() != nullptr);
  const std::vector<std::string>& files = options_.arguments;
  // A read and a convert are about the file written, the rest about the file loaded.
  const bool writes = operation == "read" || operation == "convert";
  if (!files.empty()) {
    const std::string& path = writes ? files.back() : files.front();
    r.file = record::File_Digests{path, std::nullopt};
    if (refusal_.empty() && !(writes && r.result != record::Result::Passed))
      r.file->digests = Digests_Of(form_.Prom_Buffer, form_.devices.selection.Device_End);
  }
  if (options_.count > 1) {
    r.part_number = part_number_;
    r.parts = options_.count;
  }
}

std::string Session::Fault_For(int status) const {
  if (status == Exit_Bad_Usage && !refusal_.empty()) return refusal_;
  if (state_lost_) return "the simulated part could not be kept";
  const std::string& caption = form_.window.Get("StaticText3").caption;
  if (status == Exit_No_Programmer) {
    if (!Link_Failed()) return "Programmer Not Found";
    return caption.rfind("Stopped", 0) == 0 ? caption : "Programmer Link Fault";
  }
  return caption.empty() ? "Refused" : caption;
}

void Session::Write_Last_Record(int status) {
  if (!last_record_) return;
  record::Operation_Record& r = *last_record_;
  // What came after the operation (the save of a read, the shut-down, the
  // simulated part's state) decides the command's outcome as well: the
  // record says what the exit status says.
  // A part of a run keeps its own result unless the end of the run
  // changed the run's outcome.
  const bool disagrees = part_number_ == 0 ? Status_Of(r.result) != status : status != run_status_;
  if (disagrees) {
    r.result = Result_Of(status);
    r.fault = r.result == record::Result::Passed ? std::string() : Fault_For(status);
    if (r.result != record::Result::Failed) r.differences.reset();
    if (r.result != record::Result::Passed) r.part.reset();
  }
  r.exit_code = status;
  records_.Write(r);
  last_record_.reset();
}

int Session::Read_Part(const std::string& file, int type) {
  std::vector<Prom_Image> passes;
  // Several reads name the image they agree on, not each read's.
  const bool several = options_.passes > 1;
  const auto find_sources = several ? std::exchange(form_.identity.Find_Sources, nullptr)
                                    : form_.identity.Find_Sources;
  for (int pass = 0; pass < options_.passes; ++pass) {
    form_.Click("Move_Eprom");
    const int outcome = Check_Outcome();
    if (outcome != Exit_Passed) return outcome;
    passes.push_back(form_.Prom_Buffer);
  }
  const int stability = several ? Combine_Passes(passes) : Exit_Passed;
  if (several) {
    form_.identity.Find_Sources = find_sources;
    form_.identity.Report(form_.Prom_Buffer, form_.devices.selection.Device_End,
                          form_.devices.access.Device_Tag());
  }
  Save(file, type);
  if (form_.window.Failure_Flag() != 0) return Exit_Bad_Usage;
  Print_Identity();
  if (!Save_Bit_Map(several ? &unstable_ : nullptr)) return Exit_Bad_Usage;
  return stability;
}

int Session::Combine_Passes(const std::vector<Prom_Image>& passes) {
  const Combined_Reads combined = Combine_Reads(passes, form_.devices.selection.Device_End);
  form_.Prom_Buffer = combined.image;
  for (const Unstable_Location& location : combined.unstable) {
    host_.Print_Line(Unstable_Line(location));
    unstable_[static_cast<std::size_t>(location.address)] = location.bits;
  }
  host_.Print_Line(Unstable_Summary(combined.unstable.size(), passes.size()));
  return combined.unstable.empty() ? Exit_Passed : Exit_Part_Failed;
}

bool Session::Part_Can_Take_Buffer() {
  // One read of the whole part names every location that cannot take the
  // buffer, not only the first.
  form_.Check_Before_Burn();
  Note_Stopped_Step(Stopped_Step::Check_Before_Programming);
  // A check the link cut short proves nothing: nothing is burnt.
  if (Link_Outcome() != Exit_Passed) return false;
  return form_.window.Failure_Flag() == 0;
}

bool Session::Save_Bit_Map(const Prom_Image* unstable) {
  if (options_.bit_map.empty()) return true;
  const bool verified = options_.command == "verify";
  diagnose::Bit_Map_Input input;
  input.read = verified ? &form_.devices.operations.Last_Read() : &form_.Prom_Buffer;
  input.device_end = form_.devices.selection.Device_End;
  input.data_bits = Data_Bits_Of_Class(form_.devices.access.Device_Tag());
  // A verify marks what differs from the buffer; a read what differs from
  // the known image the diagnosis judged it against.
  const std::optional<Prom_Image>& known = form_.diagnosis.Reference();
  input.reference = verified ? &form_.Prom_Buffer : (known ? &*known : nullptr);
  input.unstable = unstable;
  const diagnose::Raster raster = diagnose::Draw_Bit_Map(input);
  std::string error;
  if (Save_Png(raster.width, raster.height, raster.rgb, options_.bit_map, error)) return true;
  err_ << "tarnik-cli: " << error << '\n';
  return false;
}

void Session::Print_Identity() {
  host_.Print_Line(Identity_Line(
      Digest_Device_Range(form_.Prom_Buffer, form_.devices.selection.Device_End)));
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
    Print_Identity();
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

int Session::Run(const Part_Choice& device) {
  if (options_.command == "update") host_.Queue_Dialog_Answer(options_.arguments[0]);
  form_.records.Start();
  form_.FormCreate();
  if (Uses_Programmer())
    form_.Start_Up();
  else
    form_.states.Enable_Commands();
  // A programmer found at start-up may be lost or cut off later; one never
  // found stopped nothing.
  programmer_found_ = form_.discovery.Firmware_Version != 0;
  if (device.maker_part)
    form_.Choose_Part(device);
  else if (device.type != nullptr)
    Choose_Device(*device.type);
  const int status = run_status_ = Run_Command();
  // A run of many parts keeps a record of each part as it goes.
  if (part_number_ == 0) Keep_Record(options_.command);
  return status;
}

int Session::Finish(int status) {
  // The close is a command too: the simulated part's state is written after it.
  form_.Shut_Down();
  // A pass or a failed check is only true when the programmer was idled and
  // released cleanly and the simulated part was kept; a bad input stays one.
  const bool settled = status == Exit_Passed || status == Exit_Part_Failed;
  const bool link_failed = Link_Failed();
  if (settled && (link_failed || state_lost_)) status = Exit_No_Programmer;
  if (status == Exit_No_Programmer && link_failed && programmer_found_) End_On_Stopped_Line();
  if (options_.stats) Print_Stats(backend_.Simulator(), host_.Out());
  Write_Last_Record(status);
  return status;
}

// The share folder installed beside the program, from its own path.
std::string Installed_Data_Dir() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return (program.parent_path() / Data_From_Bin).lexically_normal().string();
}

int Usage_Error(std::ostream& err, const std::string& reason) {
  err << "tarnik-cli: " << reason << "\n\n" << Usage_Text;
  return Exit_Bad_Usage;
}

}  // namespace

int Run_Cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            bool progress_bar) {
  std::istringstream no_input;
  return Run_Cli(args, no_input, out, err, progress_bar);
}

int Run_Cli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
            std::ostream& err, bool progress_bar) {
  const Parse_Result parsed = Parse_Options(args, true);
  if (!parsed.options) return Usage_Error(err, parsed.error);
  const Options& options = *parsed.options;
  if (options.help) {
    out << Usage_Text;
    return Exit_Passed;
  }
  if (options.version) {
    out << "tarnik-cli " << Version << '\n';
    return Exit_Passed;
  }
  const Command_Shape* shape = Find_Command(options.command);
  if (shape == nullptr)
    return Usage_Error(err, options.command.empty() ? "no command given"
                                                    : "unknown command " + options.command);
  if (options.arguments.size() != shape->files)
    return Usage_Error(err, "wrong number of files for " + options.command);
  if (options.passes != 1 && options.command != "read")
    return Usage_Error(err, "--passes belongs to read, not to " + options.command);
  if (!options.bit_map.empty() && options.command != "read" && options.command != "verify")
    return Usage_Error(err, "--bit-map belongs to read and verify, not to " + options.command);
  if (options.force && options.command != "program")
    return Usage_Error(err, "--force belongs to program, not to " + options.command);
  if (options.count != 1 && options.command != "program")
    return Usage_Error(err, "--count belongs to program, not to " + options.command);
  if (options.no_wait && options.count == 1)
    return Usage_Error(err, "--no-wait belongs to program --count");
  if (options.command == "devices") {
    Print_Devices(out, options.json);
    return Exit_Passed;
  }
  if (const std::optional<std::string> error = Known_Image_Usage_Error(options))
    return Usage_Error(err, *error);
  Part_Choice device;
  if (!options.device.empty()) {
    device.type = Find_Device_Type(options.device);
    // Not a catalogue name: a chip's number, a maker's part among them.
    if (device.type == nullptr) {
      std::vector<std::string> problems;
      const Maker_Parts table = Load_Maker_Parts(".", Installed_Data_Dir(), problems);
      for (const std::string& problem : problems) err << "tarnik-cli: " << problem << '\n';
      if (std::optional<Part_Choice> found = table.Find(options.device)) device = std::move(*found);
    }
    if (device.type == nullptr) return Usage_Error(err, "unknown device " + options.device);
  } else if (shape->needs_device) {
    return Usage_Error(err, options.command + " needs a device: -d NAME");
  }

  // The simulated socket holds a part of the type a chip's number chose.
  Options session_options = options;
  if (device.type != nullptr) session_options.device = std::string(device.type->caption);
  Session session(session_options, in, out, err, progress_bar);
  if (!session.Prepare()) return Exit_Bad_Usage;
  const int status = session.Run(device);
  return session.Finish(status);
}

}  // namespace tarnik::cli
