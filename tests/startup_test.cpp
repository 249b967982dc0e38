// Start-up with and without a configuration, and the close that saves it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>

#include "app/configuration.h"
#include "devices/device_catalogue.h"
#include "files/hex_writers.h"
#include "window/text_file.h"
#include "tests/fixture.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

struct Started_App : Sim_App {
  explicit Started_App(const Temp_Dir& folder) {
    host.current_directory = folder.Path().string();
    form.FormActivate();
  }
};

std::string Config(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST(Start_Up, Without_A_Configuration_The_Device_List_Opens) {
  Temp_Dir folder;
  Started_App app(folder);
  const Window_Model& w = app.form.window;
  EXPECT_TRUE(w.Get("Device_Box").visible);
  EXPECT_EQ(w.Get("End_Add").caption, "Device End=0000");
  EXPECT_EQ(w.Get("StaticText4").caption, "Last File Loaded in Buffer=No File Loaded");
  EXPECT_EQ(w.Get("StaticText3").colour, colours::Lime);
  EXPECT_EQ(w.Get("Panel7").bounds.height, 28);
  app.form.FormCloseQuery();
  EXPECT_EQ(Split_Text_Lines(*Read_Whole_File(folder.File("Tarnik.Cfg"))),
            (std::vector<std::string>{"0", "0", "0", "662", "476", "114", "616", "0", ""}));
}

TEST(Start_Up, A_Closed_Run_Comes_Back_As_It_Was) {
  Temp_Dir folder;
  Prom_Image image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
  folder.Write("rom.hex", Write_Intel_Records(image, 511));
  uint16_t sum = 0;
  {
    Started_App app(folder);
    app.form.Event("Device_Box", Event_Kind::Click, 19);  // 82S147(A)
    app.form.Click("File_But");
    app.form.Event("File_Type", Event_Kind::Click, 1);  // Intel hex
    app.form.Click("Scale");
    app.host.paths.push_back(folder.File("rom.hex"));
    app.form.Click("Load_But");
    sum = app.form.buffer.Buffer_Sum;
    app.form.window.Set_Bounds("MainForm", Bounds{180, 120, 700, 500});
    app.form.FormCloseQuery();
  }
  EXPECT_EQ(Split_Text_Lines(*Read_Whole_File(folder.File("Tarnik.Cfg"))),
            (std::vector<std::string>{"19", "1", "511", "700", "500", "120", "180", "1",
                                      folder.File("rom.hex")}));
  Started_App again(folder);
  const Window_Model& w = again.form.window;
  EXPECT_EQ(w.Get("Device").caption, "82S147");
  EXPECT_EQ(again.form.devices.selection.Device_End, 511);
  EXPECT_EQ(w.Get("File_But").caption, "Intel Hex File");
  EXPECT_EQ(w.Get("Scale").caption, "Small Buttons");
  EXPECT_EQ(w.Get("Blank_Chk").bounds.width, 131);
  EXPECT_EQ(w.Get("MainForm").bounds, (Bounds{180, 120, 700, 500}));
  EXPECT_EQ(w.Get("End_Add").caption, "Device End=01FF");
  EXPECT_EQ(w.Get("StaticText4").caption, "Last File Loaded in Buffer=" + folder.File("rom.hex"));
  EXPECT_FALSE(w.Get("Device_Box").visible);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 512, again.form.Prom_Buffer.begin()));
  again.form.Click("Chk_Sum_But");
  EXPECT_EQ(again.form.buffer.Buffer_Sum, sum);
}

TEST(Start_Up, A_Line_That_Is_No_Number_Ends_The_Start_Up_There) {
  const std::vector<std::string> good = {"19", "1", "511", "662", "476", "120", "180", "0", ""};
  for (std::size_t bad = 0; bad < 8; ++bad) {
    SCOPED_TRACE(bad);
    Temp_Dir folder;
    std::vector<std::string> lines = good;
    lines[bad] = "1x";
    folder.Write("Tarnik.Cfg", Config(lines));
    Started_App app(folder);
    ASSERT_FALSE(app.host.boxes.empty());
    EXPECT_EQ(app.host.boxes.back().text, "'1x' is not a valid integer value.");
    EXPECT_EQ(app.host.boxes.back().icon, Box_Icon::Stop);
    EXPECT_EQ(app.simulator.Open_Count(), 0);  // discovery did not run
  }
}

TEST(Start_Up, Rows_That_Are_No_Type_And_Short_Files) {
  Temp_Dir folder;
  folder.Write("Tarnik.Cfg", Config({"0", "2", "255", "662", "476", "120", "180", "0"}));
  Started_App app(folder);
  EXPECT_EQ(app.host.Box_Texts(), std::vector<std::string>{"No Device Was Selected."});
  EXPECT_EQ(app.form.devices.selection.Device_End, 255);
  EXPECT_EQ(app.form.window.Get("File_But").caption, "Motorola Hex File");
  EXPECT_TRUE(app.form.window.Get("Device_Box").visible);  // still no type chosen
  EXPECT_EQ(app.simulator.Open_Count(), 1);
}

