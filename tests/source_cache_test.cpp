// The cache of catalogues and ROM folders: whatever befalls a cache file
// (a flipped byte anywhere, a cut, a byte too many, a size past all measure),
// the look-up names what a look-up without any cache names, and the file is
// built afresh as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "identify/identify.h"
#include "identify/source_cache.h"
#include "tests/known_images.h"
#include "tests/test_files.h"

namespace tarnik::identify {
namespace {

namespace fs = std::filesystem;
using tarnik::testing::Bytes;
using tarnik::testing::Pattern;
using tarnik::testing::Read_File;
using tarnik::testing::Temp_Dir;

// A catalogue of five images and a folder of six zips and a plain file, all
// of 256 bytes, and a dump two bits away from one of the zipped images, so
// that both the catalogue's counts and the folder's bytes decide the answer.
Bytes Make_Sources(const Temp_Dir& dir) {
  std::string roms;
  for (uint8_t i = 1; i <= 5; ++i)
    roms += tarnik::testing::Rom_Element("d" + std::to_string(i), Pattern(256, 0xFF, i));
  fs::create_directories(dir.Path() / "dats");
  dir.Write("dats/k.dat", tarnik::testing::Datafile("Colours", "board", roms));
  fs::create_directories(dir.Path() / "roms");
  for (uint8_t i = 0; i < 6; ++i)
    EXPECT_TRUE(tarnik::testing::Write_Zip(dir.File("roms/z" + std::to_string(i) + ".zip"),
                                           {{"p" + std::to_string(i), Pattern(256, 0xFF, 20 + i)}}));
  const Bytes plain = Pattern(256, 0xFF, 40);
  dir.Write("roms/plain.bin", std::string(plain.begin(), plain.end()));
  Bytes dump = Pattern(256, 0xFF, 23);
  dump[0x10] ^= 0x08;
  dump[0x42] ^= 0x01;
  return dump;
}

Identification Look(const Temp_Dir& dir, const Bytes& dump, bool cached) {
  Identify_Sources sources;
  sources.dats = {dir.Path() / "dats/k.dat"};
  sources.rom_folders = {dir.Path() / "roms"};
  if (cached) sources.cache_folder = dir.Path() / "cache";
  Prom_Image image{};
  std::copy(dump.begin(), dump.end(), image.begin());
  return Identify_Dump(image, 255, 0xFF, sources);
}

std::map<fs::path, std::string> Cache_Files(const Temp_Dir& dir) {
  std::map<fs::path, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir.Path() / "cache"))
    files[entry.path()] = Read_File(entry.path().string());
  return files;
}

struct Damage {
  std::string what;
  std::function<void(const fs::path&, const std::string&)> apply;
};

std::vector<Damage> Damages_Of(const std::string& pristine) {
  std::vector<Damage> damages;
  // Every 37th byte and the last: the header, the length and checksum, each
  // record's fields and the images' bytes.
  std::vector<std::size_t> places;
  for (std::size_t at = 0; at < pristine.size(); at += 37) places.push_back(at);
  places.push_back(pristine.size() - 1);
  for (const std::size_t at : places)
    damages.push_back({"byte " + std::to_string(at) + " flipped",
                       [at](const fs::path& file, const std::string& bytes) {
                         std::string changed = bytes;
                         changed[at] = static_cast<char>(changed[at] ^ 0x20);
                         tarnik::testing::Write_File(file.string(), changed);
                       }});
  damages.push_back({"cut by a byte", [](const fs::path& file, const std::string& bytes) {
                       tarnik::testing::Write_File(file.string(), bytes.substr(0, bytes.size() - 1));
                     }});
  damages.push_back({"cut in half", [](const fs::path& file, const std::string& bytes) {
                       tarnik::testing::Write_File(file.string(), bytes.substr(0, bytes.size() / 2));
                     }});
  damages.push_back({"a byte too many", [](const fs::path& file, const std::string& bytes) {
                       tarnik::testing::Write_File(file.string(), bytes + '\0');
                     }});
  damages.push_back({"empty", [](const fs::path& file, const std::string&) {
                       tarnik::testing::Write_File(file.string(), "");
                     }});
  damages.push_back({"past the largest cache", [](const fs::path& file, const std::string&) {
                       fs::resize_file(file, Largest_Cache_File + 1);
                     }});
  return damages;
}

TEST(Source_Cache, Damaged_Cache_Is_Rebuilt_And_Names_What_No_Cache_Names) {
  Temp_Dir dir;
  const Bytes dump = Make_Sources(dir);
  const Identification uncached = Look(dir, dump, false);
  // The answer depends on the folder's bytes and the catalogue's count.
  ASSERT_EQ(uncached.lines.at(0), "No Known Image Matches (12 Images of This Size Searched)");
  ASSERT_EQ(uncached.lines.at(1).rfind("Nearest Known Image: p3 in z3.zip, 2 Bits Differ (File: ", 0), 0u);

  EXPECT_EQ(Look(dir, dump, true).lines, uncached.lines);
  const std::map<fs::path, std::string> pristine = Cache_Files(dir);
  ASSERT_EQ(pristine.size(), 2u);  // one per source, no temporary file left
  for (const auto& [file, bytes] : pristine) {
    for (const Damage& damage : Damages_Of(bytes)) {
      SCOPED_TRACE(file.filename().string() + ": " + damage.what);
      damage.apply(file, bytes);
      const Identification found = Look(dir, dump, true);
      EXPECT_EQ(found.lines, uncached.lines);
      EXPECT_EQ(found.summary, uncached.summary);
      EXPECT_EQ(Cache_Files(dir), pristine);
    }
  }
}

TEST(Source_Cache, Body_Comes_Back_Only_For_Its_Own_Source_And_Stamp) {
  Temp_Dir dir;
  const Source_Cache cache(dir.Path() / "cache");
  const Source_Stamp stamp{256, 7};
  const std::string body("\0body\xff", 6);
  cache.Store("dat", "/a/k.dat", stamp, body);
  const struct {
    const char* what;
    std::string kind;
    fs::path source;
    Source_Stamp stamp;
    bool found;
  } cases[] = {
      {"same", "dat", "/a/k.dat", stamp, true},
      {"another size", "dat", "/a/k.dat", {257, 7}, false},
      {"another time", "dat", "/a/k.dat", {256, 8}, false},
      {"another kind", "roms", "/a/k.dat", stamp, false},
      {"another source", "dat", "/b/k.dat", stamp, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<std::string> loaded = cache.Load(c.kind, c.source, c.stamp);
    EXPECT_EQ(loaded, c.found ? std::optional<std::string>(body) : std::nullopt);
  }
  // An empty body is a body.
  cache.Store("dat", "/a/k.dat", stamp, "");
  EXPECT_EQ(cache.Load("dat", "/a/k.dat", stamp), std::optional<std::string>(""));
}

}  // namespace
}  // namespace tarnik::identify
