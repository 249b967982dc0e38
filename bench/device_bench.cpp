// Speed of the device operations and the file codecs. The device runs go
// over the simulated programmer on a virtual clock: the benchmark measures
// the program's own work per run, and reports the modelled time on the wire
// as a counter.

#include <benchmark/benchmark.h>

#include "files/file_types.h"
#include "files/hex_reader.h"
#include "files/hex_writers.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

void Move_A_1k_Part(benchmark::State& state) {
  int64_t link_us = 0;
  for (auto _ : state) {
    Sim_App app;
    std::string error;
    auto part = sim::Make_Sim_Part("82S181", error);
    sim::Seat_Part(app.simulator, *part);
    app.Start();
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, 20);
    app.form.Click("Move_Eprom");
    link_us = app.simulator.Counters().link_us;
    benchmark::DoNotOptimize(app.form.Prom_Buffer);
  }
  state.counters["modelled_link_ms"] = static_cast<double>(link_us) / 1000.0;
}
BENCHMARK(Move_A_1k_Part)->Unit(benchmark::kMillisecond);

void Program_A_256x8_Part(benchmark::State& state) {
  int64_t link_us = 0;
  for (auto _ : state) {
    Sim_App app;
    std::string error;
    auto part = sim::Make_Sim_Part("82S135", error);
    sim::Seat_Part(app.simulator, *part);
    app.Start();
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, 18);
    for (std::size_t i = 0; i < 256; ++i) app.form.Prom_Buffer[i] = static_cast<uint8_t>(i);
    app.form.Click("Program_Eprom");
    link_us = app.simulator.Counters().link_us;
  }
  state.counters["modelled_link_ms"] = static_cast<double>(link_us) / 1000.0;
}
BENCHMARK(Program_A_256x8_Part)->Unit(benchmark::kMillisecond);

void Intel_Hex_Round_Trip_1k(benchmark::State& state) {
  Prom_Image image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31);
  for (auto _ : state) {
    const std::string text = Write_Intel_Records(image, 1023);
    const Hex_Read_Result read = Read_Hex_Image(text, File_Intel_Hex, 1023, Prom_Image{});
    benchmark::DoNotOptimize(read);
  }
}
BENCHMARK(Intel_Hex_Round_Trip_1k);

}  // namespace
}  // namespace tarnik::testing
