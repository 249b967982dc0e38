#include "files/binary_file.h"

#include <gtest/gtest.h>

#include "tests/test_files.h"
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/file_commands.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {





Prom_Image Counting_Image() {
  Prom_Image image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + 1);
  return image;
}

std::string Counting_Bytes(std::size_t length, int step) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * static_cast<std::size_t>(step));
  return bytes;
}

TEST(Binary_File, A_Short_File_Leaves_The_Positions_After_It) {
  const std::string file = Counting_Bytes(256, 3);
  const Binary_Read_Result read = Read_Binary_Image(file, Image_Of(0xA5));
  EXPECT_EQ(read.dropped, 0u);
  for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(read.image[i], static_cast<uint8_t>(i * 3)) << i;
  for (std::size_t i = 256; i < Prom_Size; ++i) EXPECT_EQ(read.image[i], 0xA5) << i;
}

TEST(Binary_File, A_Full_File_Fills_Every_Position) {
  const std::string file = Counting_Bytes(1024, 5);
  const Binary_Read_Result read = Read_Binary_Image(file, Image_Of(0));
  EXPECT_EQ(read.dropped, 0u);
  EXPECT_EQ(std::string(read.image.begin(), read.image.end()), file);
}

TEST(Binary_File, An_Empty_File_Changes_Nothing) {
  const Binary_Read_Result read = Read_Binary_Image("", Counting_Image());
  EXPECT_EQ(read.image, Counting_Image());
  EXPECT_EQ(read.dropped, 0u);
}

TEST(Binary_File, Bytes_Past_Position_1023_Are_Dropped_And_Counted) {
  const std::string file = Counting_Bytes(1500, 1);
  const Binary_Read_Result read = Read_Binary_Image(file, Image_Of(0));
  EXPECT_EQ(read.dropped, 476u);
  EXPECT_EQ(std::string(read.image.begin(), read.image.end()), file.substr(0, 1024));
}

TEST(Binary_File, Blocks_Store_At_Their_File_Offset) {
  struct Case {
    std::size_t position;
    std::size_t length;
    std::size_t dropped;
  };
  const Case cases[] = {{0, 10, 0},   {1014, 10, 0},  {1015, 10, 1},
                        {1000, 100, 76}, {1024, 5, 5}, {40000, 32768, 32768}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    Prom_Image image = Image_Of(0x11);
    const std::string block(c.length, '\x7E');
    EXPECT_EQ(Store_Binary_Block(image, c.position, block), c.dropped);
    for (std::size_t i = 0; i < Prom_Size; ++i) {
      const bool inside = i >= c.position && i < c.position + c.length;
      ASSERT_EQ(image[i], inside ? 0x7E : 0x11) << i;
    }
  }
}

TEST(Binary_File, Save_Writes_The_Device_Range_Only) {
  struct Case {
    int32_t device_end;
    std::size_t length;
  };
  const Case cases[] = {{31, 32},  {255, 256}, {511, 512},  {1023, 1024},
                        {0, 1},    {-1, 0},    {5000, 1024}};
  const Prom_Image image = Counting_Image();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device_end);
    const std::string file = Write_Binary_Image(image, c.device_end);
    ASSERT_EQ(file.size(), c.length);
    EXPECT_EQ(file, std::string(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(c.length)));
  }
}

TEST(Binary_File, A_Saved_File_Reads_Back_To_The_Same_Positions) {
  for (const int32_t end : {0, 31, 255, 511, 1023}) {
    SCOPED_TRACE(end);
    const Prom_Image saved = Counting_Image();
    const Binary_Read_Result read = Read_Binary_Image(Write_Binary_Image(saved, end), Image_Of(0));
    for (int32_t a = 0; a < static_cast<int32_t>(Prom_Size); ++a)
      ASSERT_EQ(read.image[static_cast<std::size_t>(a)], a <= end ? saved[static_cast<std::size_t>(a)] : 0)
          << a;
  }
}

