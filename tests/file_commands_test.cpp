#include "files/file_commands.h"

#include <gtest/gtest.h>

#include "tests/test_files.h"
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "window/errors.h"
#include "files/binary_file.h"
#include "files/file_types.h"
#include "files/hex_writers.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {




Prom_Image Counting_Image(uint8_t step = 3) {
  Prom_Image image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * step + 1);
  return image;
}

const char* const Design_Last_File = "Last File Loaded in Buffer=No File Loaded";

struct Files_App {
  explicit Files_App(int32_t end = 255) : device_end(end) {}

  [[nodiscard]] const Control& Get(std::string_view name) const { return app.form.window.Get(name); }
  [[nodiscard]] bool Busy() const { return !Get("Load_But").enabled; }
  void Choose_File_Type(int row) {
    files.File_ButClick();
    app.form.window.Set_Item_Index("File_Type", row);
    files.File_TypeClick();
  }

  Sim_App app;
  int32_t device_end;
  Prom_Buffer_Unit buffer{app.form.window, app.form.states, app.form.link, device_end};
  File_Commands files{app.form.window, app.host, app.form.pump, app.form.states, buffer,
                      device_end};
};

TEST(File_Commands, Dialogs_Start_With_Their_Design_Values) {
  Files_App f;
  f.app.host.current_directory = "/somewhere";
  File_Commands fresh(f.app.form.window, f.app.host, f.app.form.pump, f.app.form.states,
                      f.buffer, f.device_end);
  EXPECT_EQ(fresh.OpenDialog1.filter, "Bin|*.Bin|Hex|*.Hex|All|*.*");
  EXPECT_EQ(fresh.SaveDialog1.filter, "Bin|*.Bin|Hex|*.Hex|All|*.*");
  EXPECT_EQ(fresh.OpenDialog1.default_ext, ".Bin");
  EXPECT_EQ(fresh.SaveDialog1.default_ext, "Bin");
  EXPECT_EQ(fresh.OpenDialog1.filter_index, 1);
  EXPECT_EQ(fresh.SaveDialog1.filter_index, 1);

  const File_Dialog_Request open = fresh.OpenDialog1.Request();
  EXPECT_EQ(open.default_ext, "Bin");
  EXPECT_EQ(open.filter_index, 1);
  EXPECT_EQ(open.initial_dir, "/somewhere");
  EXPECT_TRUE(open.must_exist);
  EXPECT_FALSE(open.confirm_overwrite);
  const File_Dialog_Request save = fresh.SaveDialog1.Request();
  EXPECT_EQ(save.default_ext, "Bin");
  EXPECT_FALSE(save.must_exist);
  EXPECT_TRUE(save.confirm_overwrite);
}

