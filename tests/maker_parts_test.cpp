#include "devices/maker_parts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/maker_parts_file.h"
#include "tests/cli_run.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

Maker_Parts Installed_Table() {
  std::vector<std::string> problems;
  Maker_Parts table = Load_Maker_Parts("/nonexistent", "", problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  return table;
}

TEST(Maker_Parts, The_Data_Folder_Table_Reads_Whole_And_Names_Catalogue_Types) {
  const Maker_Parts table = Installed_Table();
  EXPECT_GE(table.Rows().size(), 20u);
  for (const Maker_Part& row : table.Rows()) {
    ASSERT_NE(row.type, nullptr) << row.part;
    EXPECT_FALSE(row.own_pulse) << row.part;
  }
}

TEST(Maker_Parts, A_Chips_Number_Chooses_Its_Type) {
  const Maker_Parts table = Installed_Table();
  struct Case {
    const char* marking;
    const char* type;       // caption, or "" for none
    const char* maker_part; // "" for a catalogue type
  } cases[] = {
      {"N82S129AN", "82S129A", ""},     {"N82S129N", "82S129", ""},
      {"DM74S287AN", "74S287", ""},     {"SN74S287N", "74S287", ""},
      {"dm74s287j", "74S287", ""},      {"TBP24S10N", "82S129", "TBP24S10"},
      {"TBP24SA10J", "82S126", "TBP24SA10"}, {"MB7052", "82S129", "MB7052"},
      {"6301-1J", "82S129", "6301"},    {"AM27S21PC", "82S129", "AM27S21"},
      {"HM-7611", "82S129", "HM7611"},  {"82S181", "82S181", ""},
      {"82S1291", "", ""},              {"WXYZ82S129", "", ""},
      {"", "", ""},                     {"27C256", "", ""},
      {"63011", "", ""},
  };
  for (const Case& c : cases) {
    const std::optional<Part_Choice> found = table.Find(c.marking);
    if (std::string(c.type).empty()) {
      EXPECT_FALSE(found) << c.marking;
      continue;
    }
    ASSERT_TRUE(found) << c.marking;
    EXPECT_EQ(found->type->caption, c.type) << c.marking;
    EXPECT_EQ(found->maker_part ? found->maker_part->part : "", c.maker_part) << c.marking;
  }
}

TEST(Maker_Parts, Bad_Rows_Are_Named_And_Left_Out) {
  std::vector<std::string> problems;
  const Maker_Parts table = Maker_Parts::Parse(
      "# comment\n\nTI TBP24S10 82S129 other 1 # fine\n"
      "TI TBP24S10 82S999 other 1\nTI TBP24S10 82S129 mine 1\nTI TBP24S10 82S129 other 2\n"
      "TI TBP24S10 82S129 other\nTI TBP24S10 82S129 other 1 extra\n",
      problems);
  EXPECT_EQ(table.Rows().size(), 1u);
  EXPECT_EQ(problems, (std::vector<std::string>{"line 4 is no maker's part", "line 5 is no maker's part",
                                                "line 6 is no maker's part", "line 7 is no maker's part",
                                                "line 8 is no maker's part"}));
}

TEST(Maker_Parts, The_Search_Box_Finds_Types_And_Makers_Parts) {
  const Maker_Parts table = Installed_Table();
  std::vector<std::string> names;
  for (const Part_Choice& choice : table.Search("tbp24s")) names.push_back(Choice_Name(choice));
  EXPECT_EQ(names, (std::vector<std::string>{"TBP24SA10 (TI, Reads as 82S126)",
                                             "TBP24S10 (TI, Reads as 82S129)"}));
  ASSERT_EQ(table.Search("N82S129AN").size(), 1u);
  EXPECT_TRUE(table.Search("zzz").empty());
}

// A state file with every fuse byte `value`.
std::string Uniform_State(const char* type, int value) {
  std::string text = std::string("type ") + type + "\n";
  char line[24];
  for (int at = 0; at < 1024; at += 16) {
    std::snprintf(line, sizeof line, "%03X:", at);
    text += line;
    for (int i = 0; i < 16; ++i) {
      std::snprintf(line, sizeof line, " %02X", value);
      text += line;
    }
    text += "\n";
  }
  return text;
}

TEST(Maker_Parts, A_Foreign_Pulse_Part_Reads_But_Is_Not_Burnt_Unless_Forced) {
  Temp_Dir folder;
  const std::string state = "--simulate=" + folder.File("s.txt");
  folder.Write("img.bin", std::string(256, '\x05'));
  const Cli_Result read = Run_Cli_Args({state, "-d", "TBP24S10N", "read", folder.File("out.bin")});
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_TRUE(read.Says("Read as 82S129: Program Refused, TBP24S10 Parts Need Their Maker's Pulse"));
  const Cli_Result refused = Run_Cli_Args({state, "-d", "TBP24S10N", "program", folder.File("img.bin")});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("Program Refused"), std::string::npos);
  const Cli_Result blank = Run_Cli_Args({state, "-d", "82S129", "blank"});
  EXPECT_EQ(blank.status, 0) << "the refused burn fused nothing\n" << blank.out;
  const Cli_Result forced =
      Run_Cli_Args({state, "-d", "TBP24S10N", "--force", "program", folder.File("img.bin")});
  EXPECT_EQ(forced.status, 0) << forced.out << forced.err;
}

TEST(Maker_Parts, An_All_Ones_Part_Is_Blank_For_TI_And_Not_For_Signetics) {
  struct Case {
    const char* device;
    int fuses;
    int status;
    const char* line;
  } cases[] = {
      {"TBP24S10N", 0x0F, 0, "Blank Checked Against FF: TBP24S10 Parts Are Blank With Every Bit 1"},
      {"N82S129N", 0x0F, 1, "0000  EXPECTED-00 FOUND-0F"},
      {"TBP24S10N", 0x00, 1, "0000  EXPECTED-0F FOUND-00"},
      {"TBP28S42N", 0xFF, 0, "Device is Erased...."},
      {"MB7052", 0x00, 0, "Blank Checked Against 00: the Blank State of MB7052 Parts Is Not Known"},
  };
  for (const Case& c : cases) {
    Temp_Dir folder;
    const std::optional<Part_Choice> type = Installed_Table().Find(c.device);
    ASSERT_TRUE(type) << c.device;
    folder.Write("s.txt", Uniform_State(std::string(type->type->caption).c_str(), c.fuses));
    const Cli_Result blank = Run_Cli_Args({"--simulate=" + folder.File("s.txt"), "-d", c.device, "blank"});
    EXPECT_EQ(blank.status, c.status) << c.device << "\n" << blank.out;
    EXPECT_TRUE(blank.Says(c.line)) << c.device << "\n" << blank.out;
  }
}

}  // namespace
}  // namespace tarnik::testing
