// Every operation under the simulated programmer's link faults, at every
// packet index (or an even spread of them where an operation has many): no
// run hangs, a run that met a fault never shows a result the part was not
// checked for, the update's outcome is the link-fault one, and programming
// never fuses a bit the buffer does not ask for.
//
// TARNIK_FAULT_SWEEP=all takes every index; a number N takes about N per
// operation, type and fault (12 by default, which keeps the run short;
// scripts/fault_sweep.sh runs a longer sweep).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "devices/link_fault_watch.h"
#include "devices/read_window.h"
#include "link/update_file.h"
#include "record/operation_record.h"
#include "sim/sim_part.h"
#include "tests/cli_run.h"
#include "tests/fixture.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

enum class Fault { No_Reply, Short_Write, Unplug };
constexpr Fault All_Faults[] = {Fault::No_Reply, Fault::Short_Write, Fault::Unplug};

const char* Fault_Name(Fault fault) {
  switch (fault) {
    case Fault::No_Reply: return "no-reply";
    case Fault::Short_Write: return "short-write";
    case Fault::Unplug: return "unplug";
  }
  return "?";
}

struct Operation {
  const char* name;
  const char* button;
  const char* success_text;
  // Every text that judges the part: a run the link stopped shows none.
  std::vector<const char*> verdicts;
};

const Operation Operations[] = {
    {"program", "Program_Eprom", "Device is Programmed....",
     {"Device is Programmed....", "Device Did NOT Program....", "Device Verified to Buffer....",
      "Device Did NOT Verify to Buffer...."}},
    {"read", "Move_Eprom", "Device Has Been Moved to Buffer....",
     {"Device Has Been Moved to Buffer...."}},
    {"verify", "Verify_Eprom", "Device Verified to Buffer....",
     {"Device Verified to Buffer....", "Device Did NOT Verify to Buffer...."}},
    {"blank", "Blank_Chk", "Device is Erased....",
     {"Device is Erased....", "Device is NOT Erased...."}},
    {"compare", "Compare", "Device Can be Reprogrammed....",
     {"Device Can be Reprogrammed....", "Device CAN NOT be Reprogrammed...."}},
};

// One type of each device class.
const char* const Types[] = {"82S23", "82S129", "82S135", "74S188", "74S287", "74S471"};

// The fault indices a sweep takes out of 1 to `count`: all of them, or the
// first and last few and an even spread between.
std::vector<int> Sweep_Indices(int count) {
  const char* setting = std::getenv("TARNIK_FAULT_SWEEP");
  const std::string wanted = setting != nullptr ? setting : "";
  const int spread = wanted == "all" ? count
                     : wanted.empty()  ? 12
                                       : std::max(1, std::atoi(wanted.c_str()));
  std::set<int> indices;
  for (int i = 1; i <= std::min(count, 4); ++i) indices.insert(i);
  for (int i = std::max(1, count - 3); i <= count; ++i) indices.insert(i);
  for (int k = 0; k < spread; ++k)
    indices.insert(1 + static_cast<int>(int64_t{count - 1} * k / std::max(1, spread - 1)));
  return {indices.begin(), indices.end()};
}

// How far each fault index runs in one operation, counted from the start
// of the operation.
struct Fault_Counts {
  int awaited = 0;
  int writes = 0;
  int packets = 0;
  // A device that goes away after the last packet of the operation leaves
  // nothing the operation could see; after any other it cuts a write.
  [[nodiscard]] int Of(Fault fault) const {
    return fault == Fault::No_Reply ? awaited : fault == Fault::Short_Write ? writes : packets - 1;
  }
};

Fault_Counts Counts_Of(sim::Sim_Programmer& simulator) {
  return {simulator.Awaited_Commands(), simulator.Write_Calls(),
          static_cast<int>(simulator.Counters().packets_out)};
}

void Arm(sim::Sim_Programmer& simulator, Fault fault, int index) {
  const Fault_Counts now = Counts_Of(simulator);
  sim::Sim_Faults& faults = simulator.Faults();
  if (fault == Fault::No_Reply) faults.no_reply_to = now.awaited + index;
  if (fault == Fault::Short_Write) faults.short_write_at = now.writes + index;
  // The device is gone once the index-th packet has gone out.
  if (fault == Fault::Unplug) faults.unplug_after = now.packets + index;
}

