#include "identify/dat_catalogue.h"

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

// The index body: the name, the problem, a table of the sizes with the
// length of each one's records, then the records grouped by size, so that a
// look-up reads only the records of its size.
std::string Build_Index(const fs::path& dat, const Keep_Alive& keep_alive) {
  std::map<uint32_t, std::string> groups;
  std::ifstream in(dat, std::ios::binary);
  Dat_Outcome outcome;
  if (!in) {
    outcome.error = "the file cannot be opened";
  } else {
    outcome = Read_Dat(in, [&groups](const Dat_Entry& entry) {
      std::string& records = groups[entry.size];
      Put_U32(records, entry.crc);
      Put_Sha1(records, entry.sha1);
      Put_Text(records, entry.rom);
      Put_Text(records, entry.game);
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
    std::string_view sha1, rom, game;
    if (!reader.U32(crc) || !reader.U8(has_sha1)) return false;
    if (has_sha1 != 0 && !reader.Bytes(Sha1_Bytes, sha1)) return false;
    if (!reader.Text(rom) || !reader.Text(game)) return false;
    ++lookup.of_size;
    if (crc == wanted_crc)
      lookup.images.push_back({std::string(rom), std::string(game), crc, Sha1_Text(sha1)});
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
