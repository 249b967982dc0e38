// Naming a dump: exact matches in both catalogue forms, 4-bit parts, the
// nearest image in a ROM folder with its bits, ties, the caps on long
// lists, each kind of bad catalogue and archive skipped once, and the cache.

#include "identify/identify.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "identify/dat_catalogue.h"
#include "identify/rom_folder.h"
#include "tests/known_images.h"

namespace tarnik::identify {
namespace {

namespace fs = std::filesystem;
using tarnik::testing::Bytes;
using tarnik::testing::Datafile;
using tarnik::testing::Machine_List;
using tarnik::testing::Pattern;
using tarnik::testing::Read_File;
using tarnik::testing::Rom_Element;
using tarnik::testing::Temp_Dir;
using tarnik::testing::Write_Zip;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes Flipped(Bytes bytes, std::initializer_list<std::pair<std::size_t, int>> bits) {
  for (const auto& [address, bit] : bits) bytes[address] ^= static_cast<uint8_t>(1 << bit);
  return bytes;
}

// A readable zip with each of the ways an archive goes bad, byte by byte.
void Write_Bad_Zips(const Temp_Dir& dir, const Bytes& member) {
  using namespace tarnik::testing;
  const std::string roms = dir.File("roms/");
  dir.Write("roms/garbage.zip", "PK\x03\x04 this is no archive at all");
  ASSERT_TRUE(Write_Zip(roms + "whole.zip", {{"m", member}}));
  const std::string whole = Read_File(roms + "whole.zip");
  fs::remove(roms + "whole.zip");
  dir.Write("roms/truncated.zip", whole.substr(0, whole.size() / 2));

  ASSERT_TRUE(Write_Zip(roms + "stored.zip", {{"m", member}}, true));
  const std::string stored = Read_File(roms + "stored.zip");
  fs::remove(roms + "stored.zip");
  std::string encrypted = stored;  // bit 0 of the flags: encrypted
  for (std::size_t at : Records(encrypted, "PK\x03\x04")) encrypted[at + 6] |= 1;
  for (std::size_t at : Records(encrypted, "PK\x01\x02")) encrypted[at + 8] |= 1;
  dir.Write("roms/encrypted.zip", encrypted);

  std::string damaged = stored;  // the member's bytes no longer fit its CRC
  damaged[Records(damaged, "PK\x03\x04")[0] + 30 + 1 + 5] ^= 0x40;
  dir.Write("roms/damaged.zip", damaged);

  ASSERT_TRUE(Write_Zip(roms + "zeros.zip", {{"huge", Bytes(64 * 1024)}}));
  std::string bomb = Read_File(roms + "zeros.zip");
  fs::remove(roms + "zeros.zip");
  // The directory now claims 4 GB packed into a few hundred bytes.
  for (std::size_t at : Records(bomb, "PK\x03\x04")) Put_Le32(bomb, at + 22, 0xFFFFFF00u);
  for (std::size_t at : Records(bomb, "PK\x01\x02")) Put_Le32(bomb, at + 24, 0xFFFFFF00u);
  dir.Write("roms/bomb.zip", bomb);
}

struct Identify_Case {
  const char* what;
  std::function<void(const Temp_Dir&)> make;  // writes dats/ and roms/
  Bytes dump;
  uint8_t mask = 0xFF;
  int near_bits = Default_Near_Bits;
  // Each line as printed; a '*' stands for any text.
  std::vector<std::string> lines;
  std::string summary;
};

void Expect_Lines(const std::vector<std::string>& got, const std::vector<std::string>& want) {
  ASSERT_EQ(got.size(), want.size()) << ::testing::PrintToString(got);
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_EQ(fnmatch(want[i].c_str(), got[i].c_str(), 0), 0) << got[i] << " vs " << want[i];
}

Identify_Sources Sources_In(const Temp_Dir& dir, int near_bits) {
  Identify_Sources sources;
  std::error_code error;
  for (fs::directory_iterator entry(dir.Path() / "dats", error); !error && entry != fs::directory_iterator();
       entry.increment(error))
    sources.dats.push_back(entry->path());
  std::sort(sources.dats.begin(), sources.dats.end());
  if (fs::exists(dir.Path() / "roms")) sources.rom_folders.push_back(dir.Path() / "roms");
  sources.near_bits = near_bits;
  sources.cache_folder = dir.Path() / "cache";
  return sources;
}

Identification Identify(const Temp_Dir& dir, const Bytes& dump, uint8_t mask, int near_bits) {
  Prom_Image image{};
  std::copy(dump.begin(), dump.end(), image.begin());
  return Identify_Dump(image, static_cast<int32_t>(dump.size()) - 1, mask,
                       Sources_In(dir, near_bits));
}

const Bytes Known = Pattern(256);
const Bytes Known_Nibbles = Pattern(256, 0x0F);

TEST(Identify, Names_Exact_And_Nearest_Images) {
  const auto dat = [](std::string text) {
    return [text](const Temp_Dir& dir) { dir.Write("dats/a.dat", text); };
  };
  const auto zips = [](std::vector<std::pair<std::string, Bytes>> archives) {
    return [archives](const Temp_Dir& dir) {
      fs::create_directories(dir.Path() / "roms");
      for (const auto& [name, bytes] : archives)
        ASSERT_TRUE(Write_Zip(dir.File("roms/" + name), {{"p.bin", bytes}, {"big", Bytes(4096)}}));
    };
  };
  std::string twenty_two;
  for (int i = 0; i < 22; ++i) twenty_two += Rom_Element("r" + std::to_string(i), Known);
  Bytes far = Known;
  for (std::size_t i = 0; i < 70; ++i) far[i] ^= 0x80;
  std::vector<std::string> far_lines = {"No Known Image Matches (1 Images of This Size Searched)",
                                        "Nearest Known Image: p.bin in far.zip, 70 Bits Differ (File: */roms/far.zip:p.bin)"};
  for (int i = 0; i < 64; ++i) {
    char address[5];
    std::snprintf(address, sizeof address, "%04X", i);
    far_lines.push_back(std::string(address) + "  BIT-7 KNOWN-" + std::to_string(far[i] >> 7) +
                        " READ-" + std::to_string(Known[i] >> 7));
  }
  far_lines.push_back("... and 6 More");
  far_lines.push_back("Fill the Buffer From the Nearest Known Image to Burn a Fresh Part");

  const Identify_Case cases[] = {
      {"datafile form", dat(Datafile("Colour Proms", "board", Rom_Element("a.6f", Known))), Known,
       0xFF, 16, {"Known Image: a.6f in board (Colour Proms)"},
       "Known Image: a.6f in board (Colour Proms)"},
      {"machine list form, named by its file",
       dat(Machine_List("m1", Rom_Element("x", Pattern(32)) + Rom_Element("p", Known))), Known, 0xFF,
       16, {"Known Image: p in m1 (a.dat)"}, "Known Image: p in m1 (a.dat)"},
      {"4-bit part: its data bits against the stored nibbles",
       dat(Datafile("N", "g", Rom_Element("n", Known_Nibbles))),
       [] {
         Bytes dump = Known_Nibbles;
         for (auto& b : dump) b |= 0xF0;
         return dump;
       }(),
       0x0F, 16, {"Known Image: n in g (N)"}, "Known Image: n in g (N)"},
      {"the CRC matches, the SHA-1 does not",
       dat(Datafile("D", "g",
                    "<rom name=\"r\" size=\"256\" crc=\"" +
                        tarnik::testing::Crc_Text(tarnik::testing::Digest_Of(Known).crc32) +
                        "\" sha1=\"0000000000000000000000000000000000000000\"/>")),
       Known, 0xFF, 16, {"No Known Image Matches (1 Images of This Size Searched)"},
       "No Known Image Matches (1 Images of This Size Searched)"},
      {"no SHA-1: size and CRC suffice", dat(Datafile("D", "g", Rom_Element("r", Known, false))),
       Known, 0xFF, 16, {"Known Image: r in g (D)"}, "Known Image: r in g (D)"},
      {"other sizes are not searched", dat(Datafile("D", "g", Rom_Element("r", Pattern(512)))), Known,
       0xFF, 16, {"No Known Image Matches (0 Images of This Size Searched)"},
       "No Known Image Matches (0 Images of This Size Searched)"},
      {"twenty matches, then the count", dat(Datafile("D", "g", twenty_two)), Known, 0xFF, 16,
       [] {
         std::vector<std::string> lines;
         for (int i = 0; i < 20; ++i) lines.push_back("Known Image: r" + std::to_string(i) + " in g (D)");
         lines.push_back("... and 2 More");
         return lines;
       }(),
       "Known Image: r0 in g (D)"},
      {"the same image in a folder", zips({{"set.zip", Known}}), Known, 0xFF, 16,
       {"Known Image: p.bin in set.zip (File: */roms/set.zip:p.bin)"}, "Known Image: p.bin in set.zip (File: */roms/set.zip:p.bin)"},
      {"nearest image two bits away", zips({{"set.zip", Known}}), Flipped(Known, {{3, 0}, {200, 7}}),
       0xFF, 16,
       {"No Known Image Matches (1 Images of This Size Searched)",
        "Nearest Known Image: p.bin in set.zip, 2 Bits Differ (File: */roms/set.zip:p.bin)",
        "0003  BIT-0 KNOWN-" + std::to_string(Known[3] & 1) + " READ-" + std::to_string(~Known[3] & 1),
        "00C8  BIT-7 KNOWN-" + std::to_string(Known[200] >> 7) + " READ-" +
            std::to_string((Known[200] >> 7) ^ 1),
        "Fill the Buffer From the Nearest Known Image to Burn a Fresh Part"},
       "Nearest Known Image: p.bin in set.zip, 2 Bits Differ (File: */roms/set.zip:p.bin)"},
      {"a tie names both", zips({{"a.zip", Flipped(Known, {{1, 1}})}, {"b.zip", Flipped(Known, {{2, 2}})},
                                 {"c.zip", Flipped(Known, {{1, 1}, {2, 2}})}}),
       Known, 0xFF, 16,
       {"No Known Image Matches (3 Images of This Size Searched)",
        "Nearest Known Image: p.bin in a.zip, 1 Bits Differ (File: */roms/a.zip:p.bin)", "0001  BIT-1*",
        "Nearest Known Image: p.bin in b.zip, 1 Bits Differ (File: */roms/b.zip:p.bin)", "0002  BIT-2*",
        "Fill the Buffer From the Nearest Known Image to Burn a Fresh Part"},
       "Nearest Known Image: p.bin in a.zip, 1 Bits Differ (File: */roms/a.zip:p.bin)"},
      {"4-bit nearest counts data bits only", zips({{"n.zip", Known_Nibbles}}),
       [] {
         Bytes dump = Flipped(Known_Nibbles, {{9, 3}});
         for (auto& b : dump) b |= 0xA0;
         return dump;
       }(),
       0x0F, 16,
       {"No Known Image Matches (1 Images of This Size Searched)",
        "Nearest Known Image: p.bin in n.zip, 1 Bits Differ (File: */roms/n.zip:p.bin)", "0009  BIT-3*",
        "Fill the Buffer From the Nearest Known Image to Burn a Fresh Part"},
       "Nearest Known Image: p.bin in n.zip, 1 Bits Differ (File: */roms/n.zip:p.bin)"},
      {"further than allowed", zips({{"set.zip", Known}}), Flipped(Known, {{3, 0}, {4, 0}}), 0xFF, 1,
       {"No Known Image Matches (1 Images of This Size Searched)"},
       "No Known Image Matches (1 Images of This Size Searched)"},
      {"nearest turned off", zips({{"set.zip", Known}}), Flipped(Known, {{3, 0}}), 0xFF, 0,
       {"No Known Image Matches (1 Images of This Size Searched)"},
       "No Known Image Matches (1 Images of This Size Searched)"},
      {"64 bit lines, then the count", zips({{"far.zip", far}}), Known, 0xFF, 100, far_lines,
       "Nearest Known Image: p.bin in far.zip, 70 Bits Differ (File: */roms/far.zip:p.bin)"},
      {"a plain file in a subfolder",
       [](const Temp_Dir& dir) {
         fs::create_directories(dir.Path() / "roms/board");
         dir.Write("roms/board/u5.bin", Text(Known));
         dir.Write("roms/board/long.bin", std::string(2048, 'x'));
         fs::create_directory_symlink("..", dir.Path() / "roms/board/up");
       },
       Known, 0xFF, 16, {"Known Image: board/u5.bin in roms (File: */roms/board/u5.bin)"}, "Known Image: board/u5.bin in roms (File: */roms/board/u5.bin)"},
      {"bad catalogues and archives, each once, the good ones still used",
       [](const Temp_Dir& dir) {
         dir.Write("dats/a_not_xml.dat", "not xml");
         dir.Write("dats/b_bomb.dat",
                   "<!DOCTYPE datafile [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><datafile/>");
         dir.Write("dats/c_good.dat", Datafile("Good", "g", Rom_Element("r", Known)));
         Write_Bad_Zips(dir, Known);
         ASSERT_TRUE(Write_Zip(dir.File("roms/good.zip"), {{"p.bin", Known}}));
       },
       Known, 0xFF, 16,
       {"Skipped *dats/a_not_xml.dat: line 1: syntax error",
        "Skipped *dats/b_bomb.dat: line 1: entity declarations are refused",
        "Known Image: r in g (Good)",
        "Skipped roms/bomb.zip: claims far more than it holds (a zip bomb)",
        "Skipped roms/damaged.zip: member m is corrupt", "Skipped roms/encrypted.zip: encrypted",
        "Skipped roms/garbage.zip: not a readable zip: *",
        "Skipped roms/truncated.zip: not a readable zip: *",
        "Known Image: p.bin in good.zip (File: */roms/good.zip:p.bin)"},
       "Known Image: r in g (Good)"},
  };
  for (const Identify_Case& c : cases) {
    SCOPED_TRACE(c.what);
    Temp_Dir dir;
    fs::create_directories(dir.Path() / "dats");
    fs::create_directories(dir.Path() / "roms");
    c.make(dir);
    // The first look-up builds the cache; the second reads it and says the same.
    for (int pass = 0; pass < 2; ++pass) {
      const Identification found = Identify(dir, c.dump, c.mask, c.near_bits);
      Expect_Lines(found.lines, c.lines);
      Expect_Lines({found.summary}, {c.summary});
    }
  }
}

// Entries as users know them: description, maker and year in both forms,
// clones that share an image on one line, bad dumps said, and the images of
// other memories after every PROM, counted when the part reads blank.
TEST(Identify, Names_Entries_As_Users_Know_Them) {
  const auto dat = [](std::string text) {
    return [text](const Temp_Dir& dir) { dir.Write("dats/a.dat", text); };
  };
  const auto game = [](const std::string& attributes, const std::string& inside) {
    return "<game " + attributes + ">" + inside + "</game>\n";
  };
  const auto catalogue = [](const std::string& games) {
    return "<?xml version=\"1.0\"?>\n<datafile><header><name>DAT NAME</name></header>\n" + games +
           "</datafile>\n";
  };
  const std::string known_as =
      "<description>\n  Puck Man (Japan set 1) </description><year>1980</year>"
      "<manufacturer>Namco</manufacturer>";
  std::string fourteen_clones;
  for (int i = 0; i < 14; ++i)
    fourteen_clones += game("name=\"clone" + std::to_string(i) + "\" cloneof=\"puckman\" romof=\"puckman\"",
                            std::string("<description>Clone</description>") +
                                "<rom name=\"82s123.7f\" merge=\"82s123.7f\"" +
                                Rom_Element("", Known).substr(12));
  const Bytes ones(256, 0xFF);
  const std::string blank_roms = Rom_Element("prom.1", ones) +
                                 "<rom name=\"eeprom0\"" + Rom_Element("", ones).substr(12) +
                                 "<rom name=\"settings\" region=\"nvram\"" + Rom_Element("", ones).substr(12);
  const Identify_Case cases[] = {
      {"description, maker and year", dat(catalogue(game("name=\"puckman\"", known_as + Rom_Element("82s123.7f", Known)))),
       Known, 0xFF, 16,
       {"Known Image: 82s123.7f in puckman — Puck Man (Japan set 1), Namco 1980 (DAT NAME)"},
       "Known Image: 82s123.7f in puckman — Puck Man (Japan set 1), Namco 1980 (DAT NAME)"},
      {"machine list form, maker without a description",
       dat("<mame><machine name=\"m1\"><year>1981</year><manufacturer>Maker</manufacturer>" +
           Rom_Element("p", Known) + "</machine></mame>"),
       Known, 0xFF, 16, {"Known Image: p in m1 — Maker 1981 (a.dat)"}, "Known Image: p in m1 — Maker 1981 (a.dat)"},
      {"clones listed before their parent are one line named by it",
       dat(catalogue(fourteen_clones + game("name=\"puckman\"", known_as + Rom_Element("82s123.7f", Known)))),
       Known, 0xFF, 16,
       {"Known Image: 82s123.7f in puckman — Puck Man (Japan set 1), Namco 1980, and 14 Clones (DAT NAME)"},
       "Known Image: 82s123.7f in puckman — Puck Man (Japan set 1), Namco 1980, and 14 Clones (DAT NAME)"},
      {"one clone by romof alone; another entry keeps its line",
       dat(catalogue(game("name=\"a\"", Rom_Element("x", Known)) + game("name=\"b\" romof=\"a\"", Rom_Element("y", Known)) +
                     game("name=\"c\"", Rom_Element("z", Known)))),
       Known, 0xFF, 16,
       {"Known Image: x in a, and 1 Clone (DAT NAME)", "Known Image: z in c (DAT NAME)"},
       "Known Image: x in a, and 1 Clone (DAT NAME)"},
      {"a bad dump is said, apart from the good one",
       dat(catalogue(game("name=\"a\"", "<rom status=\"baddump\" name=\"x\"" + Rom_Element("", Known).substr(12)) +
                     game("name=\"b\" cloneof=\"a\"", Rom_Element("x", Known)))),
       Known, 0xFF, 16,
       {"Known Image: x in a (DAT NAME) (Known Bad Dump)", "Known Image: x in b (DAT NAME)"},
       "Known Image: x in a (DAT NAME) (Known Bad Dump)"},
      {"other memories after every PROM, the folder's too",
       [&](const Temp_Dir& dir) {
         dir.Write("dats/a.dat", catalogue(game("name=\"g\"", "<rom name=\"eeprom0\"" + Rom_Element("", Known).substr(12) +
                                                               Rom_Element("p", Known))));
         ASSERT_TRUE(Write_Zip(dir.File("roms/set.zip"), {{"q", Known}}));
       },
       Known, 0xFF, 16,
       {"Known Image: p in g (DAT NAME)", "Known Image: q in set.zip (File: */roms/set.zip:q)",
        "Known Image: eeprom0 in g (DAT NAME)"},
       "Known Image: p in g (DAT NAME)"},
      {"a blank part counts other memories", dat(catalogue(game("name=\"g\"", blank_roms))), ones, 0xFF, 16,
       {"Known Image: prom.1 in g (DAT NAME)", "... and 2 Entries of Other Memories"},
       "Known Image: prom.1 in g (DAT NAME)"},
  };
  for (const Identify_Case& c : cases) {
    SCOPED_TRACE(c.what);
    Temp_Dir dir;
    fs::create_directories(dir.Path() / "dats");
    fs::create_directories(dir.Path() / "roms");
    c.make(dir);
    for (int pass = 0; pass < 2; ++pass) {
      const Identification found = Identify(dir, c.dump, c.mask, c.near_bits);
      Expect_Lines(found.lines, c.lines);
      Expect_Lines({found.summary}, {c.summary});
    }
  }
}

TEST(Identify, Cache_Holds_While_Size_And_Time_Hold) {
  Temp_Dir dir;
  const Source_Cache cache(dir.Path() / "cache");
  const std::string dat = dir.File("k.dat");
  const uint32_t crc = tarnik::testing::Digest_Of(Known).crc32;
  dir.Write("k.dat", Datafile("One", "g", Rom_Element("aaaa", Known)));
  EXPECT_EQ(Look_Up_Dat(dat, cache, 256, crc).images.at(0).rom, "aaaa");
  const auto time = fs::last_write_time(dat);
  // Same size and time: the index answers, not the file.
  dir.Write("k.dat", Datafile("One", "g", Rom_Element("bbbb", Known)));
  fs::last_write_time(dat, time);
  EXPECT_EQ(Look_Up_Dat(dat, cache, 256, crc).images.at(0).rom, "aaaa");
  // A new time, and the file is read again.
  fs::last_write_time(dat, time + std::chrono::seconds(5));
  EXPECT_EQ(Look_Up_Dat(dat, cache, 256, crc).images.at(0).rom, "bbbb");
  // A damaged index reads as none.
  for (const auto& entry : fs::directory_iterator(dir.Path() / "cache")) fs::resize_file(entry.path(), 60);
  dir.Write("k.dat", Datafile("One", "g", Rom_Element("cccc", Known)));
  fs::last_write_time(dat, time + std::chrono::seconds(5));
  EXPECT_EQ(Look_Up_Dat(dat, cache, 256, crc).images.at(0).rom, "cccc");

  // A folder: the unchanged zip comes from the index, the new one is opened.
  fs::create_directories(dir.Path() / "roms");
  ASSERT_TRUE(Write_Zip(dir.File("roms/a.zip"), {{"x", Known}}));
  EXPECT_EQ(Look_Up_Rom_Folder(dir.Path() / "roms", cache, 256).images.size(), 1u);
  const auto zip_time = fs::last_write_time(dir.File("roms/a.zip"));
  ASSERT_TRUE(Write_Zip(dir.File("roms/a.zip"), {{"y", Known}}));
  fs::last_write_time(dir.File("roms/a.zip"), zip_time);
  ASSERT_TRUE(Write_Zip(dir.File("roms/b.zip"), {{"z", Known}}));
  const Folder_Lookup folder = Look_Up_Rom_Folder(dir.Path() / "roms", cache, 256);
  ASSERT_EQ(folder.images.size(), 2u);
  EXPECT_EQ(folder.images[0].rom + folder.images[1].rom, "xz");
  fs::remove(dir.File("roms/b.zip"));
  EXPECT_EQ(Look_Up_Rom_Folder(dir.Path() / "roms", cache, 256).images.size(), 1u);
}

}  // namespace
}  // namespace tarnik::identify