// The window with a part of `type` in the socket, programmed half from the
// buffer so that verify and compare have something to find, and the buffer.
struct Device_Run {
  explicit Device_Run(const char* type_name, int read_window = 1) {
    std::string error;
    part = sim::Make_Sim_Part(type_name, error);
    sim::Seat_Part(app.simulator, *part);
    app.Start();
    app.form.link.Read_Window = read_window;
    const Device_Type* type = Find_Device_Type(type_name);
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, type->row);
    std::mt19937 random(7);
    const uint8_t mask = Data_Bits_Of_Class(app.form.devices.selection.Device_Tag()) == 4 ? 0x0F : 0xFF;
    for (auto& byte : app.form.Prom_Buffer) byte = static_cast<uint8_t>(random() & mask);
    app.form.records.Sink = [this](const record::Operation_Record& r) { records.push_back(r); };
  }

  [[nodiscard]] int32_t End() const { return app.form.devices.selection.Device_End; }
  [[nodiscard]] std::string Status() const { return app.form.window.Get("StaticText3").caption; }

  // Fuses outside the buffer's 1 bits, as "address: bits".
  [[nodiscard]] std::string Stray_Fuses() const {
    std::string stray;
    for (int32_t a = 0; a <= End(); ++a) {
      const auto at = static_cast<std::size_t>(a);
      const uint8_t extra = part->Fuses()[at] & static_cast<uint8_t>(~app.form.Prom_Buffer[at]);
      if (extra != 0) stray += std::to_string(a) + ":" + std::to_string(extra) + " ";
    }
    return stray;
  }

  Sim_App app;
  std::unique_ptr<sim::Sim_Part> part;
  std::vector<record::Operation_Record> records;
};

// One fault-free run of the operation: how far each fault index reaches,
// and the status it ends with.
struct Clean_Run {
  Fault_Counts counts;
  std::string status;
};

Clean_Run Operation_Counts(const char* type, const Operation& operation, int read_window) {
  Device_Run run(type, read_window);
  const Fault_Counts before = Counts_Of(run.app.simulator);
  run.app.form.Click(operation.button);
  const Fault_Counts after = Counts_Of(run.app.simulator);
  return {{after.awaited - before.awaited, after.writes - before.writes,
           after.packets - before.packets},
          run.Status()};
}

// A reply lost inside a window of several locations is no link fault: the
// window is read again one location at a time, and the run must end as a
// fault-free one does.
void Expect_Recovered(const Device_Run& run, const Clean_Run& clean) {
  const std::vector<std::string>& memo = run.app.form.window.Get("Memo1").lines;
  EXPECT_NE(std::find(memo.begin(), memo.end(), Read_Window_Off_Line), memo.end());
  EXPECT_EQ(run.app.form.link.Read_Window, 1);
  EXPECT_EQ(run.Status(), clean.status);
}

bool Is_Fault_Line(const std::string& line) {
  return line.rfind("USB Device Write TimeOut", 0) == 0 ||
         line.rfind("Device no longer present", 0) == 0;
}

// One of the causes, then the step it stopped, if the step is named.
bool Is_Stopped_Text(const std::string& text) {
  for (const char* cause : {Stopped_No_Answer_Text, Stopped_Link_Fault_Text, Stopped_Lost_Text}) {
    if (text.rfind(cause, 0) != 0) continue;
    const std::string step = text.substr(std::string(cause).size());
    return step.empty() || step.rfind(" in the ", 0) == 0 || step.rfind(" While ", 0) == 0;
  }
  return false;
}

// Everything the user was shown while one click ran: each status text as it
// was set, and whether the first fault line came before any verdict and
// before any finding.
struct Shown {
  void Watch(Window_Model& window, const Operation& operation) {
    window.Subscribe([this, &operation](const Control& control, Change change, std::size_t line) {
      if (control.name == "StaticText3" && change == Change::Caption) {
        statuses.push_back(control.caption);
        const bool verdict = std::find(operation.verdicts.begin(), operation.verdicts.end(),
                                       control.caption) != operation.verdicts.end();
        if (verdict && fault_seen) verdict_after_fault = true;
        if (verdict && !fault_seen) verdict_before_fault = true;
      }
      if (control.name != "Memo1" || change != Change::Line_Added) return;
      if (Is_Fault_Line(control.lines[line]))
        fault_seen = true;
      else if (fault_seen)
        finding_after_fault = control.lines[line];
    });
  }

