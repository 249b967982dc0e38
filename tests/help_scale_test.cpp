#include "app/help_scale.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fixture.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

TEST(Help, Shows_The_Help_File_Of_The_Current_Directory) {
  Temp_Dir dir;
  Sim_App app;
  app.host.current_directory = dir.Path().string();
  app.form.window.Set_Visible("Memo1", true);
  app.form.Click("Help_1");  // no file: the message list goes, nothing comes
  EXPECT_FALSE(app.form.window.Get("Memo1").visible);
  EXPECT_FALSE(app.form.window.Get("Help1").visible);

  dir.Write("Brevan.Txt", "Tarnik help\r\n\r\nLine three\x1Aignored");
  app.form.Click("Help_1");
  const Control& help = app.form.window.Get("Help1");
  EXPECT_TRUE(help.visible);
  EXPECT_EQ(help.lines, (std::vector<std::string>{"Tarnik help", "", "Line three"}));

  dir.Write("Brevan.Txt", "");
  app.form.Click("Help_1");
  EXPECT_EQ(app.form.window.Get("Help1").lines, std::vector<std::string>{""});
}

TEST(Scale, Two_Clicks_Return_Every_Control_Within_One_Pixel) {
  Sim_App app;
  const std::vector<Control> before = app.form.window.Controls();
  app.form.Click("Scale");
  const Window_Model& w = app.form.window;
  EXPECT_EQ(w.Get("Scale").caption, "Small Buttons");
  EXPECT_EQ(w.Get("Scale").tag, 1);
  EXPECT_EQ(w.Get("Panel1").bounds, (Bounds{7, 43, 141, 129}));
  EXPECT_EQ(w.Get("Blank_Chk").font.pixel_height, 13);
  EXPECT_EQ(w.Get("MainForm").bounds, (Bounds{616, 114, 662, 476}));
  app.form.Click("Scale");
  EXPECT_EQ(w.Get("Scale").caption, "Large Buttons");
  EXPECT_EQ(w.Get("Scale").tag, 0);
  for (std::size_t i = 0; i < before.size(); ++i) {
    const Control& now = w.Controls()[i];
    SCOPED_TRACE(now.name);
    EXPECT_LE(std::abs(now.bounds.left - before[i].bounds.left), 1);
    EXPECT_LE(std::abs(now.bounds.top - before[i].bounds.top), 1);
    EXPECT_LE(std::abs(now.bounds.width - before[i].bounds.width), 1);
    EXPECT_LE(std::abs(now.bounds.height - before[i].bounds.height), 1);
    EXPECT_LE(std::abs(now.font.pixel_height - before[i].font.pixel_height), 1);
  }
}

}  // namespace
}  // namespace tarnik::testing
