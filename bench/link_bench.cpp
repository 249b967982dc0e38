// The device operations on the modelled clock of the simulated programmer:
// for each operation and PROM size, the modelled time with a read window of
// 16, with one location at a time, and under the link's own first form (one
// USB write per packet, every reply ending at the 40 ms read time-out), with
// their ratios; Google Benchmark measures the program's own CPU time per
// operation at K = 16. scripts/bench.sh prints the counters as a table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "cli/console_host.h"
#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "sim/sim_programmer.h"
#include "tests/test_host.h"

namespace tarnik::testing {
namespace {

// The driver as the link first used it: every packet its own USB write, and
// every reply read with a count far larger than the reply, so that the read
// ends at the driver's time-out.
class One_Write_Per_Packet final : public Ftd2xx {
 public:
  explicit One_Write_Per_Packet(Ftd2xx& inner) : inner_(inner) {}

  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override {
    return inner_.FT_ListDevices(arg1, arg2, flags);
  }
  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override {
    return inner_.FT_OpenEx(arg, flags, handle);
  }
  FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t read_ms, uint32_t write_ms) override {
    return inner_.FT_SetTimeouts(handle, read_ms, write_ms);
  }
  FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) override {
    return inner_.FT_SetLatencyTimer(handle, ms);
  }
  FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) override {
    return inner_.FT_GetQueueStatus(handle, rx_bytes);
  }
  FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count,
                     uint32_t* written) override {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    *written = 0;
    for (uint32_t at = 0; at < count; at += Packet) {
      uint32_t one = 0;
      const FT_STATUS status = inner_.FT_Write(handle, bytes + at, std::min(Packet, count - at), &one);
      *written += one;
      if (status != FT_OK) return status;
    }
    return FT_OK;
  }
  FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) override {
    std::vector<uint8_t> all(Usb_Access::Reply_Size);
    const FT_STATUS status =
        inner_.FT_Read(handle, all.data(), static_cast<uint32_t>(all.size()), read);
    *read = std::min(*read, count);
    std::copy(all.begin(), all.begin() + *read, static_cast<uint8_t*>(buffer));
    return status;
  }
  FT_STATUS FT_Close(FT_HANDLE handle) override { return inner_.FT_Close(handle); }

 private:
  static constexpr uint32_t Packet = 8;
  Ftd2xx& inner_;
};

enum class Link_Form { Window_16, One_At_A_Time, First_Form };

// The window's form over the simulated programmer with a part seated and
// chosen, the buffer holding what the operation needs.
struct Modelled_Run {
  Modelled_Run(const char* type, Link_Form form_of_link)
      : simulator(host.clock),
        first_form(simulator),
        form(form_of_link == Link_Form::First_Form ? static_cast<Ftd2xx&>(first_form)
                                                   : static_cast<Ftd2xx&>(simulator),
             host) {
    std::string error;
    part = sim::Make_Sim_Part(type, error);
    sim::Seat_Part(simulator, *part);
    form.link.Read_Window = form_of_link == Link_Form::Window_16 ? 16 : 1;
    form.FormCreate();
    form.Start_Up();
    form.Click("Device");
    form.Event("Device_Box", Event_Kind::Click, Find_Device_Type(type)->row);
  }

  // Runs `button`; returns the modelled time it took, rests and waits included.
  int64_t Click_Us(const char* button) {
    const int64_t start = host.clock.Now_Us();
    form.Click(button);
    return host.clock.Now_Us() - start;
  }

  Test_Host host;
  sim::Sim_Programmer simulator;
  One_Write_Per_Packet first_form;
  Main_Form form;
  std::unique_ptr<sim::Sim_Part> part;
};

struct Operation {
  const char* name;
  const char* button;
  // Prepares part and buffer: the part programmed (or not) and the image
  // the operation works against.
  void (*prepare)(Modelled_Run& run);
};

void Fill_Random(Modelled_Run& run) {
  std::mt19937 random(7);
  for (uint8_t& byte : run.form.Prom_Buffer) byte = static_cast<uint8_t>(random());
}

// The part holds the random image, read back as the buffer's own, so that
// verify, compare and blank check visit every location.
void Programmed_Part(Modelled_Run& run) {
  Fill_Random(run);
  run.form.Click("Program_Eprom");
  run.form.Click("Move_Eprom");
}

const Operation Operations[] = {
    {"read", "Move_Eprom", [](Modelled_Run&) {}},
    {"verify", "Verify_Eprom", Programmed_Part},
    {"blank", "Blank_Chk", [](Modelled_Run&) {}},
    {"compare", "Compare", Programmed_Part},
    {"program-ff", "Program_Eprom", [](Modelled_Run& run) { run.form.Prom_Buffer.fill(0xFF); }},
    {"program-random", "Program_Eprom", Fill_Random},
};

const char* const Types[] = {"82S123", "82S129", "82S147", "82S181"};

int64_t Modelled_Us(const Operation& op, const char* type, Link_Form form) {
  Modelled_Run run(type, form);
  op.prepare(run);
  return run.Click_Us(op.button);
}

void Device_Operation(benchmark::State& state, const Operation& op, const char* type) {
  const double k16 = static_cast<double>(Modelled_Us(op, type, Link_Form::Window_16)) / 1000.0;
  const double k1 = static_cast<double>(Modelled_Us(op, type, Link_Form::One_At_A_Time)) / 1000.0;
  const double first = static_cast<double>(Modelled_Us(op, type, Link_Form::First_Form)) / 1000.0;
  for (auto _ : state) {
    state.PauseTiming();
    auto run = std::make_unique<Modelled_Run>(type, Link_Form::Window_16);
    op.prepare(*run);
    state.ResumeTiming();
    run->form.Click(op.button);
    benchmark::DoNotOptimize(run->form.Prom_Buffer);
  }
  state.counters["k16_ms"] = k16;
  state.counters["k1_ms"] = k1;
  state.counters["first_form_ms"] = first;
  state.counters["k1_over_k16"] = k1 / k16;
  state.counters["first_form_over_k16"] = first / k16;
}

// A 1k Move Device as the window runs it over the simulated programmer: on
// the real clock, every poll pass pausing a real millisecond as the
// window's event loop does.
void Window_Move_1k_Real_Time(benchmark::State& state) {
  std::ostringstream out;
  std::ostringstream err;
  for (auto _ : state) {
    state.PauseTiming();
    cli::Console_Host host(std::make_unique<Real_Clock>(), out, err, false);
    sim::Sim_Programmer simulator(host.Time());
    std::string error;
    auto part = sim::Make_Sim_Part("82S181", error);
    sim::Seat_Part(simulator, *part);
    Main_Form form(simulator, host);
    form.FormCreate();
    form.Start_Up();
    form.Click("Device");
    form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S181")->row);
    state.ResumeTiming();
    form.Click("Move_Eprom");
    benchmark::DoNotOptimize(form.Prom_Buffer);
  }
}
BENCHMARK(Window_Move_1k_Real_Time)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

[[maybe_unused]] const bool Registered = [] {
  for (const Operation& op : Operations) {
    for (const char* type : Types) {
      const std::string name = std::string("Link/") + op.name + "/" + type;
      benchmark::RegisterBenchmark(name.c_str(), [&op, type](benchmark::State& state) {
        Device_Operation(state, op, type);
      })->Unit(benchmark::kMillisecond)->Iterations(10);
    }
  }
  return true;
}();

}  // namespace
}  // namespace tarnik::testing