TEST(Start_Up, A_Device_End_Outside_The_Buffer_Is_Not_Applied) {
  Temp_Dir folder;
  folder.Write("Tarnik.Cfg", Config({"7", "0", "4096", "662", "476", "120", "180", "0", ""}));
  Started_App app(folder);
  EXPECT_EQ(app.form.devices.selection.Device_End, 0xFF);  // what the 82S129 row gave
  const auto texts = app.host.Box_Texts();
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
    return text.rfind("'4096' is not a device end address", 0) == 0;
  }));
  EXPECT_EQ(app.simulator.Open_Count(), 1);  // the start-up went on
}

TEST(Shut_Down, Sends_Nothing_Without_The_One_Programmer) {
  Temp_Dir folder;
  sim::Sim_Faults faults;
  faults.devices_attached = 2;
  Sim_App app(faults);
  app.host.current_directory = folder.Path().string();
  app.form.FormActivate();
  app.form.FormCloseQuery();
  EXPECT_EQ(app.simulator.Counters().packets_out, 0u);
  EXPECT_TRUE(std::filesystem::exists(folder.File("Tarnik.Cfg")));
}

TEST(Start_Up, A_Saved_Type_Shows_Its_Placement_Picture_Before_The_Programmer_Is_Sought) {
  Temp_Dir folder;
  folder.Write("Tarnik.Cfg", Config({"7", "0", "255", "662", "476", "120", "180", "0", ""}));
  const std::string pane(Pane_Name(Find_Device_Type("82S129")->picture));
  struct Seen {
    bool pane_visible;
    int opens;
  };
  std::vector<Seen> seen;
  Sim_App app;
  app.host.current_directory = folder.Path().string();
  app.host.on_box = [&](const Message_Box_Request&) {
    seen.push_back({app.form.window.Get(pane).visible, app.simulator.Open_Count()});
  };
  app.form.FormActivate();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].pane_visible);
  EXPECT_EQ(seen[0].opens, 0);  // shown before discovery
  EXPECT_FALSE(app.form.window.Get(pane).visible);
  EXPECT_EQ(app.simulator.Open_Count(), 1);
  EXPECT_EQ(app.form.window.Get("Device").caption, "82S129");
}

TEST(Start_Up, A_Configuration_That_Cannot_Be_Read_Is_Still_Written_At_Close) {
  struct Case {
    const char* name;
    std::function<void(const Temp_Dir&)> make;
  };
  const Case cases[] = {
      // Far longer than any configuration: refused unread.
      {"endless", [](const Temp_Dir& folder) {
         folder.Write("Tarnik.Cfg", std::string(Config_File_Limit + 1, '7'));
       }},
      // A link to a file that is not there yet: written through the link.
      {"dangling link", [](const Temp_Dir& folder) {
         std::filesystem::create_symlink(folder.File("elsewhere.cfg"), folder.File("Tarnik.Cfg"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Temp_Dir folder;
    c.make(folder);
    Started_App app(folder);
    EXPECT_EQ(app.simulator.Open_Count(), 1);  // the start-up went on
    app.form.FormCloseQuery();
    EXPECT_EQ(Split_Text_Lines(*Read_Whole_File(folder.File("Tarnik.Cfg"))),
              (std::vector<std::string>{"0", "0", "0", "662", "476", "114", "616", "0", ""}));
  }
}

TEST(Start_Up, Eight_Lines_Restore_Geometry_And_Button_Size_And_Load_No_File) {
  Temp_Dir folder;
  folder.Write("Tarnik.Cfg", Config({"7", "1", "255", "700", "500", "120", "180", "1"}));
  Started_App app(folder);
  const Window_Model& w = app.form.window;
  EXPECT_EQ(w.Get("MainForm").bounds, (Bounds{180, 120, 700, 500}));
  EXPECT_EQ(w.Get("Scale").caption, "Small Buttons");
  EXPECT_EQ(w.Get("Blank_Chk").bounds.width, 131);
  EXPECT_EQ(w.Get("File_But").caption, "Intel Hex File");
  EXPECT_EQ(w.Get("StaticText4").caption, "Last File Loaded in Buffer=No File Loaded");
  EXPECT_TRUE(app.host.dialogs.empty());
  EXPECT_EQ(app.form.Prom_Buffer, Prom_Image{});
  EXPECT_EQ(app.simulator.Open_Count(), 1);  // the start-up ran to its end
}

}  // namespace
}  // namespace tarnik::testing
