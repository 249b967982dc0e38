#include "identify/rom_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <fstream>

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

// The cached index's records, in the name order they were written in;
// empty when the index is damaged.
std::vector<std::pair<std::string_view, std::string_view>> Read_Index(std::string_view body) {
  std::vector<std::pair<std::string_view, std::string_view>> records;
  Record_Reader reader(body);
  while (!reader.At_End()) {
    uint32_t length = 0;
    std::string_view record;
    Record_Head head;
    if (!reader.U32(length) || !reader.Bytes(length, record)) return {};
    Record_Reader fields(record);
    if (!Read_Head(fields, head)) return {};
    records.emplace_back(head.name, record);
  }
  return records;
}

struct Found_File {
  std::string name;  // below the folder, '/' between its parts
  Source_Stamp stamp;
  friend bool operator<(const Found_File& a, const Found_File& b) { return a.name < b.name; }
};

// Deeper than any real tree of ROMs goes.
constexpr int Deepest_Folder = 32;

// Every regular file that may be a candidate below the open folder `folder`,
// which this takes over. Each is looked at relative to its own folder, so
// that the kernel never walks the whole path again.
void Find_Files(int folder, const std::string& prefix, int depth, std::vector<Found_File>& found) {
  DIR* listing = fdopendir(folder);
  if (listing == nullptr) {
    close(folder);
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status;
    if (fstatat(dirfd(listing), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    // A link to a file counts as the file; a link to a folder is not
    // followed, so that a link back up cannot list the tree again.
    const bool link = S_ISLNK(status.st_mode);
    if (link && fstatat(dirfd(listing), entry->d_name, &status, 0) != 0) continue;
    if (S_ISDIR(status.st_mode)) {
      if (link || depth >= Deepest_Folder) continue;
      const int child = openat(dirfd(listing), entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (child >= 0) Find_Files(child, prefix + std::string(name) + "/", depth + 1, found);
      continue;
    }
    const auto size = static_cast<uint64_t>(status.st_size);
    // Plain files longer than any part can never be a candidate.
    if (!S_ISREG(status.st_mode) || (!Is_Zip(fs::path(name)) && size > Max_Part_Bytes)) continue;
    found.push_back({prefix + std::string(name),
                     {size, static_cast<uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
                                static_cast<uint64_t>(status.st_mtim.tv_nsec)}});
  }
  closedir(listing);
}

// The folder's files in name order: each the cached record while its stamp
// holds, else a fresh one kept in `fresh`.
struct Walk_Result {
  std::vector<std::string_view> records;
  bool changed = false;
};

Walk_Result Walk(const fs::path& folder, std::string_view cached, std::deque<std::string>& fresh,
                 const Keep_Alive& keep_alive) {
  const auto old = Read_Index(cached);
  std::vector<Found_File> files;
  const int top = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (top >= 0) Find_Files(top, "", 0, files);
  std::sort(files.begin(), files.end());
  Walk_Result result;
  result.changed = files.size() != old.size();
  auto next_old = old.begin();
  for (const Found_File& file : files) {
    while (next_old != old.end() && next_old->first < file.name) ++next_old;
    if (next_old != old.end() && next_old->first == file.name) {
      Record_Reader fields(next_old->second);
      Record_Head head;
      if (Read_Head(fields, head) && head.stamp == file.stamp) {
        result.records.push_back(next_old->second);
        continue;
      }
    }
    result.changed = true;
    fresh.push_back(Scan_File(folder / file.name, file.name, file.stamp));
    result.records.push_back(fresh.back());
    if (keep_alive) keep_alive();
  }
  return result;
}

// Adds the record's members of `size`, or its problem; false when damaged.
bool Take_Record(std::string_view record, const fs::path& folder, uint32_t size,
                 Folder_Lookup& lookup) {
  const std::string folder_name = folder.filename().string();
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
      lookup.images.push_back({std::string(member), name, {data.begin(), data.end()},
                               (folder / name).string() + ":" + std::string(member)});
    else
      lookup.images.push_back({name, folder_name, {data.begin(), data.end()}, (folder / name).string()});
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
    for (const std::string_view record : walk.records) {
      Put_U32(body, static_cast<uint32_t>(record.size()));
      body.append(record);
    }
    cache.Store(Kind, whole, Source_Stamp{}, body);
  }
  Folder_Lookup lookup;
  for (const std::string_view record : walk.records)
    if (!Take_Record(record, whole, size, lookup)) break;
  return lookup;
}

}  // namespace tarnik::identify