  std::vector<std::string> statuses;
  bool fault_seen = false;
  bool verdict_before_fault = false;
  bool verdict_after_fault = false;
  std::string finding_after_fault;
};

// The longest time a fusing pulse stayed open on the programmer's control
// lines (Reg_Control bit 7 set, bit 2 clear) from packet `first` on; one
// still open at the end counts as open to `end_us`.
int64_t Longest_Pulse_Us(const sim::Sim_Programmer& simulator, std::size_t first, int64_t end_us) {
  const std::vector<sim::Wire_Packet>& packets = simulator.Received();
  int64_t longest = 0;
  int64_t opened_at = -1;
  for (std::size_t i = first; i < packets.size(); ++i) {
    const std::vector<uint8_t>& bytes = packets[i].bytes;
    if (bytes[0] != Cmd_Reg_Write || bytes[1] != Reg_Control) continue;
    const bool open = (bytes[2] & 0x84) == 0x80;
    if (open && opened_at < 0) opened_at = packets[i].time_us;
    if (!open && opened_at >= 0) {
      longest = std::max(longest, packets[i].time_us - opened_at);
      opened_at = -1;
    }
  }
  if (opened_at >= 0) longest = std::max(longest, end_us - opened_at);
  return longest;
}

struct Sweep_Case {
  const char* type;
  const Operation* operation;
  int read_window;
  Fault fault;
  int index;
  int keeps = -1;  // bytes a short write takes; all but one when < 0

  [[nodiscard]] std::string Name() const {
    return std::string(type) + " " + operation->name + " " + Fault_Name(fault) + "=" +
           std::to_string(index) + (keeps >= 0 ? ":" + std::to_string(keeps) : "") + " window " +
           std::to_string(read_window);
  }
};

std::size_t Error_Boxes_Since(const Test_Host& host, std::size_t first) {
  std::size_t count = 0;
  for (std::size_t i = first; i < host.boxes.size(); ++i)
    if (host.boxes[i].icon == Box_Icon::Error) ++count;
  return count;
}

// A fault-free pulse is open from the write that ends with its opening
// packet to the next write, which begins with its closing: one USB write of
// at most a location's pulse packets.
constexpr int64_t Clean_Pulse_Us = 1100;

// The run's own checks: what a user may be shown after a link fault, and
// what the part may be left with.
void Check_Faulted_Run(const Device_Run& run, const Shown& shown, const Sweep_Case& c,
                       std::size_t boxes_before, std::size_t first_packet) {
  const Main_Form& form = run.app.form;
  const std::string status = run.Status();
  const std::vector<std::string>& memo = form.window.Get("Memo1").lines;
  // Only a check judged whole before the fault may be summed up after it
  // (programming after its verify).
  EXPECT_FALSE(shown.verdict_after_fault && !shown.verdict_before_fault)
      << ::testing::PrintToString(shown.statuses);
  EXPECT_EQ(shown.finding_after_fault, "");
  EXPECT_TRUE(form.window.Get("Memo1").visible);
  EXPECT_TRUE(std::any_of(memo.begin(), memo.end(), Is_Fault_Line));
  if (shown.verdict_before_fault) {
    // The check was whole before the link failed: its result stands.
    EXPECT_TRUE(std::find(c.operation->verdicts.begin(), c.operation->verdicts.end(), status) !=
                c.operation->verdicts.end())
        << status;
  } else {
    EXPECT_TRUE(Is_Stopped_Text(status)) << status;
    ASSERT_FALSE(memo.empty());
    EXPECT_TRUE(Is_Fault_Line(memo.front())) << memo.front();
    EXPECT_NE(form.window.Failure_Flag(), 0);
    EXPECT_EQ(form.window.Get("StaticText3").colour, colours::Red);
  }
  const bool lost = run.app.simulator.Unplugged();
  EXPECT_LE(Error_Boxes_Since(run.app.host, boxes_before), lost ? 1u : 0u);
  // While the link takes writes no pulse is left open: one that a cut
  // write left open is closed by the very next write, within twice the
  // longest pulse a fault-free run gives.
  if (!lost) {
    EXPECT_LE(Longest_Pulse_Us(run.app.simulator, first_packet, run.app.host.clock.Now_Us()),
              2 * Clean_Pulse_Us);
  }
  if (std::string(c.operation->name) == "program") {
    EXPECT_EQ(run.Stray_Fuses(), "");
  }
  EXPECT_FALSE(form.Command_Running());
  EXPECT_EQ(form.link.Packet_Len, 8u);
}