struct Files_App {
  Sim_App app;
  int32_t device_end = 1023;
  Prom_Buffer_Unit buffer{app.form.window, app.form.states, app.form.link, device_end};
  File_Commands files{app.form.window, app.host, app.form.pump, app.form.states, buffer,
                      device_end};
};

TEST(Binary_File, Loading_A_File_Larger_Than_A_Block_Keeps_The_First_1024_Bytes) {
  Temp_Dir dir;
  const std::string bytes = Counting_Bytes(70000, 7);
  Write_File(dir.File("long.bin"), bytes);
  Files_App f;
  f.files.OpenDialog1.file_name = dir.File("long.bin");
  ASSERT_TRUE(f.files.Load_Binary_File());
  EXPECT_EQ(std::string(f.buffer.Prom_Buffer.begin(), f.buffer.Prom_Buffer.end()),
            bytes.substr(0, 1024));
  EXPECT_EQ(f.app.form.window.Get("Memo1").lines,
            std::vector<std::string>{"68976 File Bytes Beyond Buffer End Dropped...."});
  EXPECT_TRUE(f.app.form.window.Get("Memo1").visible);
}

TEST(Binary_File, Loading_Stores_Beyond_The_Device_End_And_Pumps_Nothing) {
  Temp_Dir dir;
  const std::string bytes = Counting_Bytes(1024, 9);
  Write_File(dir.File("full.bin"), bytes);
  Files_App f;
  f.device_end = 31;
  f.app.form.window.Set_Lines("Memo1", {"older finding"});
  const int pumps = f.app.host.pumps;
  f.files.OpenDialog1.file_name = dir.File("full.bin");
  ASSERT_TRUE(f.files.Load_Binary_File());
  EXPECT_EQ(f.app.host.pumps, pumps);
  EXPECT_EQ(std::string(f.buffer.Prom_Buffer.begin(), f.buffer.Prom_Buffer.end()), bytes);
  EXPECT_EQ(f.app.form.window.Get("Memo1").lines, std::vector<std::string>{"older finding"});
  EXPECT_EQ(f.app.form.window.Get("StaticText3").caption, "Looking For Programmer");
}

TEST(Binary_File, An_Unreadable_File_Leaves_The_Buffer_And_Says_So) {
  Temp_Dir dir;
  for (const std::string& name : {dir.File("missing.bin"), dir.Path().string(), std::string()}) {
    SCOPED_TRACE(name);
    Files_App f;
    f.buffer.Prom_Buffer = Counting_Image();
    f.files.OpenDialog1.file_name = name;
    EXPECT_FALSE(f.files.Load_Binary_File());
    EXPECT_EQ(f.buffer.Prom_Buffer, Counting_Image());
    EXPECT_EQ(f.app.form.window.Get("StaticText3").caption, "Could Not Read File " + name + "....");
    EXPECT_EQ(f.app.form.window.Failure_Flag(), 1);
  }
}

TEST(Binary_File, Saving_Replaces_The_File_With_The_Device_Range) {
  Temp_Dir dir;
  Write_File(dir.File("out.bin"), std::string(3000, 'x'));
  Files_App f;
  f.device_end = 511;
  f.buffer.Prom_Buffer = Counting_Image();
  f.files.SaveDialog1.file_name = dir.File("out.bin");
  f.files.Save_Binary_File();
  EXPECT_EQ(Read_File(dir.File("out.bin")), Write_Binary_Image(Counting_Image(), 511));
  EXPECT_EQ(Read_File(dir.File("out.bin")).size(), 512u);
  EXPECT_EQ(f.app.form.window.Failure_Flag(), 0);
}

TEST(Binary_File, An_Unwritable_File_Is_Reported) {
  Temp_Dir dir;
  Files_App f;
  const std::string name = dir.File("no/such/folder/out.bin");
  f.files.SaveDialog1.file_name = name;
  f.files.Save_Binary_File();
  EXPECT_EQ(f.app.form.window.Get("StaticText3").caption, "Could Not Write File " + name + "....");
  EXPECT_EQ(f.app.form.window.Failure_Flag(), 1);
  EXPECT_FALSE(std::filesystem::exists(name));
}

}  // namespace
}  // namespace tarnik::testing
