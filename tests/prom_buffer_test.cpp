#include "buffer/prom_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "window/errors.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

struct Buffer_App {
  explicit Buffer_App(int32_t end = 31) : device_end(end) {}

  void Type(const std::string& keys) {
    for (const char key : keys) buffer.Fill_EditKeyPress(key);
  }
  [[nodiscard]] std::string Fill_Edit_Text() const {
    const Control& box = app.form.window.Get("Fill_Edit");
    return box.lines.empty() ? std::string() : box.lines.front();
  }
  [[nodiscard]] bool Busy() const { return !app.form.window.Get("Fill").enabled; }
  void Choose_Fill_Row(int row) {
    app.form.window.Set_Item_Index("FillBox", row);
    buffer.FillBoxClick();
  }
  [[nodiscard]] std::string Checksum() const { return app.form.window.Get("Chk_Sum_But").caption; }

  Sim_App app;
  int32_t device_end;
  Prom_Buffer_Unit buffer{app.form.window, app.form.states, app.form.link, device_end};
};


Prom_Image Counting_Image() {
  Prom_Image image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
  return image;
}

TEST(Prom_Buffer, Starts_All_Zero_With_The_Design_Caption) {
  Buffer_App b;
  EXPECT_EQ(b.buffer.Prom_Buffer, Image_Of(0));
  EXPECT_EQ(b.Checksum(), "&Check Sum=0000");
  EXPECT_EQ(b.app.form.window.Get("FillBox").lines,
            (std::vector<std::string>{"Fill Buffer With 00", "Fill Buffer With FF",
                                      "Fill Buffer With XX", "Cancel"}));
}

TEST(Prom_Buffer, Sum_Of_All_FF_Wraps_At_Sixteen_Bits) {
  struct Case {
    int32_t device_end;
    uint16_t sum;
  };
  const Case cases[] = {{31, 0x1FE0}, {255, 0xFF00}, {511, 0xFE00}, {1023, 0xFC00},
                        {0, 0x00FF},  {-1, 0x0000},  {-500, 0},     {5000, 0xFC00}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device_end);
    EXPECT_EQ(Sum_Device_Range(Image_Of(0xFF), c.device_end), c.sum);
  }
}

TEST(Prom_Buffer, Sum_Covers_Only_The_Device_Range) {
  const Prom_Image image = Counting_Image();
  for (const int32_t end : {0, 31, 255, 511, 1023}) {
    uint32_t expected = 0;
    for (int32_t a = 0; a <= end; ++a) expected += image[static_cast<std::size_t>(a)];
    EXPECT_EQ(Sum_Device_Range(image, end), static_cast<uint16_t>(expected)) << end;
  }
}

TEST(Prom_Buffer, Checksum_Caption_Is_Four_Upper_Case_Digits) {
  EXPECT_EQ(Checksum_Caption(0), "CheckSum=0000");
  EXPECT_EQ(Checksum_Caption(0xABCD), "CheckSum=ABCD");
  EXPECT_EQ(Checksum_Caption(0x00F0), "CheckSum=00F0");
}

TEST(Prom_Buffer, Checksum_With_Device_End_Zero_Is_The_First_Byte) {
  Buffer_App b(0);
  b.buffer.Prom_Buffer[0] = 0x5A;
  b.buffer.Prom_Buffer[1] = 0x33;
  b.buffer.Chk_Sum_ButClick();
  EXPECT_EQ(b.Checksum(), "CheckSum=005A");
  EXPECT_EQ(b.buffer.Buffer_Sum, 0x5A);
}

TEST(Prom_Buffer, Checksum_Follows_The_Device_End_It_Is_Given) {
  Buffer_App b(31);
  b.buffer.Prom_Buffer = Image_Of(0xFF);
  b.buffer.Show_Checksum();
  EXPECT_EQ(b.Checksum(), "CheckSum=1FE0");
  b.device_end = 1023;  // a later device choice is seen through the reference
  b.buffer.Show_Checksum();
  EXPECT_EQ(b.Checksum(), "CheckSum=FC00");
}