// The click leaves one record, which says what the status line says and
// reads back whole from its JSON line.
void Check_Record(const Device_Run& run, const Operation& operation) {
  ASSERT_EQ(run.records.size(), 1u);
  const record::Operation_Record& r = run.records.front();
  EXPECT_EQ(r.operation, operation.name);
  const std::string status = run.Status();
  const bool failed = run.app.form.window.Failure_Flag() != 0;
  const record::Result shown = Is_Stopped_Text(status) ? record::Result::Stopped
                               : failed                ? record::Result::Failed
                                                       : record::Result::Passed;
  EXPECT_EQ(record::Result_Name(r.result), std::string(record::Result_Name(shown))) << status;
  EXPECT_EQ(r.result == record::Result::Passed, r.fault.empty()) << r.fault;
  EXPECT_EQ(record::From_Json_Line(record::To_Json_Line(r)), r);
}

void Arm_Case(sim::Sim_Programmer& simulator, const Sweep_Case& c) {
  Arm(simulator, c.fault, c.index);
  if (c.fault == Fault::Short_Write) simulator.Faults().short_write_keeps = c.keeps;
}

// One run of the case; returns whether it passed every check.
bool Run_Case(const Sweep_Case& c, const Clean_Run& clean) {
  SCOPED_TRACE(c.Name());
  const ::testing::TestResult& result =
      *::testing::UnitTest::GetInstance()->current_test_info()->result();
  const int parts_before = result.total_part_count();
  Device_Run run(c.type, c.read_window);
  Arm_Case(run.app.simulator, c);
  Shown shown;
  shown.Watch(run.app.form.window, *c.operation);
  const uint32_t faults_before = run.app.form.link.Link_Faults;
  const std::size_t boxes_before = run.app.host.boxes.size();
  const std::size_t first_packet = run.app.simulator.Received().size();
  run.app.form.Click(c.operation->button);
  Check_Record(run, *c.operation);
  if (c.read_window > 1 && c.fault == Fault::No_Reply &&
      run.app.form.link.Link_Faults == faults_before) {
    Expect_Recovered(run, clean);
  } else {
    // Every index lies inside the operation, so every run meets its fault.
    EXPECT_GT(run.app.form.link.Link_Faults, faults_before);
    Check_Faulted_Run(run, shown, c, boxes_before, first_packet);
  }
  return result.total_part_count() == parts_before;
}

void Report_Failing_Runs(int failing, int runs) {
  std::printf("fault sweep: %d failing runs of %d\n", failing, runs);
}

TEST(Fault_Injection, Device_Operations_Never_Claim_A_Result_Under_A_Link_Fault) {
  int runs = 0;
  int failing = 0;
  for (const int read_window : {1, 16})
  for (const char* type : Types) {
    for (const Operation& operation : Operations) {
      const Clean_Run clean = Operation_Counts(type, operation, read_window);
      for (const Fault fault : All_Faults) {
        for (const int index : Sweep_Indices(clean.counts.Of(fault))) {
          ++runs;
          if (!Run_Case({type, &operation, read_window, fault, index}, clean)) ++failing;
        }
      }
    }
  }
  Report_Failing_Runs(failing, runs);
  EXPECT_GE(runs, 2 * 6 * 5 * 3 * 12);
}

// A write that opens a fusing pulse ends with the pulse's opening packet,
// and the next one begins with its closing writes. Returns, for each write
// of the click that holds either, the byte offset of that packet.
std::vector<std::pair<int, int>> Pulse_Writes(const sim::Sim_Programmer& simulator,
                                              std::size_t first_write, std::size_t first_packet) {
  std::vector<std::pair<int, int>> writes;
  const std::vector<uint32_t>& sizes = simulator.Write_Sizes();
  const auto& packets = simulator.Received();
  std::size_t packet = first_packet;
  bool pulse_open = false;
  for (std::size_t w = first_write; w < sizes.size(); ++w) {
    const std::size_t count = sizes[w] / 8;
    for (std::size_t i = 0; i < count && packet + i < packets.size(); ++i) {
      const std::vector<uint8_t>& bytes = packets[packet + i].bytes;
      if (bytes[0] != Cmd_Reg_Write || bytes[1] != Reg_Control) continue;
      const bool opens = (bytes[2] & 0x84) == 0x80;
      if (opens || pulse_open)
        writes.emplace_back(static_cast<int>(w - first_write) + 1, static_cast<int>(i) * 8);
      pulse_open = opens;
    }
    packet += count;
  }
  return writes;
}

