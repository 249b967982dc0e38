#include "identify/source_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "identify/binary_record.h"

namespace tarnik::identify {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view Magic = "tarnik source cache 1\n";

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
  std::ifstream in(File_For(kind, source), std::ios::binary);
  if (!in) return std::nullopt;
  const std::string header = Header(kind, source, stamp);
  std::string start(header.size(), '\0');
  // The header names the source in full, so two sources that share a
  // cache file name never take each other's contents.
  if (!in.read(start.data(), static_cast<std::streamsize>(start.size())) || start != header)
    return std::nullopt;
  const std::streamoff start_of_body = in.tellg();
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (start_of_body < 0 || end < start_of_body) return std::nullopt;
  std::string body(static_cast<std::size_t>(end - start_of_body), '\0');
  in.seekg(start_of_body);
  if (!in.read(body.data(), static_cast<std::streamsize>(body.size()))) return std::nullopt;
  return body;
}

void Source_Cache::Store(std::string_view kind, const fs::path& source, const Source_Stamp& stamp,
                         std::string_view body) const {
  if (folder_.empty()) return;
  std::error_code error;
  fs::create_directories(folder_, error);
  const fs::path target = File_For(kind, source);
  const fs::path temporary = target.string() + "." + std::to_string(getpid()) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    const std::string header = Header(kind, source, stamp);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    if (out.flush()) {
      out.close();
      fs::rename(temporary, target, error);
      if (!error) return;
    }
  }
  fs::remove(temporary, error);
}

}  // namespace tarnik::identify