TEST(Prom_Buffer, Show_Checksum_Leaves_The_Busy_State_And_Idles_The_Programmer) {
  Buffer_App b;
  b.app.Start();
  b.app.form.states.Disable_Commands();
  b.app.Take_Wire();
  b.buffer.Show_Checksum();
  b.app.form.link.Flush();
  EXPECT_EQ(b.app.Take_Wire(), Idle_Sequence);
  EXPECT_FALSE(b.Busy());
  EXPECT_TRUE(b.app.form.window.Get("Program_Eprom").enabled);
  EXPECT_EQ(b.app.form.window.Get("StaticText3").colour, colours::Lime);
}

TEST(Prom_Buffer, Checksum_Without_Programmer_Sends_Nothing_And_Keeps_A_Red_Line) {
  Buffer_App b;
  b.app.form.window.Set_Tag("StaticText3", 1);
  b.buffer.Chk_Sum_ButClick();
  b.app.form.link.Flush();
  EXPECT_TRUE(b.app.Take_Wire().empty());
  EXPECT_EQ(b.app.form.window.Get("StaticText3").colour, colours::Red);
  EXPECT_EQ(b.Checksum(), "CheckSum=0000");
}

TEST(Prom_Buffer, Fill_Shows_The_List_And_Enters_The_Busy_State) {
  Buffer_App b;
  b.buffer.FillClick();
  EXPECT_TRUE(b.app.form.window.Get("FillBox").visible);
  EXPECT_FALSE(b.app.form.window.Get("Fill_Edit").visible);
  EXPECT_TRUE(b.Busy());
  EXPECT_EQ(b.app.form.window.Get("StaticText3").colour, colours::Yellow);
}