// Short writes cut at several bytes of every write around a fusing pulse:
// nowhere, after one packet, and a byte either side of the pulse's opening
// or closing packet.
TEST(Fault_Injection, Programming_Cut_Anywhere_Around_A_Pulse_Leaves_No_Pulse_Open) {
  const Operation& program = Operations[0];
  int runs = 0;
  int failing = 0;
  for (const int read_window : {1, 16})
  for (const char* type : Types) {
    Device_Run probe(type, read_window);
    const std::size_t first_write = probe.app.simulator.Write_Sizes().size();
    const std::size_t first_packet = probe.app.simulator.Received().size();
    probe.app.form.Click(program.button);
    const std::vector<std::pair<int, int>> writes =
        Pulse_Writes(probe.app.simulator, first_write, first_packet);
    ASSERT_FALSE(writes.empty()) << type;
    const Clean_Run clean{{}, probe.Status()};
    for (const int pick : Sweep_Indices(static_cast<int>(writes.size()))) {
      const auto [write, offset] = writes[static_cast<std::size_t>(pick - 1)];
      const uint32_t size =
          probe.app.simulator.Write_Sizes()[first_write + static_cast<std::size_t>(write) - 1];
      std::set<int> cuts{0, 8, offset - 1, offset + 1, offset + 7, offset + 9};
      for (const int keeps : cuts) {
        if (keeps < 0 || keeps >= static_cast<int>(size)) continue;
        ++runs;
        if (!Run_Case({type, &program, read_window, Fault::Short_Write, write, keeps}, clean))
          ++failing;
      }
    }
  }
  Report_Failing_Runs(failing, runs);
  EXPECT_GE(runs, 2 * 6 * 12);
}

// The same operations without a fault end with their own result: the sweep
// above holds only because the fault made the difference.
TEST(Fault_Injection, Without_A_Fault_Each_Operation_Shows_Its_Result) {
  for (const int read_window : {1, 16})
  for (const char* type : Types) {
    Device_Run run(type, read_window);
    const std::size_t first_packet = run.app.simulator.Received().size();
    run.app.form.Click("Program_Eprom");
    EXPECT_EQ(run.Status(), "Device is Programmed....") << type;
    EXPECT_EQ(run.Stray_Fuses(), "") << type;
    const int64_t pulse_us =
        Longest_Pulse_Us(run.app.simulator, first_packet, run.app.host.clock.Now_Us());
    EXPECT_GT(pulse_us, 0) << type;
    EXPECT_LE(pulse_us, Clean_Pulse_Us) << type;
    for (const Operation& operation : Operations) {
      if (std::string(operation.name) == "blank") continue;
      run.app.form.Click(operation.button);
      EXPECT_EQ(run.Status(), operation.success_text) << type << " " << operation.name;
      EXPECT_EQ(run.app.form.window.Failure_Flag(), 0) << type << " " << operation.name;
    }
  }
}

// The counter after `name=` on the command line's --stats line.
int Stat_Of(const std::string& out, const std::string& name) {
  const std::size_t at = out.find(" " + name + "=");
  return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + name.size() + 2);
}

