#include "app/main_form.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "buffer/prom_buffer.h"
#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "window/errors.h"
#include "window/hex_text.h"
#include "tests/fixture.h"
#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

const char* const Device_Buttons[] = {"Program_Eprom", "Verify_Eprom", "Move_Eprom", "Blank_Chk",
                                      "Compare"};
const char* const Other_Buttons[] = {"Chk_Sum_But", "Start_Add", "Save_But", "Load_But",
                                     "File_But",    "End_Add",   "Device",   "Help_1",
                                     "Scale",       "Edit",      "Fill"};

TEST(Main_Form, The_Window_Is_Created_As_The_Table_Gives_It) {
  Sim_App app;
  const Window_Model& w = app.form.window;
  EXPECT_EQ(w.Get("MainForm").caption, "Tarnik PROM Programmer V1.01 6 July 06");
  EXPECT_EQ(w.Get("MainForm").bounds, (Bounds{616, 114, 662, 476}));
  EXPECT_TRUE(w.Get("Memo1").lines.empty());
  EXPECT_EQ(app.form.link.Packet_Len, 8u);
  EXPECT_EQ(w.Get("StaticText3").caption, "Looking For Programmer");
  EXPECT_EQ(w.Get("StaticText3").colour, colours::Yellow);
  EXPECT_EQ(w.Get("Vpp_But").tag, 1);
  EXPECT_FALSE(w.Get("Vpp_But").visible);
  EXPECT_EQ(w.Get("Compare").bounds, (Bounds{4, 64, 110, 20}));
  EXPECT_EQ(w.Get("Compare").parent, "Panel1");
  EXPECT_EQ(w.Get("Save_But").hint, "Save's Buffer to Disk File...");
  EXPECT_EQ(w.Get("Page_2").bounds, (Bounds{128, 32, 441, 337}));
  EXPECT_EQ(w.Get("File_Type").lines,
            (std::vector<std::string>{"Binary", "Intel Hex", "Motorola Hex", "Ascii Hex"}));
  for (const Control& c : w.Controls()) EXPECT_TRUE(c.enabled) << c.name;
}

TEST(Main_Form, Busy_And_Ready_States) {
  for (int link_state : {0, 2}) {
    SCOPED_TRACE(link_state);
    Sim_App app;
    Window_Model& w = app.form.window;
    w.Set_Tag("MainForm", link_state);
    w.Set_Visible("Memo1", true);
    w.Set_Visible("FillBox", true);
    w.Set_Visible("Device_Box", true);
    app.form.states.Disable_Commands();
    for (const char* name : Device_Buttons) EXPECT_FALSE(w.Get(name).enabled) << name;
    for (const char* name : Other_Buttons) EXPECT_FALSE(w.Get(name).enabled) << name;
    EXPECT_FALSE(w.Get("Memo1").visible);
    EXPECT_EQ(w.Get("StaticText3").colour, colours::Yellow);
    EXPECT_EQ(w.Failure_Flag(), 0);

    w.Set_Tag("StaticText3", 1);
    w.Set_Visible("Memo1", true);
    app.form.states.Enable_Commands();
    for (const char* name : Device_Buttons) EXPECT_EQ(w.Get(name).enabled, link_state > 0) << name;
    for (const char* name : Other_Buttons) EXPECT_TRUE(w.Get(name).enabled) << name;
    EXPECT_EQ(w.Get("StaticText3").colour, colours::Red);
    EXPECT_TRUE(w.Get("Memo1").visible);  // findings stay until the next command
    EXPECT_FALSE(w.Get("FillBox").visible);
    EXPECT_TRUE(w.Get("Device_Box").visible);  // not the ready state's to hide
  }
}

// A form with one extra command whose body the test chooses.
class Probe_Form : public Main_Form {
 public:
  using Main_Form::Main_Form;
  void Run(const std::function<void()>& body) { Run_Command(body); }
};

TEST(Main_Form, A_Command_Reached_Through_Pumping_Is_Ignored) {
  Test_Host host;
  sim::Sim_Programmer simulator(host.clock);
  Probe_Form form(simulator, host);
  form.FormCreate();
  form.Start_Up();
  const int opens = simulator.Open_Count();
  int inner_runs = 0;
  host.on_pump = [&] {
    form.StaticText3Click();  // a click on the status line while the command runs
    form.Run([&] { ++inner_runs; });
  };
  form.Run([&] { form.link.Read_Byte(); });
  host.on_pump = nullptr;
  EXPECT_EQ(inner_runs, 0);
  EXPECT_EQ(simulator.Open_Count(), opens);
  form.StaticText3Click();  // once the command has ended, the click runs
  EXPECT_EQ(simulator.Open_Count(), opens + 1);
}

TEST(Main_Form, An_Error_Ends_The_Handler_With_The_Stop_Box) {
  Test_Host host;
  sim::Sim_Programmer simulator(host.clock);
  Probe_Form form(simulator, host);
  // The error leaves the command through Run_Command: it does not escape to
  // the event loop, the box is shown once, and the next command runs.
  EXPECT_NO_THROW(form.Run([] { throw Handler_Error("'$G0' is not a valid integer value"); }));
  int next_runs = 0;
  form.Run([&] { ++next_runs; });
  EXPECT_EQ(next_runs, 1);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "'$G0' is not a valid integer value.");
  EXPECT_EQ(host.boxes[0].icon, Box_Icon::Stop);
  EXPECT_EQ(host.boxes[0].title, "Tarnik PROM Programmer");
  EXPECT_FALSE(form.Command_Running());
}

