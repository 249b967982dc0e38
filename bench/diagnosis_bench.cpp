// What the diagnosis adds to a read of a 1k x 8 part: the findings over the
// dump, the look-up of the known images of its size from the cached index
// of a ROM folder, the search with the stuck bit ignored and the findings
// against the image found. The goal is at most 5 ms.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/part_diagnosis.h"
#include "window/message_pump.h"
#include "window/quiet_host.h"
#include "window/window_model.h"

namespace tarnik {
namespace {

namespace fs = std::filesystem;

constexpr int Known_Images = 400;
constexpr std::size_t Part_Bytes = 1024;

Prom_Image Known(int index) {
  std::mt19937 random(static_cast<uint32_t>(index));
  Prom_Image image{};
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(random());
  return image;
}

// A folder of known 1k images and a cache folder, made once.
identify::Identify_Sources Sources() {
  const fs::path root = fs::temp_directory_path() / "tarnik-diagnosis-bench";
  fs::create_directories(root / "roms");
  for (int i = 0; i < Known_Images; ++i) {
    const fs::path file = root / "roms" / ("prom" + std::to_string(i) + ".bin");
    if (fs::exists(file)) continue;
    const Prom_Image image = Known(i);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), Part_Bytes);
  }
  identify::Identify_Sources sources;
  sources.rom_folders.push_back(root / "roms");
  sources.cache_folder = root / "cache";
  return sources;
}

void Diagnosis_After_A_1k_Read(benchmark::State& state) {
  Quiet_Host host(".");
  Window_Model window;
  Message_Pump pump(host);
  Part_Diagnosis diagnosis(window, pump);
  const identify::Identify_Sources sources = Sources();
  diagnosis.Find_Sources = [&sources] { return sources; };
  // The dump of known image 7 with output 3 dead.
  Prom_Image dump = Known(7);
  for (uint8_t& byte : dump) byte = static_cast<uint8_t>(byte & ~0x08);
  diagnosis.After_Read({dump, 0x3FF, 0xFF});  // builds the index
  if (diagnosis.Finding_Texts().size() != 3) state.SkipWithError("the known image was not found");
  for (auto _ : state) {
    window.Clear_Lines("Memo1");
    diagnosis.After_Read({dump, 0x3FF, 0xFF});
    benchmark::DoNotOptimize(diagnosis.Finding_Texts());
  }
}
BENCHMARK(Diagnosis_After_A_1k_Read)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnik
