#include "identify/rom_folder.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <fstream>
#include <unordered_map>

#include "identify/binary_record.h"
#include "identify/zip_members.h"

namespace tarnik::identify {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view Kind = "roms";

// One file's record in the index: its name below the folder, its stamp,
// whether it is a zip, why it was skipped, then its members (a plain file is
// one member without a name), each with its bytes when it is small enough.
struct Record_Head {
  std::string_view name;
  Source_Stamp stamp;
};

bool Read_Head(Record_Reader& reader, Record_Head& head) {
  return reader.Text(head.name) && reader.U64(head.stamp.size) && reader.U64(head.stamp.modified);
}

bool Is_Zip(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".zip";
}

std::string Make_Record(const std::string& name, const Source_Stamp& stamp, bool zip,
                        const std::string& problem, const std::vector<Zip_Member>& members) {
  std::string record;
  Put_Text(record, name);
  Put_U64(record, stamp.size);
  Put_U64(record, stamp.modified);
  Put_U8(record, zip ? 1 : 0);
  Put_Text(record, problem);
  Put_U32(record, static_cast<uint32_t>(members.size()));
  for (const Zip_Member& member : members) {
    Put_Text(record, member.name);
    Put_U32(record, member.size);
    Put_U32(record, member.crc);
    Put_U8(record, member.data ? 1 : 0);
    if (member.data) record.append(member.data->begin(), member.data->end());
  }
  return record;
}

std::string Scan_File(const fs::path& path, const std::string& name, const Source_Stamp& stamp) {
  if (Is_Zip(path)) {
    const Zip_Contents contents = Read_Zip_Members(path);
    return Make_Record(name, stamp, true, contents.problem,
                       contents.problem.empty() ? contents.members : std::vector<Zip_Member>{});
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> data(stamp.size);
  if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size())))
    return Make_Record(name, stamp, false, "cannot be read", {});
  return Make_Record(name, stamp, false, "",
                     {{"", static_cast<uint32_t>(stamp.size), 0, std::move(data)}});
}

// The records of the cached index by file name; empty when it is damaged.
std::unordered_map<std::string_view, std::string_view> Read_Index(std::string_view body) {
  std::unordered_map<std::string_view, std::string_view> records;
  Record_Reader reader(body);
  while (!reader.At_End()) {
    uint32_t length = 0;
    std::string_view record;
    Record_Head head;
    if (!reader.U32(length) || !reader.Bytes(length, record)) return {};
    Record_Reader fields(record);
    if (!Read_Head(fields, head)) return {};
    records.emplace(head.name, record);
  }
  return records;
}

// The folder's files, in name order: each the cached record while its
// stamp holds, else a fresh one kept in `fresh`.
struct Walk_Result {
  std::vector<std::pair<std::string, std::string_view>> records;
  bool changed = false;
};

Walk_Result Walk(const fs::path& folder, std::string_view cached, std::deque<std::string>& fresh,
                 const Keep_Alive& keep_alive) {
  const auto old = Read_Index(cached);
  Walk_Result result;
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                        error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    if (walk->is_directory(error)) continue;
    const std::optional<Source_Stamp> stamp = Stamp_Of(walk->path());
    // Plain files longer than any part can never be a candidate.
    if (!stamp || (!Is_Zip(walk->path()) && stamp->size > Max_Part_Bytes)) continue;
    std::string name = walk->path().lexically_relative(folder).generic_string();
    const auto found = old.find(name);
    Record_Head head;
    if (found != old.end()) {
      Record_Reader fields(found->second);
      if (Read_Head(fields, head) && head.stamp == *stamp) {
        result.records.emplace_back(std::move(name), found->second);
        continue;
      }
    }
    result.changed = true;
    fresh.push_back(Scan_File(walk->path(), name, *stamp));
    result.records.emplace_back(std::move(name), fresh.back());
    if (keep_alive) keep_alive();
  }
  if (result.records.size() != old.size()) result.changed = true;
  std::sort(result.records.begin(), result.records.end());
  return result;
}

// Adds the record's members of `size`, or its problem; false when damaged.
bool Take_Record(std::string_view record, const std::string& folder_name, uint32_t size,
                 Folder_Lookup& lookup) {
  Record_Reader reader(record);
  Record_Head head;
  uint8_t zip = 0;
  uint32_t count = 0;
  std::string_view problem;
  if (!Read_Head(reader, head) || !reader.U8(zip) || !reader.Text(problem) || !reader.U32(count))
    return false;
  const std::string name(head.name);
  if (!problem.empty()) lookup.problems.push_back(folder_name + "/" + name + ": " + std::string(problem));
  for (uint32_t i = 0; i < count; ++i) {
    std::string_view member, data;
    uint32_t member_size = 0, crc = 0;
    uint8_t has_data = 0;
    if (!reader.Text(member) || !reader.U32(member_size) || !reader.U32(crc) || !reader.U8(has_data))
      return false;
    if (has_data != 0 && (member_size > Max_Part_Bytes || !reader.Bytes(member_size, data)))
      return false;
    if (has_data == 0 || member_size != size) continue;
    if (zip != 0)
      lookup.images.push_back({std::string(member), name, {data.begin(), data.end()}});
    else
      lookup.images.push_back({name, folder_name, {data.begin(), data.end()}});
  }
  return true;
}

}  // namespace

Folder_Lookup Look_Up_Rom_Folder(const fs::path& folder, const Source_Cache& cache, uint32_t size,
                                 const Keep_Alive& keep_alive) {
  fs::path whole = fs::absolute(folder).lexically_normal();
  if (!whole.has_filename()) whole = whole.parent_path();
  const std::optional<std::string> cached = cache.Load(Kind, whole, Source_Stamp{});
  std::deque<std::string> fresh;
  const Walk_Result walk = Walk(whole, cached ? *cached : std::string_view{}, fresh, keep_alive);
  if (walk.changed || !cached) {
    std::string body;
    for (const auto& [name, record] : walk.records) {
      Put_U32(body, static_cast<uint32_t>(record.size()));
      body.append(record);
    }
    cache.Store(Kind, whole, Source_Stamp{}, body);
  }
  Folder_Lookup lookup;
  const std::string folder_name = whole.filename().string();
  for (const auto& [name, record] : walk.records)
    if (!Take_Record(record, folder_name, size, lookup)) break;
  return lookup;
}

}  // namespace tarnik::identify
