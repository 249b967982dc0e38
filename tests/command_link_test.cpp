#include "link/command_link.h"

#include <gtest/gtest.h>

#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

TEST(Command_Link, Idle_Sequence_Goes_Out_Byte_For_Byte) {
  Sim_App app;
  app.Start();
  app.Take_Wire();
  app.form.link.Stop_Count = 3;
  app.form.link.Dev_Addr = 9;
  app.form.link.Set_Idle();
  app.form.link.Flush();
  EXPECT_EQ(app.Take_Wire(), Idle_Sequence);
  EXPECT_EQ(app.form.link.Reg_Value, 0xB0);
  EXPECT_EQ(app.form.link.Stop_Count, 0);
  EXPECT_EQ(app.form.link.Dev_Addr, 0);
}

TEST(Command_Link, Packets_Carry_Id_Value_And_Checksum) {
  Sim_App app;
  app.Start();
  app.Take_Wire();
  Command_Link& link = app.form.link;
  link.Reg_Value = 0x1234;
  link.Write_Reg(Reg_Addr_Lo);
  link.Reg_Value = 0xE5;
  link.Write_Reg(Reg_Control);
  link.Read_Byte();
  EXPECT_EQ(app.Take_Wire(), (std::vector<std::string>{"94 2F 34 00 00 00 00 F7",
                                                       "94 3F E5 00 00 00 00 B8",
                                                       "22 3F E5 00 00 00 00 46"}));
}

TEST(Command_Link, Nothing_Is_Sent_Without_A_Programmer) {
  Sim_App app;  // no discovery: link state 0
  Command_Link& link = app.form.link;
  app.form.usb.Reply_Packet[1] = 0x5A;
  link.Reg_Value = 0x12;
  link.Write_Reg(Reg_Supply);
  EXPECT_EQ(link.Read_Byte(), 0x5A);
  link.Stop_Count = 4;
  link.Dev_Addr = 7;
  link.Set_Idle();
  link.Flush();
  EXPECT_TRUE(app.trace.empty());
  EXPECT_EQ(app.simulator.Counters().packets_out, 0u);
  EXPECT_EQ(link.Stop_Count, 0);
  EXPECT_EQ(link.Dev_Addr, 0);
}

TEST(Command_Link, A_Read_Without_A_Programmer_Before_Any_Reply_Gives_Zero) {
  Sim_App app;  // no discovery: link state 0, and no reply has come
  EXPECT_EQ(app.form.link.Read_Byte(), 0);
  EXPECT_EQ(app.simulator.Counters().packets_out, 0u);
  EXPECT_EQ(app.host.clock.Now_Us(), 0);  // no wait ran
}

TEST(Command_Link, A_Programmer_That_Never_Answers_Times_Out_After_One_Second) {
  Sim_App app;
  app.Start();
  app.simulator.Faults().never_reply = true;
  app.form.states.Disable_Commands();
  const int64_t start = app.host.clock.Now_Us();
  app.form.link.Read_Byte();
  const int64_t waited = app.host.clock.Now_Us() - start;
  EXPECT_GE(waited, 1'000'000);
  EXPECT_LT(waited, 1'010'000);
  const Control& memo = app.form.window.Get("Memo1");
  ASSERT_FALSE(memo.lines.empty());
  EXPECT_EQ(memo.lines.front(), "Device no longer present ... PortStatus-0 USB-5");
  EXPECT_EQ(app.form.usb.Reply_Packet[6], 0x55);
  EXPECT_EQ(app.form.link.Stop_Count, 5);
  EXPECT_FALSE(app.host.Timer1_Running());
  EXPECT_TRUE(app.form.window.Get("Program_Eprom").enabled);
  EXPECT_TRUE(app.form.window.Get("Fill").enabled);
  EXPECT_TRUE(app.host.boxes.empty());
}

