#include "cli/cli_app.h"

#include <fstream>
#include <optional>
#include <ostream>

#include "app/main_form.h"
#include "cli/backend.h"
#include "cli/console_host.h"
#include "cli/options.h"

namespace tarnik::cli {

namespace {

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

void Print_Stats(sim::Sim_Programmer* simulator, std::ostream& out) {
  if (simulator == nullptr) {
    out << "stats unavailable without the simulated programmer\n";
    return;
  }
  const sim::Sim_Counters& c = simulator->Counters();
  out << "stats packets-out=" << c.packets_out << " replies=" << c.replies
      << " read-timeouts=" << c.read_timeouts << " link-ms=" << c.link_us / 1000 << '\n';
}

bool Programmer_Ready(const Main_Form& form) {
  return form.window.Link_State() == 2 && form.link.Link_Faults == 0;
}

// The outcome of an update, from the last box it showed.
int Update_Outcome(const std::string& last_box) {
  if (last_box == "Good Update...") return Exit_Passed;
  if (last_box == "Warning: Bad Update...") return Exit_Part_Failed;
  if (last_box == Invalid_Update_Text) return Exit_Bad_Usage;
  return Exit_No_Programmer;
}

int Run_Command(Main_Form& form, const Options& options, const std::string& last_box) {
  if (options.command == "probe") {
    return Programmer_Ready(form) ? Exit_Passed : Exit_No_Programmer;
  }
  if (options.command == "update") {
    if (form.window.Link_State() != 2) return Exit_No_Programmer;
    // Firmware that needs no update asks nothing: nothing to do.
    if (form.discovery.Firmware_Version >= Discovery::Required_Version) return Exit_Passed;
    if (!options.yes) return Exit_Passed;
    return Update_Outcome(last_box);
  }
  return Exit_Bad_Usage;
}

// The number of files each command takes.
std::optional<std::size_t> Files_Taken(const std::string& command) {
  if (command == "probe") return 0;
  if (command == "update") return 1;
  return std::nullopt;
}

}  // namespace

int Run_Cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Parse_Result parsed = Parse_Options(args, true);
  if (!parsed.options) {
    err << "tarnik-cli: " << parsed.error << "\n\n" << Usage_Text;
    return Exit_Bad_Usage;
  }
  const Options& options = *parsed.options;
  if (options.help) {
    out << Usage_Text;
    return Exit_Passed;
  }
  const std::optional<std::size_t> files = Files_Taken(options.command);
  if (!files || options.arguments.size() != *files) {
    err << "tarnik-cli: "
        << (options.command.empty() ? "no command given"
            : !files                ? "unknown command " + options.command
                                    : "wrong number of files for " + options.command)
        << "\n\n"
        << Usage_Text;
    return Exit_Bad_Usage;
  }

  std::ofstream trace;
  if (!options.trace_path.empty()) {
    trace.open(options.trace_path, std::ios::binary);
    if (!trace) {
      err << "tarnik-cli: cannot write the trace file " << options.trace_path << '\n';
      return Exit_Bad_Usage;
    }
  }

  Console_Host host(Make_Clock(options.simulate), err, options.yes);
  if (options.command == "update") host.Queue_Dialog_Answer(options.arguments[0]);
  Backend backend(options, host.Time());
  Main_Form form(backend.Driver(), host);
  Echo_Window(form.window, out);
  if (trace.is_open())
    form.usb.Set_Trace([&trace](std::string_view line) { trace << line << '\n'; });

  form.FormCreate();
  form.Start_Up();
  const int status = Run_Command(form, options, host.Last_Box_Text());
  form.Shut_Down();
  if (options.stats) Print_Stats(backend.Simulator(), out);
  return status;
}

}  // namespace tarnik::cli