TEST(Prom_Buffer, Fill_Rows_00_And_FF_Fill_All_1024_Bytes) {
  struct Case {
    int row;
    uint8_t value;
    const char* checksum;
  };
  const Case cases[] = {{0, 0x00, "CheckSum=0000"}, {1, 0xFF, "CheckSum=1FE0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    Buffer_App b(31);
    b.buffer.Prom_Buffer = Counting_Image();
    b.buffer.FillClick();
    b.Choose_Fill_Row(c.row);
    EXPECT_EQ(b.buffer.Prom_Buffer, Image_Of(c.value));
    EXPECT_EQ(b.Checksum(), c.checksum);
    EXPECT_FALSE(b.app.form.window.Get("FillBox").visible);
    EXPECT_FALSE(b.Busy());
  }
}

TEST(Prom_Buffer, Fill_Row_XX_Opens_An_Empty_Value_Box_With_The_Focus_And_Stays_Busy) {
  Buffer_App b;
  b.app.form.window.Set_Lines("Fill_Edit", {"7"});
  b.buffer.FillClick();
  b.Choose_Fill_Row(Prom_Buffer_Unit::Fill_Row_Typed);
  EXPECT_TRUE(b.app.form.window.Get("Fill_Edit").visible);
  EXPECT_EQ(b.app.form.window.Focused(), "Fill_Edit");
  EXPECT_EQ(b.Fill_Edit_Text(), "");
  EXPECT_TRUE(b.app.form.window.Get("FillBox").visible);
  EXPECT_TRUE(b.Busy());
}

TEST(Prom_Buffer, Fill_Cancel_And_No_Row_Leave_The_Buffer_Alone) {
  Buffer_App b;
  b.buffer.Prom_Buffer = Counting_Image();
  b.buffer.FillClick();
  b.Choose_Fill_Row(-1);
  EXPECT_TRUE(b.app.form.window.Get("FillBox").visible);
  EXPECT_TRUE(b.Busy());
  b.Choose_Fill_Row(Prom_Buffer_Unit::Fill_Row_Cancel);
  EXPECT_EQ(b.buffer.Prom_Buffer, Counting_Image());
  EXPECT_FALSE(b.app.form.window.Get("FillBox").visible);
  EXPECT_FALSE(b.Busy());
  EXPECT_EQ(b.Checksum(), "&Check Sum=0000");
}

TEST(Prom_Buffer, Typed_Value_Fills_The_Buffer) {
  struct Case {
    const char* keys;
    const char* shown;
    uint8_t value;
  };
  const Case cases[] = {
      {"A", "A", 0x0A},   {"a", "A", 0x0A},     {"3c", "3C", 0x3C},   {"123", "12", 0x12},
      {"g-A", "A", 0x0A}, {"F\b7", "7", 0x07},  {"\b\b5e", "5E", 0x5E}, {"ff", "FF", 0xFF},
      {"0 9", "09", 0x09}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    Buffer_App b(1023);
    b.buffer.FillClick();
    b.Choose_Fill_Row(Prom_Buffer_Unit::Fill_Row_Typed);
    b.Type(c.keys);
    EXPECT_EQ(b.Fill_Edit_Text(), c.shown);
    b.Type("\r");
    EXPECT_EQ(b.buffer.Prom_Buffer, Image_Of(c.value));
    EXPECT_EQ(b.Checksum(), Checksum_Caption(static_cast<uint16_t>(c.value * 1024)));
    EXPECT_FALSE(b.app.form.window.Get("FillBox").visible);
    EXPECT_FALSE(b.app.form.window.Get("Fill_Edit").visible);
    EXPECT_FALSE(b.Busy());
  }
}

TEST(Prom_Buffer, Return_On_An_Empty_Box_Shows_The_Checksum_And_Ends_The_Command) {
  Buffer_App b(31);
  b.buffer.Prom_Buffer = Counting_Image();
  b.buffer.FillClick();
  b.Choose_Fill_Row(Prom_Buffer_Unit::Fill_Row_Typed);
  b.Type("\r");
  EXPECT_EQ(b.buffer.Prom_Buffer, Counting_Image());
  EXPECT_EQ(b.Checksum(), Checksum_Caption(Sum_Device_Range(Counting_Image(), 31)));
  EXPECT_FALSE(b.Busy());
}

TEST(Prom_Buffer, Pasted_Text_That_Is_No_Hex_Number_Keeps_The_Command_Open) {
  for (const char* pasted : {"G0", " 1", "-1"}) {
    SCOPED_TRACE(pasted);
    Buffer_App b;
    b.buffer.Prom_Buffer = Counting_Image();
    b.buffer.FillClick();
    b.Choose_Fill_Row(Prom_Buffer_Unit::Fill_Row_Typed);
    b.app.form.window.Set_Lines("Fill_Edit", {pasted});
    try {
      b.Type("\r");
      ADD_FAILURE() << "no conversion error";
    } catch (const Handler_Error& error) {
      EXPECT_EQ(std::string(error.what()),
                "'$" + std::string(pasted) + "' is not a valid integer value");
    }
    EXPECT_EQ(b.buffer.Prom_Buffer, Counting_Image());
    EXPECT_TRUE(b.Busy());
    EXPECT_TRUE(b.app.form.window.Get("FillBox").visible);
    b.Choose_Fill_Row(Prom_Buffer_Unit::Fill_Row_Cancel);
    EXPECT_FALSE(b.Busy());
  }
}

TEST(Prom_Buffer, Fill_Reaches_Past_A_Small_Device_Range) {
  Buffer_App b(31);
  b.buffer.FillClick();
  b.Choose_Fill_Row(Prom_Buffer_Unit::Fill_Row_FF);
  EXPECT_EQ(b.buffer.Prom_Buffer[32], 0xFF);
  EXPECT_EQ(b.buffer.Prom_Buffer[1023], 0xFF);
  EXPECT_EQ(b.Checksum(), "CheckSum=1FE0");
}

}  // namespace
}  // namespace tarnik::testing
