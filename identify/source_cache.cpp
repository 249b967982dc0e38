#include "identify/source_cache.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>

#include "identify/binary_record.h"
#include "window/text_file.h"

namespace tarnik::identify {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view Magic = "tarnik source cache 3\n";

fs::path User_Folder(const char* variable, const char* fallback_below_home) {
  const char* set = std::getenv(variable);
  if (set != nullptr && *set == '/') return fs::path(set) / "tarnik";
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return {};
  return fs::path(home) / fallback_below_home / "tarnik";
}

std::string Header(std::string_view kind, const fs::path& source, const Source_Stamp& stamp) {
  std::string header(Magic);
  Put_Text(header, kind);
  Put_Text(header, source.string());
  Put_U64(header, stamp.size);
  Put_U64(header, stamp.modified);
  return header;
}

uint32_t Crc_Of(std::string_view body) {
  const uLong crc = crc32_z(0L, Z_NULL, 0);
  return static_cast<uint32_t>(
      crc32_z(crc, reinterpret_cast<const Bytef*>(body.data()), body.size()));
}

}  // namespace

std::optional<Source_Stamp> Stamp_Of(const fs::path& source) {
  struct stat status;
  if (::stat(source.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return Source_Stamp{static_cast<uint64_t>(status.st_size),
                      static_cast<uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
                          static_cast<uint64_t>(status.st_mtim.tv_nsec)};
}

fs::path Default_Cache_Folder() { return User_Folder("XDG_CACHE_HOME", ".cache"); }
fs::path Default_Data_Folder() { return User_Folder("XDG_DATA_HOME", ".local/share"); }

fs::path Source_Cache::File_For(std::string_view kind, const fs::path& source) const {
  char name[40];
  std::snprintf(name, sizeof name, "%.8s-%016zx.idx", std::string(kind).c_str(),
                std::hash<std::string>{}(source.string()));
  return folder_ / name;
}

std::optional<std::string> Source_Cache::Load(std::string_view kind, const fs::path& source,
                                              const Source_Stamp& stamp) const {
  if (folder_.empty()) return std::nullopt;
  const fs::path file = File_For(kind, source);
  std::error_code error;
  const std::uintmax_t size = fs::file_size(file, error);
  if (error || size > Largest_Cache_File) return std::nullopt;
  // Bounded again while reading: the file may have grown since.
  const Bounded_File read = Read_Bounded_File(file.string(), Largest_Cache_File);
  if (!read.bytes) return std::nullopt;
  const std::string_view bytes = *read.bytes;
  // The header names the source in full, so two sources that share a
  // cache file name never take each other's contents.
  const std::string header = Header(kind, source, stamp);
  if (bytes.substr(0, header.size()) != header) return std::nullopt;
  Record_Reader reader(bytes.substr(header.size()));
  uint64_t length = 0;
  uint32_t crc = 0;
  std::string_view body;
  if (!reader.U64(length) || !reader.U32(crc) || length > bytes.size() ||
      !reader.Bytes(static_cast<std::size_t>(length), body) || !reader.At_End() ||
      Crc_Of(body) != crc)
    return std::nullopt;
  return std::string(body);
}

void Source_Cache::Store(std::string_view kind, const fs::path& source, const Source_Stamp& stamp,
                         std::string_view body) const {
  if (folder_.empty()) return;
  std::string file = Header(kind, source, stamp);
  Put_U64(file, body.size());
  Put_U32(file, Crc_Of(body));
  // A file too large to be read back is not written.
  if (body.size() > Largest_Cache_File - file.size()) return;
  file.append(body);
  std::error_code error;
  fs::create_directories(folder_, error);
  // Replaced whole or not at all; a cache that cannot be written is rebuilt
  // at the next look.
  Write_File_Atomically(File_For(kind, source).string(), file);
}

}  // namespace tarnik::identify