TEST(Command_Link, A_Wait_With_Stop_Count_Already_Set_Polls_Once_And_Reads) {
  Sim_App app;
  app.Start();
  app.simulator.Faults().never_reply = true;
  app.form.link.Stop_Count = 5;
  const int64_t start = app.host.clock.Now_Us();
  const int pumps = app.host.pumps;
  app.form.link.Read_Byte();
  EXPECT_EQ(app.host.pumps - pumps, 1);
  // The read ends at the driver's 40 ms time-out.
  EXPECT_LT(app.host.clock.Now_Us() - start, 50'000);
  EXPECT_TRUE(app.form.window.Get("Memo1").lines.empty());
}

TEST(Command_Link, A_Reply_Returns_As_Soon_As_Its_Eight_Bytes_Have_Come) {
  for (bool pieces : {false, true}) {
    SCOPED_TRACE(pieces ? "in pieces" : "whole");
    sim::Sim_Faults faults;
    faults.reply_in_pieces = pieces;
    Sim_App app(faults);
    app.Start();
    const uint64_t timeouts = app.simulator.Counters().read_timeouts;
    const int64_t start = app.host.clock.Now_Us();
    app.form.link.Read_Byte();
    const int64_t took = app.host.clock.Now_Us() - start;
    EXPECT_EQ(app.simulator.Counters().read_timeouts, timeouts);
    EXPECT_LT(took, pieces ? 15'000 : 5'000);
    EXPECT_EQ(app.form.usb.Reply_Packet[0], Cmd_Read);
    EXPECT_TRUE(app.form.window.Get("Memo1").lines.empty());
    EXPECT_EQ(app.trace.back(), "< 22 00 00 00 00 00 00 22");
  }
}

TEST(Command_Link, Bytes_Queued_Beyond_The_Reply_Are_Dropped) {
  Sim_App app;
  app.Start();
  // Two replies nobody waited for are already queued when a read begins.
  const uint8_t two_reads[16] = {0x22, 0, 0, 0, 0, 0, 0, 0x22, 0x22, 0, 0, 0, 0, 0, 0, 0x22};
  uint32_t written = 0;
  ASSERT_EQ(app.simulator.FT_Write(app.form.usb.Usb_Handle, two_reads, 16, &written), FT_OK);
  uint32_t queued = 0;
  // A look starts a bulk read, which brings the two replies to the host.
  ASSERT_EQ(app.simulator.FT_GetQueueStatus(app.form.usb.Usb_Handle, &queued), FT_OK);
  app.host.clock.Sleep_Until_Us(app.host.clock.Now_Us() + 5000);
  app.form.link.Read_Byte();
  // The read took the first, dropped the second, and only its own reply,
  // which came after the poll, is left for the next one.
  app.host.clock.Sleep_Until_Us(app.host.clock.Now_Us() + 5000);
  ASSERT_EQ(app.simulator.FT_GetQueueStatus(app.form.usb.Usb_Handle, &queued), FT_OK);
  EXPECT_EQ(queued, 8u);
}

TEST(Command_Link, A_Short_Write_Is_Reported_And_The_Wait_Still_Runs) {
  sim::Sim_Faults faults;
  faults.short_write_at = 3;  // version query, idle writes, then this read
  Sim_App app(faults);
  app.Start();
  app.form.link.Read_Byte();
  // The packet lost its checksum byte, so the programmer never saw it and the
  // wait that still runs ends at the time-out.
  EXPECT_EQ(app.form.window.Get("Memo1").lines,
            (std::vector<std::string>{"Device no longer present ... PortStatus-0 USB-5",
                                      "USB Device Write TimeOut ..."}));
  EXPECT_EQ(app.simulator.Counters().bad_packets, 0u);  // an incomplete packet is no bad one yet
  // A short write and a time-out leave the link up.
  EXPECT_EQ(app.form.window.Link_State(), 2);
  EXPECT_EQ(app.form.link.Links_Lost, 0u);
}

// However many packets a write carried and wherever it was cut, the user
// reads one time-out line for it, and it counts as one fault.
TEST(Command_Link, A_Short_Write_Of_Many_Packets_Gives_One_Line) {
  struct Case {
    int packets;
    int keeps;
  };
  const Case cases[] = {{1, 3}, {16, 0}, {16, 3}, {16, 8}, {67, 3}, {67, 67 * 8 - 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.packets) + " packets, " + std::to_string(c.keeps) + " kept");
    sim::Sim_Faults faults;
    faults.short_write_at = 3;  // version query, idle writes, then this write
    faults.short_write_keeps = c.keeps;
    Sim_App app(faults);
    app.Start();
    app.form.window.Clear_Lines("Memo1");
    const uint32_t faults_before = app.form.link.Link_Faults;
    for (int i = 0; i < c.packets; ++i) {
      app.form.link.Reg_Value = static_cast<uint16_t>(i & 0xFF);
      app.form.link.Write_Reg(Reg_Addr_Lo);
    }
    app.form.link.Flush();
    EXPECT_EQ(app.form.window.Get("Memo1").lines,
              std::vector<std::string>{"USB Device Write TimeOut ..."});
    EXPECT_EQ(app.form.link.Link_Faults, faults_before + 1);
  }
}

// A device gone in the middle of a write: one line, one box, the link
// marked lost, and nothing more sent or reported until discovery.
TEST(Command_Link, A_Device_Gone_Ends_The_Link_Until_Discovery) {
  Sim_App app;
  app.Start();
  app.form.window.Clear_Lines("Memo1");
  const std::size_t boxes = app.host.boxes.size();
  app.simulator.Faults().unplug_after = static_cast<int>(app.simulator.Counters().packets_out) + 2;
  for (const uint8_t id : {Reg_Addr_Lo, Reg_Supply, Reg_Control}) {
    app.form.link.Reg_Value = 0x11;
    app.form.link.Write_Reg(id);
  }
  app.form.link.Read_Byte();
  EXPECT_EQ(app.form.window.Get("Memo1").lines,
            std::vector<std::string>{"Device no longer present ... PortStatus-4 USB-0"});
  EXPECT_EQ(app.host.boxes.size(), boxes + 1);
  EXPECT_EQ(app.form.window.Link_State(), 0);
  EXPECT_EQ(app.form.link.Links_Lost, 1u);
  EXPECT_EQ(app.form.link.Stop_Count, 5);
  EXPECT_EQ(app.form.link.Reply(6), Reply_Failed_Mark);
  EXPECT_EQ(app.form.link.Last_Reply_Len, 0u);
  const std::size_t traced = app.trace.size();
  app.form.link.Set_Idle();
  app.form.link.Read_Byte();
  app.form.link.Wait_Reply();
  app.form.Shut_Down();
  EXPECT_EQ(app.trace.size(), traced);
  EXPECT_EQ(app.form.window.Get("Memo1").lines.size(), 1u);
  EXPECT_EQ(app.host.boxes.size(), boxes + 1);
}

TEST(Command_Link, Trace_Shows_Packets_Out_And_Replies_In) {
  Sim_App app;
  app.Start();
  std::vector<std::string> expected = {"> 56 00 00 00 00 00 00 56", "< 56 01 07 00 00 00 00 5E"};
  for (const auto& packet : Idle_Sequence) expected.push_back("> " + packet);
  EXPECT_EQ(app.trace, expected);
}

}  // namespace
}  // namespace tarnik::testing
