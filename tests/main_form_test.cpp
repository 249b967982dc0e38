#include "app/main_form.h"

#include <gtest/gtest.h>

#include "window/errors.h"
#include "tests/fixture.h"

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

}  // namespace
}  // namespace tarnik::testing
