// The window names the buffer's image after Move Device, Load Buffer and a
// verify: lines in the message list, which is shown, the match in the
// checksum button's hint, and the messages pumped while an index is built.

#include "app/image_identity.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/main_form.h"
#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "window/hex_text.h"
#include "tests/fixture.h"
#include "tests/known_images.h"

namespace tarnik::testing {
namespace {

namespace fs = std::filesystem;

std::string State_Holding(const Bytes& image) {
  std::string state = "type 82S129\n";
  for (unsigned line = 0; line < 1024; line += 16) {
    state += Hex_Digits(line, 3) + ":";
    for (unsigned i = 0; i < 16; ++i)
      state += " " + Hex_Digits(line + i < image.size() ? image[line + i] : 0, 2);
    state += "\n";
  }
  return state;
}

std::vector<std::string> Split_Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
    lines.push_back(text.substr(from, end - from));
  lines.push_back(text.substr(from));
  return lines;
}

std::vector<std::string> Lines_Since(const Main_Form& form, std::size_t from) {
  const auto& lines = form.window.Get("Memo1").lines;
  return {lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end()};
}

TEST(Image_Identity, The_Window_Names_The_Image_After_Move_Load_And_Verify) {
  Temp_Dir dir;
  const Bytes known = Pattern(256, 0x0F);
  Bytes drifted = known;
  drifted[7] ^= 0x02;
  // A catalogue long enough to be read in several pieces, and a folder.
  std::string roms;
  for (int i = 0; i < 3000; ++i) roms += Rom_Element("filler" + std::to_string(i), Pattern(32));
  dir.Write("proms.dat", Datafile("Proms", "board", roms + Rom_Element("col.6f", known)));
  fs::create_directories(dir.Path() / "roms");
  ASSERT_TRUE(Write_Zip(dir.File("roms/board.zip"), {{"col.6f", known}}));
  dir.Write("known.bin", std::string(known.begin(), known.end()));

  std::string error;
  const auto part = sim::Sim_Part::From_State_Text(State_Holding(drifted), error);
  ASSERT_NE(part, nullptr) << error;
  Sim_App app;
  sim::Seat_Part(app.simulator, *part);
  fs::path cache = dir.Path() / "cache";
  app.form.identity.Find_Sources = [&dir, &cache] {
    identify::Identify_Sources sources;
    sources.dats = {dir.File("proms.dat")};
    sources.rom_folders = {dir.Path() / "roms"};
    sources.cache_folder = cache;
    return sources;
  };
  app.Start();
  app.form.Click("Device");
  app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S129")->row);

  app.form.Click("Move_Eprom");
  const std::string board_file = " (File: " + (dir.Path() / "roms/board.zip").string() + ":col.6f)";
  const std::string nearest = "Nearest Known Image: col.6f in board.zip, 1 Bits Differ" + board_file;
  EXPECT_EQ(Lines_Since(app.form, 0),
            (std::vector<std::string>{
                "No Known Image Matches (2 Images of This Size Searched)", nearest,
                "0007  BIT-1 KNOWN-" + std::to_string((known[7] >> 1) & 1) + " READ-" +
                    std::to_string((drifted[7] >> 1) & 1),
                "Fill the Buffer From the Nearest Known Image to Burn a Fresh Part"}));
  EXPECT_TRUE(app.form.window.Get("Memo1").visible);
  const std::string hint = app.form.window.Get("Chk_Sum_But").hint;
  EXPECT_EQ(hint.substr(hint.rfind('\n') + 1), nearest);
  app.form.Click("Chk_Sum_But");
  EXPECT_EQ(app.form.window.Get("Chk_Sum_But").hint, hint);

  // A load talks to no programmer: what it pumps with the index built
  // already, and more when the index is built afresh, which pumps the
  // window's messages along the way.
  app.host.paths.push_back(dir.File("known.bin"));
  int pumps = app.host.pumps;
  app.form.Click("Load_But");
  const int pumps_with_index = app.host.pumps - pumps;
  cache = dir.Path() / "fresh-cache";
  app.host.paths.push_back(dir.File("known.bin"));
  pumps = app.host.pumps;
  std::size_t seen = app.form.window.Get("Memo1").lines.size();
  app.form.Click("Load_But");
  EXPECT_GT(app.host.pumps - pumps, pumps_with_index);
  EXPECT_EQ(Lines_Since(app.form, seen).back(), "Known Image: col.6f in board.zip" + board_file);
  const std::string matched = app.form.window.Get("Chk_Sum_But").hint;
  const std::string both = "\nKnown Image: col.6f in board (Proms)\nKnown Image: col.6f in board.zip" + board_file;
  ASSERT_GT(matched.size(), both.size());
  EXPECT_EQ(matched.substr(matched.size() - both.size()), both);
  EXPECT_EQ(std::count(matched.begin(), matched.end(), '\n'), 3);

  // A failed verify names the buffer's image too, and shows it.
  app.form.Click("Verify_Eprom");
  EXPECT_EQ(app.form.window.Failure_Flag(), 1);
  EXPECT_EQ(app.form.window.Get("Memo1").lines.back(), "Known Image: col.6f in board.zip" + board_file);
  EXPECT_TRUE(app.form.window.Get("Memo1").visible);
}

// The hint lists the names as the message list does, five at most, then
// counts the rest.
TEST(Image_Identity, The_Hint_Lists_Five_Names_Then_Counts_The_Rest) {
  struct Case {
    int games;
    std::vector<std::string> tail;  // the hint's lines after the checksum's
  };
  const auto name = [](int game) {
    return "Known Image: col.6f in board" + std::to_string(game) + " (Proms)";
  };
  const Case cases[] = {
      {1, {name(0)}},
      {5, {name(0), name(1), name(2), name(3), name(4)}},
      {6, {name(0), name(1), name(2), name(3), name(4), "and 1 More"}},
      {9, {name(0), name(1), name(2), name(3), name(4), "and 4 More"}},
  };
  for (const Case& c : cases) {
    Temp_Dir dir;
    const Bytes known = Pattern(256, 0x0F);
    std::string games;
    for (int game = 0; game < c.games; ++game)
      games += "<game name=\"board" + std::to_string(game) + "\">" + Rom_Element("col.6f", known) +
               "</game>\n";
    dir.Write("proms.dat", "<datafile><header><name>Proms</name></header>" + games + "</datafile>");
    dir.Write("known.bin", std::string(known.begin(), known.end()));
    Sim_App app;
    app.form.identity.Find_Sources = [&dir] {
      identify::Identify_Sources sources;
      sources.dats = {dir.File("proms.dat")};
      return sources;
    };
    app.Start();
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S129")->row);
    app.host.paths.push_back(dir.File("known.bin"));
    app.form.Click("Load_But");
    const std::vector<std::string> hint = Split_Lines(app.form.window.Get("Chk_Sum_But").hint);
    ASSERT_GE(hint.size(), c.tail.size()) << c.games;
    EXPECT_EQ(std::vector<std::string>(hint.end() - static_cast<long>(c.tail.size()), hint.end()),
              c.tail)
        << c.games;
    EXPECT_EQ(hint.size(), c.tail.size() + 2) << c.games;
  }
}

TEST(Image_Identity, The_Window_Looks_In_The_Users_Data_Folder) {
  Temp_Dir dir;
  std::optional<Scoped_Env> data_home(std::in_place, "XDG_DATA_HOME", dir.Path().string());
  fs::create_directories(dir.Path() / "tarnik/dats");
  fs::create_directories(dir.Path() / "tarnik/roms");
  for (const char* name : {"b.xml", "a.dat", "notes.txt"}) dir.Write(std::string("tarnik/dats/") + name, "");
  const identify::Identify_Sources sources = User_Identify_Sources();
  data_home.reset();
  EXPECT_EQ(sources.dats, (std::vector<fs::path>{dir.Path() / "tarnik/dats/a.dat",
                                                 dir.Path() / "tarnik/dats/b.xml"}));
  EXPECT_EQ(sources.rom_folders, (std::vector<fs::path>{dir.Path() / "tarnik/roms"}));
}

}  // namespace
}  // namespace tarnik::testing