TEST(File_Commands, Apply_File_Type_Follows_The_Tag) {
  struct Case {
    int tag;
    const char* caption;
    const char* extension;
    int filter_index;
  };
  const Case cases[] = {{0, "Binary File", "Bin", 1},       {1, "Intel Hex File", "Hex", 2},
                        {2, "Motorola Hex File", "Hex", 2}, {3, "Ascii Hex File", "Hex", 2},
                        {4, "Intel Hex File", "Hex", 2},    {-1, "Intel Hex File", "Hex", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    Files_App f;
    f.app.form.window.Set_Caption("File_But", "Intel Hex File");
    f.app.form.window.Set_Tag("File_Type", c.tag);
    f.files.Apply_File_Type();
    EXPECT_EQ(f.Get("File_But").caption, c.caption);
    for (const File_Dialog* dialog : {&f.files.OpenDialog1, &f.files.SaveDialog1}) {
      EXPECT_EQ(dialog->default_ext, c.extension);
      EXPECT_EQ(dialog->filter_index, c.filter_index);
    }
  }
}

TEST(File_Commands, Choosing_A_File_Type) {
  Files_App f;
  f.files.File_ButClick();
  EXPECT_TRUE(f.Get("File_Type").visible);
  EXPECT_TRUE(f.Busy());
  f.app.form.window.Set_Item_Index("File_Type", File_Motorola_Hex);
  f.files.File_TypeClick();
  EXPECT_EQ(f.Get("File_Type").tag, File_Motorola_Hex);
  EXPECT_EQ(f.Get("File_But").caption, "Motorola Hex File");
  EXPECT_EQ(f.files.OpenDialog1.default_ext, "Hex");
  EXPECT_EQ(f.files.SaveDialog1.filter_index, 2);
  EXPECT_FALSE(f.Get("File_Type").visible);
  EXPECT_FALSE(f.Busy());

  f.Choose_File_Type(File_Binary);
  EXPECT_EQ(f.Get("File_But").caption, "Binary File");
  EXPECT_EQ(f.files.OpenDialog1.default_ext, "Bin");
  EXPECT_EQ(f.files.SaveDialog1.filter_index, 1);
}

TEST(File_Commands, A_Cancelled_Load_Changes_Nothing_But_Shows_The_Checksum) {
  Files_App f(31);
  f.buffer.Prom_Buffer = Counting_Image();
  f.files.Load_ButClick();
  ASSERT_EQ(f.app.host.dialogs.size(), 1u);
  EXPECT_EQ(f.app.host.dialogs[0].filter, "Bin|*.Bin|Hex|*.Hex|All|*.*");
  EXPECT_TRUE(f.app.host.dialogs[0].must_exist);
  EXPECT_EQ(f.buffer.Prom_Buffer, Counting_Image());
  EXPECT_EQ(f.Get("StaticText4").caption, Design_Last_File);
  EXPECT_EQ(f.Get("Chk_Sum_But").caption, Checksum_Caption(Sum_Device_Range(Counting_Image(), 31)));
  EXPECT_FALSE(f.Busy());
  EXPECT_EQ(f.files.OpenDialog1.file_name, "");
}

TEST(File_Commands, Loading_A_Binary_File_Names_It_On_The_Last_File_Line) {
  Temp_Dir dir;
  const std::string path = dir.File("image.Bin");
  Write_File(path, Write_Binary_Image(Counting_Image(5), 255));
  Files_App f(255);
  f.app.host.paths.push_back(path);
  f.files.Load_ButClick();
  EXPECT_EQ(f.Get("StaticText4").caption, "Last File Loaded in Buffer=" + path);
  EXPECT_EQ(f.files.OpenDialog1.file_name, path);
  for (std::size_t i = 0; i < Prom_Size; ++i)
    ASSERT_EQ(f.buffer.Prom_Buffer[i], i <= 255 ? Counting_Image(5)[i] : 0) << i;
  EXPECT_EQ(f.Get("Chk_Sum_But").caption, Checksum_Caption(Sum_Device_Range(Counting_Image(5), 255)));
  EXPECT_FALSE(f.Busy());
  // The next dialog opens where this file was.
  f.files.Load_ButClick();
  EXPECT_EQ(f.app.host.dialogs.back().initial_dir, dir.Path());
}

TEST(File_Commands, Loading_Each_Hex_Form_Shows_Its_Progress) {
  for (const int tag : {File_Intel_Hex, File_Motorola_Hex, File_Ascii_Hex}) {
    SCOPED_TRACE(tag);
    Temp_Dir dir;
    const std::string path = dir.File("image.hex");
    Write_File(path, Write_Hex_Image(tag, Counting_Image(7), 511));
    Files_App f(511);
    f.Choose_File_Type(tag);
    std::vector<std::string> status_at_pumps;
    f.app.host.on_pump = [&] { status_at_pumps.push_back(f.Get("StaticText3").caption); };
    f.app.host.paths.push_back(path);
    f.files.Load_ButClick();
    EXPECT_NE(std::find(status_at_pumps.begin(), status_at_pumps.end(),
                        "Loading Buffer from Hex File...."),
              status_at_pumps.end());
    EXPECT_EQ(f.Get("StaticText3").caption, "Hex File Loaded....");
    EXPECT_EQ(f.Get("StaticText3").colour, colours::Lime);
    EXPECT_EQ(f.Get("StaticText4").caption, "Last File Loaded in Buffer=" + path);
    for (std::size_t i = 0; i < Prom_Size; ++i)
      ASSERT_EQ(f.buffer.Prom_Buffer[i], i <= 511 ? Counting_Image(7)[i] : 0) << i;
  }
}

TEST(File_Commands, A_Malformed_Hex_File_Leaves_Buffer_And_Last_File_Alone) {
  Temp_Dir dir;
  const std::string good = dir.File("good.hex");
  const std::string bad = dir.File("bad.hex");
  Write_File(good, Write_Intel_Records(Counting_Image(), 255));
  // Good records first, so that a partial load would show.
  Write_File(bad, ":0400000001020304F2\r\n:02001000G011\r\n");
  Files_App f(255);
  f.Choose_File_Type(File_Intel_Hex);
  f.app.host.paths.push_back(good);
  f.files.Load_ButClick();
  const std::string checksum = f.Get("Chk_Sum_But").caption;
  f.app.host.paths.push_back(bad);
  try {
    f.files.Load_ButClick();
    ADD_FAILURE() << "no conversion error";
  } catch (const Handler_Error& error) {
    EXPECT_EQ(std::string(error.what()), "'$G0' is not a valid integer value");
  }
  EXPECT_EQ(f.buffer.Prom_Buffer, [] {
    Prom_Image image{};
    const Prom_Image counting = Counting_Image();
    std::copy(counting.begin(), counting.begin() + 256, image.begin());
    return image;
  }());
  EXPECT_EQ(f.Get("Chk_Sum_But").caption, checksum);
  EXPECT_EQ(f.Get("StaticText4").caption, "Last File Loaded in Buffer=" + good);
  EXPECT_EQ(f.Get("StaticText3").caption, "Loading Buffer from Hex File....");
  EXPECT_EQ(f.Get("StaticText3").colour, colours::Red);
  EXPECT_FALSE(f.Busy());
}

// The window's own handler frame: the error box and the checksum after a
// malformed file.
class Wired_Form : public Main_Form {
 public:
  using Main_Form::Main_Form;
  void Wire_Command(std::string control, std::function<void()> body) {
    Wire_Click(std::move(control), [this, body = std::move(body)] { Run_Command(body); });
  }
};

TEST(File_Commands, A_Malformed_File_In_The_Window_Shows_The_Error_Box) {
  Temp_Dir dir;
  const std::string bad = dir.File("bad.hex");
  Write_File(bad, "0011\r\n22 33\r\n");
  Test_Host host;
  sim::Sim_Programmer simulator(host.clock);
  Wired_Form form(simulator, host);
  form.FormCreate();
  int32_t device_end = 31;
  Prom_Buffer_Unit buffer(form.window, form.states, form.link, device_end);
  File_Commands files(form.window, host, form.pump, form.states, buffer, device_end);
  form.Wire_Command("Load_But", [&] { files.Load_ButClick(); });
  form.window.Set_Tag("File_Type", File_Ascii_Hex);
  buffer.Prom_Buffer = Counting_Image();
  buffer.Show_Checksum();
  const std::string checksum = form.window.Get("Chk_Sum_But").caption;

  host.paths.push_back(bad);
  ASSERT_TRUE(form.Click("Load_But"));
  EXPECT_EQ(host.Box_Texts(), std::vector<std::string>{"'$ 3' is not a valid integer value."});
  EXPECT_EQ(host.boxes.at(0).icon, Box_Icon::Stop);
  EXPECT_EQ(buffer.Prom_Buffer, Counting_Image());
  EXPECT_EQ(form.window.Get("Chk_Sum_But").caption, checksum);
  EXPECT_TRUE(form.window.Get("Load_But").enabled);
}

TEST(File_Commands, An_Unreadable_File_Is_Reported_And_Loads_Nothing) {
  for (const int tag : {File_Binary, File_Intel_Hex}) {
    SCOPED_TRACE(tag);
    Temp_Dir dir;
    const std::string path = dir.File("gone.bin");
    Files_App f(31);
    f.Choose_File_Type(tag);
    f.buffer.Prom_Buffer = Counting_Image();
    f.app.host.paths.push_back(path);
    f.files.Load_ButClick();
    EXPECT_EQ(f.Get("StaticText3").caption, "Could Not Read File " + path + "....");
    EXPECT_EQ(f.Get("StaticText3").colour, colours::Red);
    EXPECT_EQ(f.Get("StaticText4").caption, Design_Last_File);
    EXPECT_EQ(f.buffer.Prom_Buffer, Counting_Image());
    EXPECT_FALSE(f.Busy());
  }
}

TEST(File_Commands, Dropped_Bytes_Are_Told_In_One_Message_Line) {
  Temp_Dir dir;
  const std::string path = dir.File("long.hex");
  std::string text;
  for (int line = 0; line < 70; ++line) text += std::string(32, '7') + "\r\n";
  Write_File(path, text);
  Files_App f(1023);
  f.Choose_File_Type(File_Ascii_Hex);
  f.app.form.window.Set_Lines("Memo1", {"an older line"});
  f.app.host.paths.push_back(path);
  f.files.Load_ButClick();
  EXPECT_EQ(f.Get("Memo1").lines,
            std::vector<std::string>{"96 File Bytes Beyond Buffer End Dropped...."});
  EXPECT_TRUE(f.Get("Memo1").visible);
  EXPECT_EQ(f.Get("StaticText3").caption, "Hex File Loaded....");
  Prom_Image all_77;
  all_77.fill(0x77);
  EXPECT_EQ(f.buffer.Prom_Buffer, all_77);
}

TEST(File_Commands, Saving_Writes_The_Chosen_Form_And_Changes_Nothing_Else) {
  for (const int tag : {File_Binary, File_Intel_Hex, File_Motorola_Hex, File_Ascii_Hex}) {
    SCOPED_TRACE(tag);
    Temp_Dir dir;
    const std::string path = dir.File("out.file");
    Files_App f(255);
    f.Choose_File_Type(tag);
    f.buffer.Prom_Buffer = Counting_Image();
    f.app.form.window.Set_Tag("StaticText3", 1);
    const int pumps = f.app.host.pumps;
    f.app.host.paths.push_back(path);
    f.files.Save_ButClick();
    ASSERT_EQ(f.app.host.dialogs.size(), 1u);
    EXPECT_TRUE(f.app.host.dialogs[0].confirm_overwrite);
    EXPECT_EQ(f.app.host.dialogs[0].default_ext, tag == File_Binary ? "Bin" : "Hex");
    const std::string expected = tag == File_Binary
                                     ? Write_Binary_Image(Counting_Image(), 255)
                                     : Write_Hex_Image(tag, Counting_Image(), 255);
    EXPECT_EQ(Read_File(path), expected);
    EXPECT_EQ(f.files.SaveDialog1.file_name, path);
    EXPECT_EQ(f.buffer.Prom_Buffer, Counting_Image());
    EXPECT_EQ(f.Get("Chk_Sum_But").caption, "&Check Sum=0000");
    EXPECT_EQ(f.Get("StaticText4").caption, Design_Last_File);
    // No busy state: the failure flag of the last command stays.
    EXPECT_EQ(f.Get("StaticText3").colour, colours::Red);
    EXPECT_EQ(f.Get("StaticText3").caption,
              tag == File_Binary ? "Looking For Programmer" : "Hex File Saved....");
    EXPECT_GT(f.app.host.pumps, pumps);
  }
}

TEST(File_Commands, A_Hex_Save_Pumps_Once_With_Its_Progress_Text) {
  Temp_Dir dir;
  Files_App f(31);
  f.Choose_File_Type(File_Motorola_Hex);
  std::vector<std::string> status_at_pumps;
  f.app.host.on_pump = [&] { status_at_pumps.push_back(f.Get("StaticText3").caption); };
  f.app.host.paths.push_back(dir.File("out.hex"));
  f.files.Save_ButClick();
  // The save's own pump, then the one of Enable_Commands.
  EXPECT_EQ(status_at_pumps,
            (std::vector<std::string>{"Saving Buffer to Hex File....", "Hex File Saved...."}));
}

TEST(File_Commands, A_Cancelled_Save_Writes_Nothing_And_Ends_The_Command) {
  Files_App f;
  f.app.form.window.Set_Visible("File_Type", true);
  f.files.Save_ButClick();
  EXPECT_EQ(f.files.SaveDialog1.file_name, "");
  EXPECT_FALSE(f.Get("File_Type").visible);
  EXPECT_EQ(f.Get("StaticText3").caption, "Looking For Programmer");
}

TEST(File_Commands, An_Unwritable_File_Is_Reported) {
  Temp_Dir dir;
  const std::string path = dir.File("missing/folder/out.hex");
  Files_App f;
  f.Choose_File_Type(File_Intel_Hex);
  f.app.host.paths.push_back(path);
  f.files.Save_ButClick();
  EXPECT_EQ(f.Get("StaticText3").caption, "Could Not Write File " + path + "....");
  EXPECT_EQ(f.Get("StaticText3").colour, colours::Red);
}

TEST(File_Commands, A_File_Type_Outside_The_Table_Routes_To_The_Hex_Routines) {
  Temp_Dir dir;
  const std::string in = dir.File("in.hex");
  Write_File(in, Write_Intel_Records(Counting_Image(), 31) + "0011\r\n");
  Files_App f(31);
  f.app.form.window.Set_Tag("File_Type", 6);
  f.app.host.paths.push_back(in);
  f.files.Load_ButClick();
  EXPECT_EQ(f.buffer.Prom_Buffer, Prom_Image{});
  // Nothing is stored, and the load says so.
  EXPECT_EQ(f.Get("StaticText3").caption, "No Data Loaded from " + in + "....");
  EXPECT_EQ(f.Get("StaticText4").caption, "Last File Loaded in Buffer=" + in);

  const std::string out = dir.File("out.hex");
  Write_File(out, "old content");
  f.app.host.paths.push_back(out);
  f.files.Save_ButClick();
  EXPECT_TRUE(std::filesystem::exists(out));
  EXPECT_EQ(Read_File(out), "");
  EXPECT_EQ(f.Get("StaticText3").caption, "Hex File Saved....");
}

TEST(File_Commands, Every_Form_Saved_Loads_Back_Through_The_Commands) {
  for (const int tag : {File_Binary, File_Intel_Hex, File_Motorola_Hex, File_Ascii_Hex}) {
    for (const int32_t end : {31, 255, 511, 1023, 0}) {
      SCOPED_TRACE(::testing::Message() << "type " << tag << " end " << end);
      Temp_Dir dir;
      Files_App f(end);
      f.Choose_File_Type(tag);
      f.buffer.Prom_Buffer = Counting_Image(11);
      f.app.host.paths.push_back(dir.File("round.trip"));
      f.files.Save_ButClick();
      f.buffer.Fill_Buffer(0xC3);
      f.app.host.paths.push_back(dir.File("round.trip"));
      f.files.Load_ButClick();
      for (int32_t a = 0; a <= end; ++a)
        ASSERT_EQ(f.buffer.Prom_Buffer[static_cast<std::size_t>(a)],
                  Counting_Image(11)[static_cast<std::size_t>(a)])
            << a;
      EXPECT_EQ(f.Get("Chk_Sum_But").caption,
                Checksum_Caption(Sum_Device_Range(Counting_Image(11), end)));
    }
  }
}

TEST(File_Commands, The_Start_Up_Reload_Loads_Without_A_Checksum) {
  Temp_Dir dir;
  const std::string path = dir.File("last.hex");
  Write_File(path, Write_Ascii_Lines(Counting_Image(), 31));
  Files_App f(31);
  f.app.form.window.Set_Tag("File_Type", File_Ascii_Hex);
  f.files.Reload_Last_File(path);
  EXPECT_EQ(f.files.OpenDialog1.file_name, path);
  EXPECT_EQ(f.Get("StaticText4").caption, "Last File Loaded in Buffer=" + path);
  EXPECT_EQ(f.buffer.Prom_Buffer[31], Counting_Image()[31]);
  EXPECT_EQ(f.Get("Chk_Sum_But").caption, "&Check Sum=0000");

  Files_App missing(31);
  missing.files.Reload_Last_File(dir.File("gone.bin"));
  EXPECT_EQ(missing.files.OpenDialog1.file_name, dir.File("gone.bin"));
  EXPECT_EQ(missing.Get("StaticText4").caption, Design_Last_File);
  EXPECT_EQ(missing.Get("StaticText3").tag, 1);
}

TEST(File_Commands, A_Malformed_Last_File_Throws_From_The_Reload) {
  Temp_Dir dir;
  const std::string path = dir.File("last.hex");
  Write_File(path, "0G\r\n");
  Files_App f(31);
  f.app.form.window.Set_Tag("File_Type", File_Ascii_Hex);
  EXPECT_THROW(f.files.Reload_Last_File(path), Handler_Error);
  EXPECT_EQ(f.buffer.Prom_Buffer, Prom_Image{});
  EXPECT_EQ(f.Get("StaticText4").caption, Design_Last_File);
}

}  // namespace
}  // namespace tarnik::testing
