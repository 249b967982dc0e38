// Speed and memory of naming a dump against a catalogue the size of the
// machine list emulators print (about 250 MB of XML, 300,000 ROM entries)
// and a folder of 20,000 zips, both generated here once and kept in
// $TARNIK_IDENTIFY_DATA (default: a folder under the temporary directory).
// The first look-up builds the cache, every later one reads it; the peak
// memory of the first one is the process's high-water mark, reset before it.

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "buffer/image_digest.h"
#include "identify/identify.h"

namespace tarnik::identify {
namespace {

namespace fs = std::filesystem;

constexpr int Machines = 30000;
constexpr int Roms_Per_Machine = 10;
constexpr int Zips = 20000;
constexpr uint32_t Prom_Bytes = 256;

class Random {
 public:
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<uint32_t>(state_);
  }

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

fs::path Data_Folder() {
  const char* set = std::getenv("TARNIK_IDENTIFY_DATA");
  return set != nullptr ? fs::path(set) : fs::temp_directory_path() / "tarnik-identify-bench";
}

// The image the dump holds, named once in the list and once in the folder.
Prom_Image Wanted_Image() {
  Prom_Image image{};
  for (uint32_t i = 0; i < Prom_Bytes; ++i) image[i] = static_cast<uint8_t>((i * 29 + 3) & 0x0F);
  return image;
}

std::string Hex(uint32_t value, int digits) {
  char text[9];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// A machine with its ROMs and the rest a machine list says of it.
void Write_Machine(std::ostream& out, int index, Random& random) {
  static const Image_Digest digest = Digest_Device_Range(Wanted_Image(), Prom_Bytes - 1);
  out << "\t<machine name=\"m" << index << "\" sourcefile=\"src/m" << index % 900
      << ".cpp\">\n\t\t<description>Machine " << index << "</description>\n"
      << "\t\t<year>198" << index % 10 << "</year>\n\t\t<manufacturer>Maker</manufacturer>\n";
  for (int r = 0; r < Roms_Per_Machine; ++r) {
    const bool prom = r == 0;
    const bool wanted = prom && index == Machines / 2;
    std::string sha1;
    for (int i = 0; i < 5; ++i) sha1 += Hex(random.Next(), 8);
    out << "\t\t<rom name=\"r" << r << ".bin\" size=\"" << (prom ? Prom_Bytes : 8192u << (r % 4))
        << "\" crc=\"" << (wanted ? Hex(digest.crc32, 8) : Hex(random.Next(), 8)) << "\" sha1=\""
        << (wanted ? digest.sha1 : sha1) << "\" region=\"maincpu\" offset=\"0\"/>\n";
  }
  out << "\t\t<chip type=\"cpu\" tag=\"maincpu\" name=\"CPU\" clock=\"3072000\"/>\n"
      << "\t\t<display tag=\"screen\" type=\"raster\" rotate=\"0\" width=\"256\" height=\"224\" "
         "refresh=\"60.000000\"/>\n";
  for (int d = 0; d < 8; ++d) {
    out << "\t\t<dipswitch name=\"Switch " << d << "\" tag=\"DSW\" mask=\"" << (1 << d) << "\">\n";
    for (int v = 0; v < 2; ++v)
      out << "\t\t\t<diplocation name=\"SW\" number=\"" << d + 1 << "\"/>\n\t\t\t<dipvalue name=\""
          << (v == 0 ? "Off" : "On") << "\" value=\"" << v * (1 << d) << "\" default=\"yes\"/>\n";
    out << "\t\t</dipswitch>\n";
  }
  for (int p = 0; p < 100; ++p)
    out << "\t\t<port tag=\":IN" << p << "\"><analog mask=\"" << (1 << (p % 8)) << "\"/></port>\n";
  out << "\t\t<driver status=\"good\" emulation=\"good\" savestate=\"supported\"/>\n\t</machine>\n";
}

fs::path Machine_List() {
  const fs::path path = Data_Folder() / "machines.xml";
  if (fs::exists(path)) return path;
  fs::create_directories(Data_Folder());
  std::ofstream out(path.string() + ".part", std::ios::binary);
  out << "<?xml version=\"1.0\"?>\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n]>\n"
         "<mame build=\"0\" debug=\"no\" mameconfig=\"10\">\n";
  Random random;
  for (int m = 0; m < Machines; ++m) Write_Machine(out, m, random);
  out << "</mame>\n";
  out.close();
  fs::rename(path.string() + ".part", path);
  return path;
}

void Write_Zip(const fs::path& path, const std::vector<uint8_t>& prom,
               const std::vector<uint8_t>& program) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return;
  zip_file_add(archive, "prom.6f", zip_source_buffer(archive, prom.data(), prom.size(), 0), 0);
  zip_file_add(archive, "prog.1a", zip_source_buffer(archive, program.data(), program.size(), 0), 0);
  zip_close(archive);
}

fs::path Rom_Folder() {
  const fs::path folder = Data_Folder() / "roms";
  const fs::path done = Data_Folder() / "roms.done";
  if (fs::exists(done)) return folder;
  fs::create_directories(folder);
  Random random;
  std::vector<uint8_t> prom(Prom_Bytes), program(4096);
  for (int z = 0; z < Zips; ++z) {
    for (auto& byte : prom) byte = static_cast<uint8_t>(random.Next() & 0x0F);
    for (auto& byte : program) byte = static_cast<uint8_t>(random.Next());
    // One set holds the wanted image with one bit gone.
    if (z == Zips / 3) {
      const Prom_Image wanted = Wanted_Image();
      prom.assign(wanted.begin(), wanted.begin() + Prom_Bytes);
      prom[17] ^= 0x04;
    }
    Write_Zip(folder / ("set" + std::to_string(z) + ".zip"), prom, program);
  }
  std::ofstream(done.string()) << "done\n";
  return folder;
}

// The process's peak resident memory since the last reset, in MB.
double Peak_Mb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

void Reset_Peak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void Run(benchmark::State& state, const Identify_Sources& sources, bool first) {
  const Prom_Image dump = Wanted_Image();
  double peak = 0;
  std::size_t lines = 0;
  // A later look-up finds the cache the first one left.
  if (!first) benchmark::DoNotOptimize(Identify_Dump(dump, Prom_Bytes - 1, 0x0F, sources));
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      fs::remove_all(sources.cache_folder);
      Reset_Peak();
      state.ResumeTiming();
    }
    const Identification found = Identify_Dump(dump, Prom_Bytes - 1, 0x0F, sources);
    lines = found.lines.size();
    peak = std::max(peak, Peak_Mb());
  }
  state.counters["peak_mb"] = peak;
  state.counters["lines"] = static_cast<double>(lines);
}

Identify_Sources Sources(bool dat, bool roms) {
  Identify_Sources sources;
  if (dat) sources.dats.push_back(Machine_List());
  if (roms) sources.rom_folders.push_back(Rom_Folder());
  sources.cache_folder = Data_Folder() / "cache";
  return sources;
}

void Identify_List_First(benchmark::State& state) { Run(state, Sources(true, false), true); }
void Identify_List_Cached(benchmark::State& state) { Run(state, Sources(true, false), false); }
void Identify_Folder_First(benchmark::State& state) { Run(state, Sources(false, true), true); }
void Identify_Folder_Cached(benchmark::State& state) { Run(state, Sources(false, true), false); }
void Identify_Both_Cached(benchmark::State& state) { Run(state, Sources(true, true), false); }

BENCHMARK(Identify_List_First)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Identify_List_Cached)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(Identify_Folder_First)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Identify_Folder_Cached)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(Identify_Both_Cached)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
}  // namespace tarnik::identify
