#include "identify/dat_catalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>

#include "identify/binary_record.h"
#include "identify/dat_reader.h"

namespace tarnik::identify {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view Kind = "dat";
constexpr std::size_t Sha1_Bytes = 20;

uint8_t Nibble(char digit) {
  return static_cast<uint8_t>(digit <= '9' ? digit - '0' : digit - 'a' + 10);
}

// `hex`: 40 lower-case hex digits, or empty.
void Put_Sha1(std::string& out, std::string_view hex) {
  Put_U8(out, hex.empty() ? 0 : 1);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    Put_U8(out, static_cast<uint8_t>(Nibble(hex[i]) << 4 | Nibble(hex[i + 1])));
}

std::string Sha1_Text(std::string_view raw) {
  std::string text;
  char pair[3];
  for (const char byte : raw) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(static_cast<uint8_t>(byte)));
    text += pair;
  }
  return text;
}

constexpr uint8_t Bad_Dump_Flag = 1;
constexpr uint8_t Other_Memory_Flag = 2;

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  while (!text.empty() && blank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && blank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool Contains_Word(std::string_view text, std::string_view word) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find(word) != std::string::npos;
}

// Catalogues list with a board's PROMs the images of its other memories
// (settings kept in EEPROM, battery-backed RAM); their region or name says so.
bool Is_Other_Memory(const Dat_Entry& entry) {
  constexpr std::array<std::string_view, 3> Words = {"eeprom", "nvram", "sram"};
  return std::any_of(Words.begin(), Words.end(), [&entry](std::string_view word) {
    return Contains_Word(entry.region, word) || Contains_Word(entry.rom, word);
  });
}

void Put_Entry(std::string& records, const Dat_Entry& entry) {
  Put_U32(records, entry.crc);
  Put_Sha1(records, entry.sha1);
  Put_Text(records, entry.rom);
  Put_Text(records, entry.game);
  Put_Text(records, Trimmed(entry.description));
  Put_Text(records, Trimmed(entry.year));
  Put_Text(records, Trimmed(entry.manufacturer));
  Put_Text(records, entry.parent);
  Put_U8(records, static_cast<uint8_t>((entry.bad_dump ? Bad_Dump_Flag : 0) |
                                       (Is_Other_Memory(entry) ? Other_Memory_Flag : 0)));
}

// The index body: the name, the problem, a table of the sizes with the
// length of each one's records, then the records grouped by size, so that a
// look-up reads only the records of its size. Images larger than any part
// are left out: no look-up asks for them.
std::string Build_Index(const fs::path& dat, const Keep_Alive& keep_alive) {
  std::map<uint32_t, std::string> groups;
  std::ifstream in(dat, std::ios::binary);
  Dat_Outcome outcome;
  if (!in) {
    outcome.error = "the file cannot be opened";
  } else {
    outcome = Read_Dat(in, [&groups](const Dat_Entry& entry) {
      if (entry.size <= Max_Part_Bytes) Put_Entry(groups[entry.size], entry);
    }, keep_alive);
  }
  // A catalogue that failed anywhere is used not at all.
  if (!outcome.error.empty()) groups.clear();
  std::string body;
  Put_Text(body, outcome.name.empty() ? dat.filename().string() : outcome.name);
  Put_Text(body, outcome.error);
  Put_U32(body, static_cast<uint32_t>(groups.size()));
  for (const auto& [size, records] : groups) {
    Put_U32(body, size);
    Put_U64(body, records.size());
  }
  for (const auto& [size, records] : groups) body += records;
  return body;
}

bool Read_Records(std::string_view records, uint32_t wanted_crc, Dat_Lookup& lookup) {
  Record_Reader reader(records);
  while (!reader.At_End()) {
    uint32_t crc = 0;
    uint8_t has_sha1 = 0;
    uint8_t flags = 0;
    std::string_view sha1, rom, game, description, year, maker, parent;
    if (!reader.U32(crc) || !reader.U8(has_sha1)) return false;
    if (has_sha1 != 0 && !reader.Bytes(Sha1_Bytes, sha1)) return false;
    if (!reader.Text(rom) || !reader.Text(game) || !reader.Text(description) ||
        !reader.Text(year) || !reader.Text(maker) || !reader.Text(parent) || !reader.U8(flags))
      return false;
    ++lookup.of_size;
    if (crc == wanted_crc)
      lookup.images.push_back({std::string(rom), std::string(game), crc, Sha1_Text(sha1),
                               std::string(description), std::string(year), std::string(maker),
                               std::string(parent), (flags & Bad_Dump_Flag) != 0,
                               (flags & Other_Memory_Flag) != 0});
  }
  return true;
}

// Reads the index body; false when it is damaged.
bool Read_Index(std::string_view body, uint32_t size, uint32_t crc, Dat_Lookup& lookup) {
  Record_Reader reader(body);
  std::string_view name, problem;
  uint32_t groups = 0;
  if (!reader.Text(name) || !reader.Text(problem) || !reader.U32(groups)) return false;
  lookup.name = name;
  lookup.problem = problem;
  uint64_t skip = 0, length = 0;
  bool found = false;
  for (uint32_t i = 0; i < groups; ++i) {
    uint32_t group_size = 0;
    uint64_t group_length = 0;
    if (!reader.U32(group_size) || !reader.U64(group_length)) return false;
    if (group_size == size) {
      found = true;
      length = group_length;
    } else if (!found) {
      skip += group_length;
    }
  }
  std::string_view records;
  if (!reader.Bytes(skip, records)) return false;
  return !found || (reader.Bytes(length, records) && Read_Records(records, crc, lookup));
}

}  // namespace

Dat_Lookup Look_Up_Dat(const fs::path& dat, const Source_Cache& cache, uint32_t size, uint32_t crc,
                       const Keep_Alive& keep_alive) {
  Dat_Lookup lookup;
  const std::optional<Source_Stamp> stamp = Stamp_Of(dat);
  if (!stamp) {
    lookup.name = dat.filename().string();
    lookup.problem = "the file cannot be read";
    return lookup;
  }
  if (const std::optional<std::string> cached = cache.Load(Kind, dat, *stamp))
    if (Read_Index(*cached, size, crc, lookup)) return lookup;
  lookup = {};
  const std::string body = Build_Index(dat, keep_alive);
  cache.Store(Kind, dat, *stamp, body);
  Read_Index(body, size, crc, lookup);
  return lookup;
}

}  // namespace tarnik::identify
