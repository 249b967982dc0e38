#include "link/discovery.h"

#include <gtest/gtest.h>

#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

struct Version_Case {
  int major;
  int minor;
  const char* text;
  int32_t value;
  bool asks_update;
};

TEST(Discovery, Version_Texts_And_The_Update_Question) {
  const Version_Case cases[] = {
      {1, 7, "1.07", 263, false}, {1, 6, "1.06", 262, true},   {1, 10, "1.10", 266, false},
      {0, 200, "0.200", 200, true}, {2, 0, "2.00", 512, false},
  };
  for (const Version_Case& c : cases) {
    SCOPED_TRACE(c.text);
    Sim_App app;
    app.simulator.Set_Firmware(static_cast<uint8_t>(c.major), static_cast<uint8_t>(c.minor));
    app.Start();
    const Control& status = app.form.window.Get("StaticText3");
    EXPECT_EQ(status.caption, std::string("Usb Programmer Found - FirmWare Version ") + c.text);
    EXPECT_EQ(status.colour, colours::Lime);
    EXPECT_EQ(app.form.discovery.Firmware_Version, c.value);
    EXPECT_EQ(app.form.window.Link_State(), 2);
    const std::vector<std::string> expected_boxes =
        c.asks_update ? std::vector<std::string>{Update_Question_Text} : std::vector<std::string>{};
    EXPECT_EQ(app.host.Box_Texts(), expected_boxes);
    if (c.asks_update) {
      EXPECT_EQ(app.host.boxes[0].icon, Box_Icon::Confirmation);
      EXPECT_EQ(app.host.boxes[0].buttons, Box_Buttons::Yes_No);
      EXPECT_FALSE(app.host.boxes[0].position.centred);
      EXPECT_EQ(app.host.boxes[0].position.left, 375);
      EXPECT_EQ(app.host.boxes[0].position.top, 325);
    }
    // Answered No, nothing goes out beyond the version query and the idle sequence.
    std::vector<std::string> wire = {"56 00 00 00 00 00 00 56"};
    wire.insert(wire.end(), Idle_Sequence.begin(), Idle_Sequence.end());
    EXPECT_EQ(app.Take_Wire(), wire);
    EXPECT_FALSE(app.form.window.Get("Memo1").visible);
  }
}

struct Failure_Case {
  const char* name;
  sim::Sim_Faults faults;
  int link_state;
  bool opened;
  uint64_t packets;  // packets the programmer took
};

sim::Sim_Faults With(void (*change)(sim::Sim_Faults&)) {
  sim::Sim_Faults faults;
  change(faults);
  return faults;
}

TEST(Discovery, The_Programmer_Is_Not_Found) {
  const Failure_Case cases[] = {
      {"no device", With([](sim::Sim_Faults& f) { f.devices_attached = 0; }), 0, false, 0},
      {"two devices", With([](sim::Sim_Faults& f) { f.devices_attached = 2; }), 0, false, 0},
      {"bad reply", With([](sim::Sim_Faults& f) { f.bad_reply = true; }), 1, true, 6},
      {"no reply", With([](sim::Sim_Faults& f) { f.never_reply = true; }), 1, true, 6},
  };
  for (const Failure_Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sim_App app(c.faults);
    app.Start();
    const Control& status = app.form.window.Get("StaticText3");
    EXPECT_EQ(status.caption, "Looking For Programmer");
    EXPECT_EQ(status.colour, colours::Red);
    EXPECT_EQ(status.tag, 1);
    EXPECT_EQ(app.form.window.Link_State(), c.link_state);
    EXPECT_EQ(app.simulator.Is_Open(), c.opened);
    EXPECT_EQ(app.simulator.Counters().packets_out, c.packets);
    ASSERT_EQ(app.host.Box_Texts(), std::vector<std::string>{Not_Found_Text});
    EXPECT_EQ(app.host.boxes[0].icon, Box_Icon::Information);
    EXPECT_EQ(app.host.boxes[0].position.left, 375);
    // Only a programmer that was asked enables the device buttons.
    EXPECT_EQ(app.form.window.Get("Blank_Chk").enabled, c.link_state > 0);
    app.form.states.Disable_Commands();
    app.form.states.Enable_Commands();
    EXPECT_EQ(app.form.window.Get("Blank_Chk").enabled, c.link_state > 0);
    EXPECT_TRUE(app.form.window.Get("Fill").enabled);
  }
}

TEST(Discovery, A_Failed_Wait_Leaves_Its_Line_Behind_The_Box) {
  sim::Sim_Faults faults;
  faults.never_reply = true;
  Sim_App app(faults);
  app.Start();
  const Control& memo = app.form.window.Get("Memo1");
  ASSERT_EQ(memo.lines.size(), 1u);
  EXPECT_EQ(memo.lines[0], "Device no longer present ... PortStatus-0 USB-5");
  EXPECT_FALSE(memo.visible);
}

TEST(Discovery, An_Open_Failure_Is_Reported_And_Nothing_Is_Sent) {
  sim::Sim_Faults faults;
  faults.open_fails = true;
  Sim_App app(faults);
  app.Start();
  // The open's error box, then the not-found box; no handle, so no query,
  // no idle sequence and no further box.
  EXPECT_EQ(app.host.Box_Texts(),
            (std::vector<std::string>{"Open_USB_Device_By_Serial_Number - Device Not Opened...",
                                      Not_Found_Text}));
  EXPECT_TRUE(app.form.window.Get("Memo1").lines.empty());
  EXPECT_TRUE(app.trace.empty());
  EXPECT_EQ(app.form.window.Link_State(), 0);
  EXPECT_FALSE(app.form.window.Get("Blank_Chk").enabled);
  // Shut-down sends nothing either.
  app.form.Shut_Down();
  EXPECT_TRUE(app.trace.empty());
  EXPECT_EQ(app.host.boxes.size(), 2u);
}

TEST(Discovery, A_Second_Discovery_Releases_The_First_Handle) {
  Sim_App app;
  app.Start();
  EXPECT_EQ(app.simulator.Latency_Ms(), Usb_Access::Latency_Ms);
  EXPECT_EQ(app.simulator.Read_Timeout_Ms(), 40u);
  app.form.StaticText3Click();
  EXPECT_TRUE(app.host.boxes.empty());
  EXPECT_EQ(app.simulator.Open_Count(), 2);
  EXPECT_TRUE(app.simulator.Is_Open());
  EXPECT_EQ(app.form.window.Get("StaticText3").colour, colours::Lime);
}

TEST(Discovery, A_Retry_With_The_Programmer_Gone_Keeps_The_Buttons) {
  Sim_App app;
  app.Start();
  app.simulator.Faults().devices_attached = 0;
  app.form.StaticText3Click();
  EXPECT_EQ(app.host.Box_Texts(), std::vector<std::string>{Not_Found_Text});
  const Control& status = app.form.window.Get("StaticText3");
  EXPECT_EQ(status.colour, colours::Red);
  EXPECT_EQ(status.caption, "Usb Programmer Found - FirmWare Version 1.07");
  EXPECT_TRUE(app.form.window.Get("Program_Eprom").enabled);
  EXPECT_EQ(app.form.window.Link_State(), 2);
}

TEST(Discovery, Yes_To_The_Update_Question_Runs_The_Update) {
  Sim_App app;
  app.simulator.Set_Firmware(1, 6);
  int updates = 0;
  app.form.discovery.Set_Flash_Update([&] { ++updates; });
  app.host.answers.push_back(Box_Answer::Yes);
  app.Start();
  EXPECT_EQ(updates, 1);
}

}  // namespace
}  // namespace tarnik::testing
