#include "identify/rom_folder.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>

#include "identify/binary_record.h"
#include "identify/zip_members.h"

namespace tarnik::identify {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view Kind = "roms";

// What one file below the folder held when it was last read.
struct Scanned_File {
  Source_Stamp stamp;
  bool zip = false;
  std::string problem;
  std::vector<Zip_Member> members;  // a plain file is one member without a name
};

using Folder_Index = std::map<std::string, Scanned_File>;

bool Is_Zip(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".zip";
}

void Put_Index(std::string& body, const Folder_Index& index) {
  for (const auto& [name, file] : index) {
    Put_Text(body, name);
    Put_U64(body, file.stamp.size);
    Put_U64(body, file.stamp.modified);
    Put_U8(body, file.zip ? 1 : 0);
    Put_Text(body, file.problem);
    Put_U32(body, static_cast<uint32_t>(file.members.size()));
    for (const Zip_Member& member : file.members) {
      Put_Text(body, member.name);
      Put_U32(body, member.size);
      Put_U32(body, member.crc);
      Put_U8(body, member.data ? 1 : 0);
      if (member.data) body.append(member.data->begin(), member.data->end());
    }
  }
}

bool Read_Member(Record_Reader& reader, Zip_Member& member) {
  std::string_view name, data;
  uint8_t has_data = 0;
  if (!reader.Text(name) || !reader.U32(member.size) || !reader.U32(member.crc) ||
      !reader.U8(has_data))
    return false;
  member.name = name;
  if (has_data == 0) return true;
  if (member.size > Max_Part_Bytes || !reader.Bytes(member.size, data)) return false;
  member.data.emplace(data.begin(), data.end());
  return true;
}

bool Read_File(Record_Reader& reader, std::string& name, Scanned_File& file) {
  std::string_view text, problem;
  uint8_t zip = 0;
  uint32_t count = 0;
  if (!reader.Text(text) || !reader.U64(file.stamp.size) || !reader.U64(file.stamp.modified) ||
      !reader.U8(zip) || !reader.Text(problem) || !reader.U32(count))
    return false;
  name = text;
  file.zip = zip != 0;
  file.problem = problem;
  for (uint32_t i = 0; i < count; ++i) {
    Zip_Member member;
    if (!Read_Member(reader, member)) return false;
    file.members.push_back(std::move(member));
  }
  return true;
}

// The cached index; empty when there is none or it is damaged.
Folder_Index Read_Index(std::string_view body) {
  Folder_Index index;
  Record_Reader reader(body);
  while (!reader.At_End()) {
    std::string name;
    Scanned_File file;
    if (!Read_File(reader, name, file)) return {};
    index.emplace(std::move(name), std::move(file));
  }
  return index;
}

Scanned_File Scan_File(const fs::path& path, const Source_Stamp& stamp) {
  Scanned_File file{stamp, Is_Zip(path), "", {}};
  if (file.zip) {
    Zip_Contents contents = Read_Zip_Members(path);
    file.problem = std::move(contents.problem);
    if (file.problem.empty()) file.members = std::move(contents.members);
    return file;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> data(stamp.size);
  if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()))) {
    file.problem = "cannot be read";
    return file;
  }
  file.members.push_back({"", static_cast<uint32_t>(stamp.size), 0, std::move(data)});
  return file;
}

// Walks the folder, reusing what the old index says of each file whose
// stamp still holds. `changed` tells whether the new index differs.
Folder_Index Walk(const fs::path& folder, Folder_Index& old, bool& changed,
                  const Keep_Alive& keep_alive) {
  Folder_Index index;
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                        error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    if (!walk->is_regular_file(error)) continue;
    const std::optional<Source_Stamp> stamp = Stamp_Of(walk->path());
    // Plain files longer than any part can never be a candidate.
    if (!stamp || (!Is_Zip(walk->path()) && stamp->size > Max_Part_Bytes)) continue;
    std::string name = walk->path().lexically_relative(folder).generic_string();
    const auto cached = old.find(name);
    if (cached != old.end() && cached->second.stamp == *stamp) {
      index.emplace(std::move(name), std::move(cached->second));
      continue;
    }
    changed = true;
    index.emplace(std::move(name), Scan_File(walk->path(), *stamp));
    if (keep_alive) keep_alive();
  }
  if (index.size() != old.size()) changed = true;
  return index;
}

}  // namespace

Folder_Lookup Look_Up_Rom_Folder(const fs::path& folder, const Source_Cache& cache, uint32_t size,
                                 const Keep_Alive& keep_alive) {
  fs::path whole = fs::absolute(folder).lexically_normal();
  if (!whole.has_filename()) whole = whole.parent_path();
  const std::optional<std::string> cached = cache.Load(Kind, whole, Source_Stamp{});
  Folder_Index old = cached ? Read_Index(*cached) : Folder_Index{};
  bool changed = !cached;
  const Folder_Index index = Walk(whole, old, changed, keep_alive);
  if (changed) {
    std::string body;
    Put_Index(body, index);
    cache.Store(Kind, whole, Source_Stamp{}, body);
  }
  Folder_Lookup lookup;
  const std::string folder_name = whole.filename().string();
  for (const auto& [name, file] : index) {
    if (!file.problem.empty())
      lookup.problems.push_back(folder_name + "/" + name + ": " + file.problem);
    for (const Zip_Member& member : file.members) {
      if (member.size != size || !member.data) continue;
      if (file.zip)
        lookup.images.push_back({member.name, name, *member.data});
      else
        lookup.images.push_back({name, folder_name, *member.data});
    }
  }
  return lookup;
}

}  // namespace tarnik::identify