std::vector<std::string> Lines_Of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The command line's program (with its load and check before the burn) and
// verify (with its load), cut anywhere from start-up to shut-down: a run the
// link stopped after the programmer was found ends on a "Stopped: ..." line,
// and one short write gives one time-out line.
TEST(Fault_Injection, Command_Line_Runs_Stopped_Anywhere_End_On_A_Stopped_Line) {
  Temp_Dir folder;
  std::string image(32, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 37 + 5);
  folder.Write("img.bin", image);
  int runs = 0;
  for (const char* command : {"program", "verify"})
  for (const char* window : {"1", "16"}) {
    const std::vector<std::string> base = {"--simulate", "--sim-part", "82S123", "-d", "82S123",
                                           "--read-window", window, "--stats"};
    std::vector<std::string> clean_args = base;
    clean_args.insert(clean_args.end(), {command, folder.File("img.bin")});
    const Cli_Result clean = Run_Cli_Args(clean_args);
    const std::string what = std::string(command) + " window " + window;
    // The simulated part starts blank: the verify fails, the burn passes.
    ASSERT_EQ(clean.status,
              std::string(command) == "program" ? cli::Exit_Passed : cli::Exit_Part_Failed)
        << what << clean.out << clean.err;
    const struct {
      Fault fault;
      const char* option;
      int count;
    } faults[] = {{Fault::Short_Write, "short-write=", Stat_Of(clean.out, "usb-writes")},
                  {Fault::No_Reply, "no-reply=", Stat_Of(clean.out, "replies")},
                  {Fault::Unplug, "unplug=", Stat_Of(clean.out, "packets-out") - 1}};
    for (const auto& f : faults) {
      ASSERT_GT(f.count, 0) << what << clean.out;
      for (const int index : Sweep_Indices(f.count)) {
        const std::string fault = f.option + std::to_string(index);
        SCOPED_TRACE(what + " " + fault);
        std::vector<std::string> args = base;
        args.insert(args.end(), {"--sim-fault", fault, command, folder.File("img.bin")});
        const Cli_Result run = Run_Cli_Args(args);
        ++runs;
        const std::vector<std::string> lines = Lines_Of(run.out);
        const auto time_outs = std::count(lines.begin(), lines.end(), "USB Device Write TimeOut ...");
        EXPECT_LE(time_outs, f.fault == Fault::Short_Write ? 1 : 0) << run.out;
        const bool found = run.Says("Usb Programmer Found");
        if (run.status != cli::Exit_No_Programmer || !found) continue;
        // The stats line comes after the run's own last line.
        ASSERT_GE(lines.size(), 2u) << run.out;
        const std::string& last = lines[lines.size() - 2];
        EXPECT_TRUE(Is_Stopped_Text(last)) << run.out;
      }
    }
  }
  std::printf("command line fault sweep: %d runs\n", runs);
  EXPECT_GE(runs, 2 * 2 * 3 * 8);
}

struct Update_Run {
  explicit Update_Run(const std::string& path) {
    app.simulator.Set_Firmware(1, 6);
    app.host.answers.push_back(Box_Answer::Yes);
    app.host.paths.push_back(path);
  }
  Sim_App app;
};

TEST(Fault_Injection, An_Update_Under_A_Link_Fault_Is_Never_Good) {
  Temp_Dir folder;
  std::vector<uint8_t> image(20 * 66);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + 1);
  const std::vector<uint8_t> bytes = Build_Update_File(1, 7, image);
  folder.Write("update.bin", std::string(bytes.begin(), bytes.end()));
  const std::string path = folder.File("update.bin");

  Update_Run clean(path);
  clean.app.Start();
  ASSERT_EQ(clean.app.form.flash.Outcome, Update_Outcome::Good);
  // Start-up idles the programmer after the update, in one write of five
  // packets; a fault there is no fault of the update. The update's last
  // write is its closing packet, so an unplug may come up to the packet
  // before it.
  Fault_Counts counts = Counts_Of(clean.app.simulator);
  counts.writes -= 1;
  counts.packets -= 5;
  for (const Fault fault : All_Faults) {
    for (const int index : Sweep_Indices(counts.Of(fault))) {
      SCOPED_TRACE(std::string(Fault_Name(fault)) + "=" + std::to_string(index));
      Update_Run run(path);
      Arm(run.app.simulator, fault, index);
      run.app.Start();
      const Main_Form& form = run.app.form;
      const bool update_ran = form.flash.Outcome != Update_Outcome::Not_Run;
      if (update_ran) {
        EXPECT_EQ(form.flash.Outcome, Update_Outcome::Link_Fault);
        EXPECT_NE(run.app.host.Box_Texts().back(), Good_Update_Text);
      } else {
        // The fault hit the version query: no programmer was found.
        EXPECT_NE(form.window.Link_State(), 2);
      }
      EXPECT_EQ(form.link.Packet_Len, 8u);
    }
  }
}

}  // namespace
}  // namespace tarnik::testing
