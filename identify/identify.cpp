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

// What users know an entry by: " — Puck Man (Japan set 1), Namco 1980".
std::string Known_As(const Listed_Image& image) {
  std::string maker = image.manufacturer;
  if (!image.year.empty()) maker += (maker.empty() ? "" : " ") + image.year;
  if (image.description.empty() && maker.empty()) return "";
  if (image.description.empty()) return " — " + maker;
  return " — " + image.description + (maker.empty() ? "" : ", " + maker);
}

std::string Clones(std::size_t count) {
  if (count == 0) return "";
  return ", and " + std::to_string(count) + (count == 1 ? " Clone" : " Clones");
}

// Entries that share one image with the entry they are clones of: one line,
// named by that entry when it is among them, counting the others.
struct Entry_Group {
  std::string key;
  bool bad_dump = false;
  std::vector<const Listed_Image*> entries;
};

std::vector<Entry_Group> Group_Clones(const std::vector<const Listed_Image*>& matches) {
  std::vector<Entry_Group> groups;
  for (const Listed_Image* image : matches) {
    const std::string key = image->parent.empty() ? image->game : image->parent;
    // Two images of one entry are two lines: a board may hold one PROM twice.
    auto group = std::find_if(groups.begin(), groups.end(), [&](const Entry_Group& g) {
      return g.key == key && g.bad_dump == image->bad_dump &&
             std::none_of(g.entries.begin(), g.entries.end(),
                          [image](const Listed_Image* in) { return in->game == image->game; });
    });
    if (group == groups.end()) group = groups.insert(groups.end(), {key, image->bad_dump, {}});
    group->entries.push_back(image);
  }
  return groups;
}

std::string Group_Line(const Entry_Group& group, const std::string& dat_name) {
  auto named = std::find_if(group.entries.begin(), group.entries.end(),
                            [&group](const Listed_Image* image) { return image->game == group.key; });
  const Listed_Image& image = named == group.entries.end() ? *group.entries.front() : **named;
  return "Known Image: " + image.rom + " in " + image.game + Known_As(image) +
         Clones(group.entries.size() - 1) + " (" + dat_name + ")" +
         (group.bad_dump ? " (Known Bad Dump)" : "");
}

// A part that reads all ones or all zeros matches every blank memory image a
// catalogue lists; those that are not PROMs are then counted, not named.
bool Reads_Blank(const Dump& dump) {
  bool ones = true, zeros = true;
  for (uint32_t i = 0; i < dump.size; ++i) {
    ones = ones && dump.data[i] == dump.mask;
    zeros = zeros && dump.data[i] == 0;
  }
  return ones || zeros;
}

// The matches of other memories, held back until every PROM match is listed.
struct Other_Memories {
  std::vector<std::string> lines;
  std::size_t entries = 0;
};

std::size_t Search_Dats(const Dump& dump, const Identify_Sources& sources, Report& report,
                        Other_Memories& others, const Keep_Alive& keep_alive) {
  std::size_t searched = 0;
  const Source_Cache cache(sources.cache_folder);
  for (const std::filesystem::path& dat : sources.dats) {
    const Dat_Lookup lookup = Look_Up_Dat(dat, cache, dump.size, dump.digest.crc32, keep_alive);
    if (!lookup.problem.empty()) {
      report.Problem(dat.string(), lookup.problem);
      continue;
    }
    searched += lookup.of_size;
    std::vector<const Listed_Image*> proms, other;
    for (const Listed_Image& image : lookup.images)
      if (image.crc == dump.digest.crc32 && (image.sha1.empty() || image.sha1 == dump.digest.sha1))
        (image.other_memory ? other : proms).push_back(&image);
    for (const Entry_Group& group : Group_Clones(proms)) report.Match(Group_Line(group, lookup.name));
    others.entries += other.size();
    for (const Entry_Group& group : Group_Clones(other))
      others.lines.push_back(Group_Line(group, lookup.name));
  }
  return searched;
}

void Report_Other_Memories(const Dump& dump, const Other_Memories& others, Report& report) {
  if (others.entries == 0) return;
  if (!Reads_Blank(dump)) {
    for (const std::string& line : others.lines) report.Match(line);
    return;
  }
  report.Match("... and " + std::to_string(others.entries) +
               (others.entries == 1 ? " Entry of Other Memories" : " Entries of Other Memories"));
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

// Where the loaders take a folder's image from, so that the user can.
std::string File_Note(const Folder_Image& image) { return " (File: " + image.file + ")"; }

void Report_Nearest(const Dump& dump, const std::vector<Candidate>& candidates, int near_bits,
                    Report& report) {
  int fewest = std::numeric_limits<int>::max();
  for (const Candidate& candidate : candidates) fewest = std::min(fewest, candidate.bits);
  if (near_bits <= 0 || fewest > near_bits) return;
  for (const Candidate& candidate : candidates) {
    if (candidate.bits != fewest) continue;
    const std::string line = "Nearest Known Image: " + candidate.image->rom + " in " +
                             candidate.image->set + ", " + std::to_string(fewest) +
                             " Bits Differ" + File_Note(*candidate.image);
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
  Other_Memories others;
  std::size_t searched = Search_Dats(dump, sources, report, others, keep_alive);
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
        report.Match("Known Image: " + known.rom + " in " + known.set + File_Note(known));
      candidates.push_back({&known, bits});
    }
    searched += folders[f].images.size();
  }
  Report_Other_Memories(dump, others, report);
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
