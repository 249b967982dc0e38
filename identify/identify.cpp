#include "identify/identify.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

#include "buffer/image_digest.h"
#include "identify/dat_catalogue.h"
#include "identify/rom_folder.h"
#include "identify/source_cache.h"
#include "window/hex_text.h"

namespace tarnik::identify {

namespace {

constexpr std::size_t Most_Match_Lines = 20;
constexpr std::size_t Most_Bit_Lines = 64;

struct Dump {
  Prom_Image data{};  // the data bits only
  uint32_t size = 0;
  uint8_t mask = 0xFF;
  Image_Digest digest;
};

struct Candidate {
  const Folder_Image* image;
  int bits;
};

class Report {
 public:
  void Problem(const std::string& file, const std::string& reason) {
    out_.lines.push_back("Skipped " + file + ": " + reason);
  }
  void Match(const std::string& line) {
    out_.names.push_back(line);
    out_.exact = true;
    if (matches_++ < Most_Match_Lines) out_.lines.push_back(line);
    if (out_.summary.empty()) out_.summary = line;
  }
  void Line(const std::string& line) { out_.lines.push_back(line); }
  void Summary(const std::string& line) {
    if (out_.summary.empty()) out_.summary = line;
  }
  // A nearest image: a name, but no match.
  void Nearest(const std::string& line) {
    out_.names.push_back(line);
    Line(line);
    Summary(line);
  }
  [[nodiscard]] std::size_t Matches() const { return matches_; }
  Identification Finish() {
    if (matches_ > Most_Match_Lines)
      out_.lines.push_back("... and " + std::to_string(matches_ - Most_Match_Lines) + " More");
    if (out_.names.empty() && !out_.summary.empty()) out_.names.push_back(out_.summary);
    return std::move(out_);
  }

 private:
  Identification out_;
  std::size_t matches_ = 0;
};

Dump Make_Dump(const Prom_Image& image, int32_t device_end, uint8_t data_mask) {
  Dump dump;
  dump.size = static_cast<uint32_t>(Loop_End(device_end) + 1);
  dump.mask = data_mask;
  for (uint32_t i = 0; i < dump.size; ++i) dump.data[i] = image[i] & data_mask;
  dump.digest = Digest_Device_Range(dump.data, device_end);
  return dump;
}

// The bits set in each byte value: a table, as the count runs over every
// candidate of a large folder and not every processor counts bits in one step.
constexpr std::array<uint8_t, 256> Bits_In = [] {
  std::array<uint8_t, 256> table{};
  for (int value = 0; value < 256; ++value) table[value] = static_cast<uint8_t>(std::popcount(static_cast<unsigned>(value)));
  return table;
}();

// The data bits in which `known` differs from the dump, counted until they
// pass `limit`: a candidate further away than that is never named.
int Bits_Apart(const Dump& dump, const std::vector<uint8_t>& known, int limit) {
  int bits = 0;
  for (uint32_t i = 0; i < dump.size && bits <= limit; ++i)
    bits += Bits_In[(known[i] ^ dump.data[i]) & dump.mask];
  return bits;
}

std::size_t Search_Dats(const Dump& dump, const Identify_Sources& sources, Report& report,
                        const Keep_Alive& keep_alive) {
  std::size_t searched = 0;
  const Source_Cache cache(sources.cache_folder);
  for (const std::filesystem::path& dat : sources.dats) {
    const Dat_Lookup lookup = Look_Up_Dat(dat, cache, dump.size, dump.digest.crc32, keep_alive);
    if (!lookup.problem.empty()) {
      report.Problem(dat.string(), lookup.problem);
      continue;
    }
    searched += lookup.of_size;
    for (const Listed_Image& image : lookup.images)
      if (image.crc == dump.digest.crc32 && (image.sha1.empty() || image.sha1 == dump.digest.sha1))
        report.Match("Known Image: " + image.rom + " in " + image.game + " (" + lookup.name + ")");
  }
  return searched;
}

void Bit_Lines(const Dump& dump, const std::vector<uint8_t>& known, Report& report) {
  std::size_t lines = 0;
  for (uint32_t address = 0; address < dump.size; ++address) {
    for (int bit = 0; bit < 8; ++bit) {
      const int k = (known[address] >> bit) & 1;
      const int r = (dump.data[address] >> bit) & 1;
      if (((dump.mask >> bit) & 1) == 0 || k == r) continue;
      if (lines++ < Most_Bit_Lines)
        report.Line(Hex_Digits_At_Least(address, 4) + "  BIT-" + std::to_string(bit) + " KNOWN-" +
                    std::to_string(k) + " READ-" + std::to_string(r));
    }
  }
  if (lines > Most_Bit_Lines)
    report.Line("... and " + std::to_string(lines - Most_Bit_Lines) + " More");
}

void Report_Nearest(const Dump& dump, const std::vector<Candidate>& candidates, int near_bits,
                    Report& report) {
  int fewest = std::numeric_limits<int>::max();
  for (const Candidate& candidate : candidates) fewest = std::min(fewest, candidate.bits);
  if (near_bits <= 0 || fewest > near_bits) return;
  for (const Candidate& candidate : candidates) {
    if (candidate.bits != fewest) continue;
    const std::string line = "Nearest Known Image: " + candidate.image->rom + " in " +
                             candidate.image->set + ", " + std::to_string(fewest) + " Bits Differ";
    report.Nearest(line);
    Bit_Lines(dump, candidate.image->data, report);
  }
  report.Line("Fill the Buffer From the Nearest Known Image to Burn a Fresh Part");
}

}  // namespace

Identification Identify_Dump(const Prom_Image& image, int32_t device_end, uint8_t data_mask,
                             const Identify_Sources& sources, const Keep_Alive& keep_alive) {
  if (sources.Empty() || device_end < 0) return {};
  const Dump dump = Make_Dump(image, device_end, data_mask);
  Report report;
  std::size_t searched = Search_Dats(dump, sources, report, keep_alive);
  const Source_Cache cache(sources.cache_folder);
  std::vector<Folder_Lookup> folders;
  for (const std::filesystem::path& folder : sources.rom_folders) {
    folders.push_back(Look_Up_Rom_Folder(folder, cache, dump.size, keep_alive));
    for (const std::string& problem : folders.back().problems) report.Line("Skipped " + problem);
  }
  std::vector<Candidate> candidates;
  for (std::size_t f = 0; f < folders.size(); ++f) {
    for (const Folder_Image& known : folders[f].images) {
      const int bits = Bits_Apart(dump, known.data, std::max(sources.near_bits, 0));
      if (bits == 0)
        report.Match("Known Image: " + known.rom + " in " + known.set);
      candidates.push_back({&known, bits});
    }
    searched += folders[f].images.size();
  }
  if (report.Matches() == 0) {
    const std::string none = "No Known Image Matches (" + std::to_string(searched) +
                             " Images of This Size Searched)";
    report.Line(none);
    Report_Nearest(dump, candidates, sources.near_bits, report);
    report.Summary(none);
  }
  return report.Finish();
}

}  // namespace tarnik::identify
