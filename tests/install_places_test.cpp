// Where an installed window keeps its settings and finds its help text.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/options.h"
#include "window/text_file.h"
#include "tests/fixture.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

TEST(Install_Places, The_User_Config_Folder_Follows_The_Xdg_Rules) {
  struct Case {
    const char* xdg;
    const char* home;
    std::string folder;
  };
  const std::vector<Case> cases = {
      {"/x/cfg", "/home/u", "/x/cfg/tarnik"},
      {nullptr, "/home/u", "/home/u/.config/tarnik"},
      {"", "/home/u", "/home/u/.config/tarnik"},
      {"relative/cfg", "/home/u", "/home/u/.config/tarnik"},  // not absolute: ignored
      {"/x/cfg", nullptr, "/x/cfg/tarnik"},
      {nullptr, nullptr, ""},
      {"", "relative-home", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(User_Config_Folder(c.xdg, c.home), c.folder)
        << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
}

TEST(Install_Places, A_Start_Folder_That_Keeps_A_Configuration_Keeps_It) {
  Temp_Dir start;
  Temp_Dir user;
  const std::string user_folder = (user.Path() / "tarnik").string();
  EXPECT_EQ(Config_File_Path(start.Path().string(), user_folder), user_folder + "/Tarnik.Cfg");
  EXPECT_EQ(Config_File_Path(start.Path().string(), ""), start.File("Tarnik.Cfg"));
  EXPECT_EQ(Config_File_Path("", user_folder), user_folder + "/Tarnik.Cfg");
  EXPECT_EQ(Config_File_Path("", ""), "");
  // A link left dangling in the start folder still says the user keeps it there.
  std::filesystem::create_symlink(start.File("gone.cfg"), start.File("Tarnik.Cfg"));
  EXPECT_EQ(Config_File_Path(start.Path().string(), user_folder), start.File("Tarnik.Cfg"));
}

TEST(Install_Places, The_Window_Saves_To_The_User_Folder_And_Reads_It_Back) {
  Temp_Dir start;
  Temp_Dir user;
  const std::filesystem::path user_folder = user.Path() / "config" / "tarnik";  // made at close
  {
    Sim_App app;
    app.form.User_Config_Dir = user_folder.string();
    app.host.current_directory = start.Path().string();
    app.form.FormActivate();
    app.form.Event("Device_Box", Event_Kind::Click, 19);  // 82S147(A)
    app.form.FormCloseQuery();
  }
  EXPECT_TRUE(std::filesystem::is_empty(start.Path()));  // nothing written where it started
  const auto saved = Read_Whole_File((user_folder / "Tarnik.Cfg").string());
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(Split_Text_Lines(*saved).front(), "19");

  Sim_App again;
  again.form.User_Config_Dir = user_folder.string();
  again.host.current_directory = start.Path().string();
  again.form.FormActivate();
  EXPECT_EQ(again.form.window.Get("Device").caption, "82S147");
}

TEST(Install_Places, Help_Comes_From_The_Current_Folder_Else_The_Installed_One) {
  Temp_Dir here;
  Temp_Dir share;
  Sim_App app;
  app.host.current_directory = here.Path().string();
  app.form.help_scale.Installed_Dir = share.Path().string();
  struct Case {
    const char* here_text;   // nullptr: no help file in the current folder
    const char* share_text;  // nullptr: none installed
    std::vector<std::string> shown;  // empty: the help stays hidden
  };
  const std::vector<Case> cases = {
      {nullptr, nullptr, {}},
      {nullptr, "installed\r\n", {"installed"}},
      {"local\r\n", "installed\r\n", {"local"}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(here.File("Brevan.Txt"));
    std::filesystem::remove(share.File("Brevan.Txt"));
    if (c.here_text) here.Write("Brevan.Txt", c.here_text);
    if (c.share_text) share.Write("Brevan.Txt", c.share_text);
    app.form.Click("Help_1");
    const Control& help = app.form.window.Get("Help1");
    EXPECT_EQ(help.visible, !c.shown.empty());
    if (!c.shown.empty()) {
      EXPECT_EQ(help.lines, c.shown);
    }
  }
}

// The manual page names every command and option the program's own usage
// text lists, so that an option added to one is not missing from the other.
TEST(Install_Places, The_Manual_Page_Names_Every_Command_And_Option) {
  const auto page = Read_Whole_File(std::string(TARNIK_DATA_DIR) + "/tarnik-cli.1");
  ASSERT_TRUE(page.has_value());
  std::string names;  // roff writes a hyphen as \-
  for (std::size_t at = 0; at < page->size(); ++at)
    if (page->compare(at, 2, "\\-") != 0) names += (*page)[at];
  const std::string usage = Usage_Text;
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start < usage.size()) {
    const std::size_t end = usage.find('\n', start);
    const std::string line = usage.substr(start, end - start);
    start = end == std::string::npos ? usage.size() : end + 1;
    if (line.rfind("  ", 0) != 0 || line.size() < 3 || line[2] == ' ') continue;
    const std::size_t word_end = line.find_first_of(" [=", 2);
    words.push_back(line.substr(2, word_end - 2));
  }
  ASSERT_GE(words.size(), 28u);  // ten commands and eighteen options
  for (const std::string& word : words)
    EXPECT_NE(names.find(word), std::string::npos) << word << " is not in tarnik-cli.1";
}

}  // namespace
}  // namespace tarnik::testing