TEST(Main_Form, Shut_Down_Idles_And_Closes_Only_An_Opened_Device) {
  Sim_App app;
  app.Start();
  app.Take_Wire();
  app.form.Shut_Down();
  EXPECT_EQ(app.Take_Wire(), Idle_Sequence);
  EXPECT_FALSE(app.simulator.Is_Open());

  sim::Sim_Faults faults;
  faults.open_fails = true;
  Sim_App failed(faults);
  failed.Start();
  const std::size_t boxes = failed.host.boxes.size();
  failed.form.Shut_Down();
  for (std::size_t i = boxes; i < failed.host.boxes.size(); ++i)
    EXPECT_NE(failed.host.boxes[i].text.rfind("FT_Close", 0), 0u);
}

// The form over the simulator, the programmer found, a type chosen from the
// device list with its placement picture confirmed.
struct Form_With_Type : Sim_App {
  explicit Form_With_Type(std::string_view type) {
    Start();
    Choose(type);
  }
  void Choose(std::string_view type) {
    form.Click("Device");
    form.Event("Device_Box", Event_Kind::Click, Find_Device_Type(type)->row);
  }
  void Fill_With_FF() {
    form.Click("Fill");
    form.Event("FillBox", Event_Kind::Click, Prom_Buffer_Unit::Fill_Row_FF);
  }
  [[nodiscard]] std::string Checksum() const { return form.window.Get("Chk_Sum_But").caption; }
  // The hex view's data row that starts at `address`, from the page shown.
  [[nodiscard]] std::string View_Row(unsigned address) const {
    for (const std::string& line : form.window.Get("Edit_1").lines)
      if (line.rfind(Hex_Digits(address, 4) + "  ", 0) == 0) return line;
    return "";
  }
};

TEST(Main_Form, Filled_Bytes_Past_A_Small_Device_Show_In_The_View_And_After_A_Device_Change) {
  Form_With_Type app("82S123");  // 32 x 8
  app.Fill_With_FF();
  EXPECT_EQ(app.Checksum(), "CheckSum=1FE0");
  app.form.Click("Edit");
  EXPECT_EQ(app.View_Row(0x00F0).substr(6, 47),
            "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
  app.Choose("82S181");  // 1k x 8: the bytes past 31 were filled too
  app.form.Click("Chk_Sum_But");
  EXPECT_EQ(app.Checksum(), "CheckSum=FC00");
  app.form.Click("Edit");
  app.form.Event("Edit_1", Event_Kind::Key_Down, 34);  // Page Down
  EXPECT_EQ(app.View_Row(0x01F0).substr(6, 2), "FF");
}

TEST(Main_Form, A_Whole_Buffer_File_With_A_Small_Device_Sums_Its_Range_And_Keeps_The_Rest) {
  Temp_Dir folder;
  std::string bytes(1024, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 5 + 1);
  folder.Write("whole.bin", bytes);
  Form_With_Type app("82S123");
  app.host.paths.push_back(folder.File("whole.bin"));
  app.form.Click("Load_But");
  const auto sum_to = [&](std::size_t end) {
    return static_cast<uint16_t>(std::accumulate(bytes.begin(), bytes.begin() + long(end) + 1, 0u,
        [](unsigned total, char byte) { return total + static_cast<uint8_t>(byte); }));
  };
  EXPECT_EQ(app.Checksum(), Checksum_Caption(sum_to(31)));
  app.Choose("82S181");
  app.form.Click("Chk_Sum_But");
  EXPECT_EQ(app.Checksum(), Checksum_Caption(sum_to(1023)));
  app.form.Click("Edit");
  app.form.Event("Edit_1", Event_Kind::Key_Down, 34);  // Page Down to 0100
  EXPECT_EQ(app.View_Row(0x0100).substr(6, 2), Hex_Digits(static_cast<uint8_t>(bytes[0x100]), 2));
}

TEST(Main_Form, A_Move_Refreshes_The_Checksum_Caption) {
  std::string state = "type 82S129\n";
  for (unsigned line = 0; line < 1024; line += 16) {
    state += Hex_Digits(line, 3) + ":";
    for (unsigned i = 0; i < 16; ++i) state += " 0" + Hex_Digits((line + i) % 16, 1);
    state += "\n";
  }
  std::string error;
  std::unique_ptr<sim::Sim_Part> part = sim::Sim_Part::From_State_Text(state, error);
  ASSERT_NE(part, nullptr) << error;
  Sim_App app;
  sim::Seat_Part(app.simulator, *part);
  app.Start();
  app.form.Click("Device");
  app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S129")->row);
  app.form.Click("Chk_Sum_But");
  ASSERT_EQ(app.form.window.Get("Chk_Sum_But").caption, "CheckSum=0000");
  app.form.Click("Move_Eprom");
  // 256 locations holding 0 to F sixteen times over: 16 x 120.
  EXPECT_EQ(app.form.window.Get("Chk_Sum_But").caption, "CheckSum=0780");
  EXPECT_EQ(app.form.window.Get("StaticText3").caption, "Device Has Been Moved to Buffer....");
}

}  // namespace
}  // namespace tarnik::testing
