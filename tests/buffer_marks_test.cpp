#include "buffer/buffer_marks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

TEST(Buffer_Marks, Set_Clear_And_Tell_Each_Change) {
  Buffer_Marks marks;
  int changes = 0;
  marks.Subscribe([&changes] { ++changes; });
  EXPECT_FALSE(marks.Any());
  marks.Set({{3, Byte_Mark::Mendable}, {1023, Byte_Mark::Unmendable}, {1024, Byte_Mark::Mendable},
             {-1, Byte_Mark::Mendable}, {7, Byte_Mark::None}});
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(marks.Any());
  EXPECT_EQ(marks.At(3), Byte_Mark::Mendable);
  EXPECT_EQ(marks.At(1023), Byte_Mark::Unmendable);
  EXPECT_EQ(marks.At(7), Byte_Mark::None);
  EXPECT_EQ(marks.At(1024), Byte_Mark::None);
  EXPECT_EQ(marks.At(-1), Byte_Mark::None);
  marks.Clear_At(3);
  marks.Clear_At(4);  // not marked: no change
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(marks.At(3), Byte_Mark::None);
  EXPECT_TRUE(marks.Any());
  marks.Clear_At(1023);
  EXPECT_FALSE(marks.Any());
  marks.Clear();  // nothing left: no change
  EXPECT_EQ(changes, 3);
}

// The window over a simulated 74S188 whose location 2 holds 0x01 and
// location 6 holds 0x0F.
struct Marked_Window {
  Marked_Window() {
    std::string error;
    part = sim::Make_Sim_Part("74S188", error);
    sim::Seat_Part(app.simulator, *part);
    app.Start();
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("74S188")->row);
    app.form.Prom_Buffer.fill(0);
    app.form.Prom_Buffer[2] = 0x01;
    app.form.Prom_Buffer[6] = 0x0F;
    app.form.Click("Program_Eprom");
    // What the buffer wants now: a bit more at 2, one bit fewer at 6.
    app.form.Prom_Buffer[2] = 0x03;
    app.form.Prom_Buffer[6] = 0x07;
  }
  [[nodiscard]] Buffer_Marks& Marks() { return app.form.devices.operations.Marks(); }
  void Expect_Marked() {
    EXPECT_EQ(Marks().At(2), Byte_Mark::Mendable);
    EXPECT_EQ(Marks().At(6), Byte_Mark::Unmendable);
    EXPECT_EQ(Marks().At(3), Byte_Mark::None);
  }

  Sim_App app;
  std::unique_ptr<sim::Sim_Part> part;
};

TEST(Buffer_Marks, A_Verify_Marks_The_Bytes_And_What_Takes_The_Marks_Away) {
  struct Clearing_Case {
    const char* what;
    void (*act)(Main_Form& form);
    bool keeps_byte_2;
    bool keeps_byte_6;
  };
  const Clearing_Case cases[] = {
      {"another operation",
       [](Main_Form& form) { form.Click("Move_Eprom"); }, false, false},
      {"a fill",
       [](Main_Form& form) {
         form.Click("Fill");
         form.Event("FillBox", Event_Kind::Click, 1);
       }, false, false},
      {"a cancelled fill",
       [](Main_Form& form) {
         form.Click("Fill");
         form.Event("FillBox", Event_Kind::Click, 3);
       }, true, true},
      {"an edit of byte 2",
       [](Main_Form& form) {
         form.Click("Edit");
         form.Event("Edit_1", Event_Kind::Mouse_Down, 74 + 5 + 3 * 2);  // row 0, byte 2
         form.Event("Edit_1", Event_Kind::Key_Press, '7');
       }, false, true},
  };
  for (const Clearing_Case& c : cases) {
    Marked_Window window;
    window.app.form.Click("Verify_Eprom");
    ASSERT_EQ(window.app.form.window.Get("StaticText3").caption, "Device Did NOT Verify to Buffer....");
    window.Expect_Marked();
    c.act(window.app.form);
    EXPECT_EQ(window.Marks().At(2), c.keeps_byte_2 ? Byte_Mark::Mendable : Byte_Mark::None)
        << c.what;
    EXPECT_EQ(window.Marks().At(6), c.keeps_byte_6 ? Byte_Mark::Unmendable : Byte_Mark::None)
        << c.what;
  }
}

TEST(Buffer_Marks, A_Compare_And_A_Blank_Check_Mark_Too) {
  Marked_Window window;
  window.app.form.Click("Compare");
  ASSERT_EQ(window.app.form.window.Get("StaticText3").caption, "Device CAN NOT be Reprogrammed....");
  window.Expect_Marked();
  EXPECT_EQ(window.app.form.window.Get("Memo1").lines,
            std::vector<std::string>{
                "2 Locations Differ: 1 Bits Missing, 1 Bits Extra, 1 Locations Cannot Take the "
                "Buffer"});
  EXPECT_TRUE(window.app.form.window.Get("Memo1").visible);
  window.app.form.Click("Blank_Chk");
  EXPECT_EQ(window.Marks().At(2), Byte_Mark::Unmendable);  // 01 where 00 is wanted
  EXPECT_EQ(window.Marks().At(6), Byte_Mark::Unmendable);
  // A check that passes leaves no marks.
  window.app.form.Prom_Buffer[2] = 0x01;
  window.app.form.Prom_Buffer[6] = 0x0F;
  window.app.form.Click("Verify_Eprom");
  EXPECT_FALSE(window.Marks().Any());
}

TEST(Buffer_Marks, The_Checksum_Hint_Names_The_Dump) {
  Marked_Window window;
  window.app.form.Click("Chk_Sum_But");
  // CRC-32 and SHA-1 of 32 bytes: 03 at 2, 07 at 6, zero elsewhere, as
  // python3 -c "import zlib, hashlib; b = bytes([0,0,3,0,0,0,7] + [0]*25);
  // print('%08x' % zlib.crc32(b), hashlib.sha1(b).hexdigest())" gives them.
  EXPECT_EQ(window.app.form.window.Get("Chk_Sum_But").hint,
            "Creates a Check Sum of the Buffer Data...\n"
            "CRC32=85680b93 SHA1=584b1c21308f5bfba620ff5ffe8c14c44de4f27c");
  window.app.form.Click("Chk_Sum_But");  // the hint keeps one identity line
  EXPECT_EQ(std::count(window.app.form.window.Get("Chk_Sum_But").hint.begin(),
                       window.app.form.window.Get("Chk_Sum_But").hint.end(), '\n'),
            1);
}

}  // namespace
}  // namespace tarnik::testing
