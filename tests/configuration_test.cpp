#include "app/configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "window/text_file.h"

namespace tarnik {
namespace {

TEST(Configuration, Nine_Lines_With_CR_LF) {
  Configuration c;
  c.device_row = 19;
  c.file_type = 1;
  c.device_end = 511;
  c.width = 662;
  c.height = 476;
  c.top = 120;
  c.left = 180;
  c.button_size = 0;
  c.last_file = "/home/ann/roms/cpu board.hex";
  EXPECT_EQ(Config_Text(c), "19\r\n1\r\n511\r\n662\r\n476\r\n120\r\n180\r\n0\r\n/home/ann/roms/cpu board.hex\r\n");
  c.last_file.clear();
  c.top = -4;
  EXPECT_EQ(Split_Text_Lines(Config_Text(c)),
            (std::vector<std::string>{"19", "1", "511", "662", "476", "-4", "180", "0", ""}));
}

TEST(Configuration, A_Tenth_Line_Keeps_The_Window_Out_Of_The_Log) {
  Configuration c;
  c.last_file = "a.bin";
  EXPECT_EQ(Split_Text_Lines(Config_Text(c)).size(), 9u);
  c.log_operations = false;
  const std::vector<std::string> lines = Split_Text_Lines(Config_Text(c));
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[8], "a.bin");
  EXPECT_EQ(lines[9], "0");
}

TEST(Configuration, The_State_Folder_Follows_The_Xdg_Rules) {
  const std::tuple<const char*, const char*, std::string> cases[] = {
      {"/st", "/home/ann", "/st/tarnik"},
      {"relative", "/home/ann", "/home/ann/.local/state/tarnik"},
      {"", "/home/ann", "/home/ann/.local/state/tarnik"},
      {nullptr, "/home/ann", "/home/ann/.local/state/tarnik"},
      {nullptr, nullptr, ""},
      {nullptr, "home", ""},
  };
  for (const auto& [state, home, folder] : cases)
    EXPECT_EQ(User_State_Folder(state, home), folder) << (state ? state : "unset");
}

TEST(Configuration, The_Write_Replaces_The_File_Whole_Or_Not_At_All) {
  const auto dir = std::filesystem::temp_directory_path() / "tarnik_config_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / Config_File_Name).string();
  ASSERT_TRUE(Write_File_Atomically(path, "old\r\n"));
  ASSERT_TRUE(Write_File_Atomically(path, "new\r\n"));
  EXPECT_EQ(Read_Whole_File(path), "new\r\n");
  // Nothing but the file itself is left in its folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                          std::filesystem::directory_iterator()),
            1);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarnik
