#pragma once
// The cache of what a source (a DAT catalogue, a ROM folder's file) held the
// last time it was read: one file per source below the cache folder, valid
// while the source keeps its size and modification time. A cache that cannot
// be written or read back is simply not used; the source is read again.
// Each file carries its body's length and CRC-32, so that a file cut short,
// damaged or grown past all measure reads as absent and is built afresh.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnik::identify {

// What makes a cached reading of a source still true.
struct Source_Stamp {
  uint64_t size = 0;
  uint64_t modified = 0;  // nanoseconds since the epoch
  friend bool operator==(const Source_Stamp&, const Source_Stamp&) = default;
};

// The stamp of a regular file; none for anything else or a file not there.
[[nodiscard]] std::optional<Source_Stamp> Stamp_Of(const std::filesystem::path& source);

// `$XDG_CACHE_HOME/tarnik`, or `~/.cache/tarnik` when it is not set.
[[nodiscard]] std::filesystem::path Default_Cache_Folder();
// `$XDG_DATA_HOME/tarnik`, or `~/.local/share/tarnik` when it is not set.
[[nodiscard]] std::filesystem::path Default_Data_Folder();

// Far past the index of any real catalogue or ROM folder: a larger cache
// file is not read at all.
inline constexpr std::size_t Largest_Cache_File = 256 * 1024 * 1024;

class Source_Cache {
 public:
  // `folder` empty: nothing is cached.
  explicit Source_Cache(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // The body cached for `source` of this kind, when its stamp still holds.
  [[nodiscard]] std::optional<std::string> Load(std::string_view kind,
                                                const std::filesystem::path& source,
                                                const Source_Stamp& stamp) const;
  // Replaces the cached body whole, or leaves the old one when it cannot.
  void Store(std::string_view kind, const std::filesystem::path& source, const Source_Stamp& stamp,
             std::string_view body) const;

 private:
  [[nodiscard]] std::filesystem::path File_For(std::string_view kind,
                                               const std::filesystem::path& source) const;
  std::filesystem::path folder_;
};

}  // namespace tarnik::identify
