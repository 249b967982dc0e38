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
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "devices/link_fault_watch.h"
#include "devices/read_window.h"
#include "link/update_file.h"
#include "sim/sim_part.h"
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
};

const Operation Operations[] = {
    {"program", "Program_Eprom", "Device is Programmed...."},
    {"read", "Move_Eprom", "Device Has Been Moved to Buffer...."},
    {"verify", "Verify_Eprom", "Device Verified to Buffer...."},
    {"blank", "Blank_Chk", "Device is Erased...."},
    {"compare", "Compare", "Device Can be Reprogrammed...."},
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
  // An operation ends with the idle sequence's five packets in one write;
  // a device that goes away inside that write, which it took whole, leaves
  // nothing the operation could see.
  [[nodiscard]] int Of(Fault fault) const {
    return fault == Fault::No_Reply ? awaited : fault == Fault::Short_Write ? writes : packets - 5;
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

TEST(Fault_Injection, Device_Operations_Never_Claim_A_Result_Under_A_Link_Fault) {
  int runs = 0;
  for (const int read_window : {1, 16})
  for (const char* type : Types) {
    for (const Operation& operation : Operations) {
      const Clean_Run clean = Operation_Counts(type, operation, read_window);
      for (const Fault fault : All_Faults) {
        for (const int index : Sweep_Indices(clean.counts.Of(fault))) {
          SCOPED_TRACE(std::string(type) + " " + operation.name + " " + Fault_Name(fault) + "=" +
                       std::to_string(index) + " window " + std::to_string(read_window));
          Device_Run run(type, read_window);
          Arm(run.app.simulator, fault, index);
          const uint32_t faults_before = run.app.form.link.Link_Faults;
          run.app.form.Click(operation.button);
          ++runs;
          const Main_Form& form = run.app.form;
          const std::string status = run.Status();
          if (std::string(operation.name) == "program") {
            EXPECT_EQ(run.Stray_Fuses(), "");
          }
          if (read_window > 1 && fault == Fault::No_Reply &&
              form.link.Link_Faults == faults_before) {
            Expect_Recovered(run, clean);
            continue;
          }
          // Every index lies inside the operation, so every run meets its fault.
          ASSERT_GT(form.link.Link_Faults, faults_before);
          EXPECT_TRUE(status == Stopped_No_Answer_Text || status == Stopped_Link_Fault_Text) << status;
          EXPECT_NE(status, operation.success_text);
          EXPECT_NE(form.window.Failure_Flag(), 0);
          EXPECT_EQ(form.window.Get("StaticText3").colour, colours::Red);
          EXPECT_TRUE(form.window.Get("Memo1").visible);
          EXPECT_FALSE(form.Command_Running());
          EXPECT_EQ(form.link.Packet_Len, 8u);
        }
      }
    }
  }
  EXPECT_GE(runs, 2 * 6 * 5 * 3 * 12);
}

// The same operations without a fault end with their own result: the sweep
// above holds only because the fault made the difference.
TEST(Fault_Injection, Without_A_Fault_Each_Operation_Shows_Its_Result) {
  for (const int read_window : {1, 16})
  for (const char* type : Types) {
    Device_Run run(type, read_window);
    run.app.form.Click("Program_Eprom");
    EXPECT_EQ(run.Status(), "Device is Programmed....") << type;
    EXPECT_EQ(run.Stray_Fuses(), "") << type;
    for (const Operation& operation : Operations) {
      if (std::string(operation.name) == "blank") continue;
      run.app.form.Click(operation.button);
      EXPECT_EQ(run.Status(), operation.success_text) << type << " " << operation.name;
      EXPECT_EQ(run.app.form.window.Failure_Flag(), 0) << type << " " << operation.name;
    }
  }
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
  counts.packets -= 1;
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
