#include "devices/read_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "devices/device_catalogue.h"
#include "devices/link_fault_watch.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

const std::string Failed_Wait_Line = "Device no longer present ... PortStatus-0 USB-5";

// FNV-1a over every line, so that a long trace is pinned by one number.
uint64_t Digest(const std::vector<std::string>& lines) {
  uint64_t hash = 1469598103934665603ull;
  for (const std::string& line : lines) {
    for (const char c : line + "\n") {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

// The window's form over the simulated programmer with a part of `type`
// seated, found and chosen, reading `window` locations at a time.
struct Windowed_App {
  Windowed_App(const char* type, int window, sim::Sim_Faults faults = sim::Sim_Faults{})
      : app(faults) {
    std::string error;
    part = sim::Make_Sim_Part(type, error);
    EXPECT_NE(part, nullptr) << error;
    sim::Seat_Part(app.simulator, *part);
    app.form.link.Read_Window = window;
    app.Start();
    const Device_Type* device = Find_Device_Type(type);
    EXPECT_NE(device, nullptr);
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, device->row);
    app.Take_Wire();
    app.trace.clear();
  }

  [[nodiscard]] int32_t End() const { return app.form.devices.selection.Device_End; }
  [[nodiscard]] uint8_t Mask() const {
    return Data_Bits_Of_Class(app.form.devices.selection.Device_Tag()) == 4 ? 0x0F : 0xFF;
  }
  void Fill_Random(unsigned seed) {
    std::mt19937 random(seed);
    for (int32_t a = 0; a <= End(); ++a)
      app.form.Prom_Buffer[static_cast<std::size_t>(a)] = static_cast<uint8_t>(random() & Mask());
  }
  [[nodiscard]] const Control& Get(std::string_view name) const { return app.form.window.Get(name); }

  // What one click leaves to be compared: the packets the firmware took,
  // the replies read, the message list, the status line and the address.
  struct Outcome {
    std::vector<std::string> wire;
    std::vector<std::string> replies;
    std::vector<std::string> memo;
    std::string status;
    std::string address;
    Prom_Image buffer{};
  };
  Outcome Click(const char* button) {
    app.trace.clear();
    app.form.Click(button);
    Outcome outcome;
    outcome.wire = app.Take_Wire();
    for (const std::string& line : app.trace)
      if (line.rfind("< ", 0) == 0) outcome.replies.push_back(line);
    outcome.memo = Get("Memo1").lines;
    outcome.status = Get("StaticText3").caption;
    outcome.address = Get("Address").caption;
    outcome.buffer = app.form.Prom_Buffer;
    return outcome;
  }

  Sim_App app;
  std::unique_ptr<sim::Sim_Part> part;
};

// Every operation once, on a part that gives each of them something to say:
// programmed from one image, then verified, blank-checked, moved and
// program-compared against others, one compare failing part-way.
std::vector<Windowed_App::Outcome> Every_Operation(const char* type, int window) {
  Windowed_App w(type, window);
  std::vector<Windowed_App::Outcome> outcomes;
  w.Fill_Random(5);
  outcomes.push_back(w.Click("Program_Eprom"));
  const Prom_Image programmed = w.app.form.Prom_Buffer;
  for (int32_t a = 3; a <= w.End(); a += 7) w.app.form.Prom_Buffer[std::size_t(a)] ^= 0x01;
  outcomes.push_back(w.Click("Verify_Eprom"));
  outcomes.push_back(w.Click("Blank_Chk"));
  w.app.form.Prom_Buffer.fill(0xA5);
  outcomes.push_back(w.Click("Move_Eprom"));
  outcomes.push_back(w.Click("Compare"));  // the part itself: it can be reprogrammed
  w.app.form.Prom_Buffer = programmed;
  auto failing = static_cast<std::size_t>(w.End() / 2 + 1);
  while (programmed[failing] == 0) ++failing;
  w.app.form.Prom_Buffer[failing] = 0x00;
  outcomes.push_back(w.Click("Compare"));
  return outcomes;
}

// What the wire carried and what the window showed at the end of each
// operation. The message list is left out: what each operation leaves in it
// has grown (summary lines, a list cleared at every start) since the digests
// were recorded; its per-address lines are compared between window sizes.
std::vector<std::string> Flattened(const std::vector<Windowed_App::Outcome>& outcomes) {
  std::vector<std::string> lines;
  for (const auto& o : outcomes) {
    lines.insert(lines.end(), o.wire.begin(), o.wire.end());
    lines.insert(lines.end(), o.replies.begin(), o.replies.end());
    lines.push_back(o.status);
    lines.push_back(o.address);
  }
  return lines;
}

const char* const One_Type_Per_Class[] = {"82S123", "74S188", "82S129",
                                          "74S571", "74S472", "82S147"};

// Every operation's trace, reply and finding at K = 1, as the one-location
// loop left them before there were windows.
TEST(Read_Window, One_Location_At_A_Time_Is_Byte_For_Byte_The_Loop_Of_Before) {
  const std::pair<const char*, uint64_t> expected[] = {
      {"82S123", 0x6420FEE9B88F05B1ull}, {"74S188", 0xD2A73BFDCA96E358ull},
      {"82S129", 0xA655A5BBF72CB800ull}, {"74S571", 0x4C3B81871B4F9218ull},
      {"74S472", 0x56F559DA11B0C014ull}, {"82S147", 0x91114EBE74CD58E1ull},
  };
  for (const auto& [type, digest] : expected) {
    const auto outcomes = Every_Operation(type, 1);
    EXPECT_EQ(Digest(Flattened(outcomes)), digest) << type;
    // The sequence gives every operation something to find.
    EXPECT_EQ(outcomes[0].status, "Device is Programmed....") << type;
    EXPECT_FALSE(outcomes[1].memo.empty()) << type;
    EXPECT_FALSE(outcomes[2].memo.empty()) << type;
    EXPECT_EQ(outcomes[4].status, "Device Can be Reprogrammed....") << type;
    EXPECT_EQ(outcomes[5].status, "Device CAN NOT be Reprogrammed....") << type;
  }
}

// The reads past a failing compare's location: the address and read
// packets of the locations after it, which the window had sent already.
bool Is_Over_Read(const std::vector<std::string>& packets) {
  if (packets.empty() || packets.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < packets.size(); i += 4) {
    if (packets[i].substr(0, 5) != "94 2F" || packets[i + 1].substr(0, 5) != "94 0F" ||
        packets[i + 2].substr(0, 5) != "94 3F" || packets[i + 3].substr(0, 2) != "22")
      return false;
  }
  return true;
}

TEST(Read_Window, Sixteen_At_A_Time_Stream_The_Same_Bytes_In_The_Same_Order) {
  for (const char* type : One_Type_Per_Class) {
    SCOPED_TRACE(type);
    const auto one = Every_Operation(type, 1);
    const auto sixteen = Every_Operation(type, 16);
    ASSERT_EQ(one.size(), sixteen.size());
    for (std::size_t op = 0; op < one.size(); ++op) {
      SCOPED_TRACE(op);
      EXPECT_EQ(sixteen[op].memo, one[op].memo);
      EXPECT_EQ(sixteen[op].status, one[op].status);
      EXPECT_EQ(sixteen[op].address, one[op].address);
      EXPECT_EQ(sixteen[op].buffer, one[op].buffer);
      if (op + 1 < one.size()) {
        EXPECT_EQ(sixteen[op].wire, one[op].wire);
        EXPECT_EQ(sixteen[op].replies, one[op].replies);
        continue;
      }
      // The failing compare: the same stream with the rest of its window
      // read before the closing idle sequence.
      const auto& a = one[op].wire;
      const auto& b = sixteen[op].wire;
      ASSERT_GT(b.size(), a.size());
      const std::size_t extra = b.size() - a.size();
      const std::size_t tail = Idle_Sequence.size();
      EXPECT_TRUE(std::equal(a.begin(), a.end() - tail, b.begin()));
      EXPECT_TRUE(std::equal(a.end() - tail, a.end(), b.end() - tail));
      EXPECT_TRUE(Is_Over_Read({b.end() - tail - extra, b.end() - tail}));
      EXPECT_LT(extra / 4, 16u);
    }
  }
}

TEST(Read_Window, A_1k_Read_Takes_One_Usb_Write_A_Window) {
  for (const int window : {1, 4, 16}) {
    Windowed_App w("82S181", window);
    const uint64_t before = w.app.simulator.Counters().usb_writes;
    w.Click("Move_Eprom");
    const uint64_t writes = w.app.simulator.Counters().usb_writes - before;
    // The two idle sequences and the read set-up go out alone.
    EXPECT_EQ(writes, 1024u / static_cast<unsigned>(window) + 3) << window;
  }
}

// Counts the reads on the wire of one click, and sees Stop_Count when the
// status line takes the operation's result.
struct Fault_Run {
  Fault_Run(const char* type, sim::Sim_Faults faults) : w(type, 16, faults) {
    w.app.form.window.Subscribe([this](const Control& control, Change change, std::size_t) {
      // The loop's own result; a "Stopped" text that replaces it comes after
      // the closing idle sequence has cleared Stop_Count.
      if (control.name == "StaticText3" && change == Change::Caption &&
          control.caption.rfind("Stopped:", 0) != 0)
        stop_at_result = w.app.form.link.Stop_Count;
    });
  }
  std::size_t Reads(const Windowed_App::Outcome& outcome) const {
    std::size_t reads = 0;
    for (const std::string& packet : outcome.wire) reads += packet.substr(0, 2) == "22" ? 1 : 0;
    return reads;
  }
  Windowed_App w;
  int32_t stop_at_result = -1;
};

TEST(Read_Window, A_Window_That_Falls_Short_Is_Read_Again_One_Location_At_A_Time) {
  struct Short_Case {
    const char* name;
    sim::Sim_Faults faults;
  };
  sim::Sim_Faults time_out;
  sim::Sim_Faults cut_short;
  Short_Case cases[] = {{"time-out", time_out}, {"short reply", cut_short}};
  for (Short_Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fault_Run run("82S147", c.faults);
    Windowed_App& w = run.w;
    w.Fill_Random(3);
    w.Click("Program_Eprom");
    const Prom_Image programmed = w.app.form.Prom_Buffer;
    // The 21st read of the move: the fifth of its second window.
    const int reply = static_cast<int>(w.app.simulator.Counters().replies) + 21;
    if (&c == &cases[0]) w.app.simulator.Faults().no_reply_to = reply;
    else w.app.simulator.Faults().short_reply_to = reply;
    w.app.form.Prom_Buffer.fill(0x77);
    const auto move = w.Click("Move_Eprom");
    EXPECT_TRUE(std::equal(programmed.begin(), programmed.begin() + 512, move.buffer.begin()));
    EXPECT_EQ(move.status, "Device Has Been Moved to Buffer....");
    EXPECT_EQ(move.memo, std::vector<std::string>{Read_Window_Off_Line});
    EXPECT_EQ(w.app.form.link.Read_Window, 1);
    EXPECT_EQ(w.app.form.link.Link_Faults, 0u);
    // Two windows, then the second window's sixteen again and the rest of
    // the part one location at a time.
    EXPECT_EQ(run.Reads(move), 32u + 512u - 16u);
    EXPECT_EQ(run.stop_at_result, 1);  // the short window ended no loop
    // The rest of the run stays at one location at a time, and says so once.
    w.app.form.Prom_Buffer = programmed;
    const auto verify = w.Click("Verify_Eprom");
    EXPECT_EQ(verify.status, "Device Verified to Buffer....");
    EXPECT_TRUE(verify.memo.empty());
    EXPECT_EQ(run.Reads(verify), 512u);
  }
}

TEST(Read_Window, A_Dead_Programmer_Ends_The_Operation_With_The_Failed_Wait) {
  Fault_Run run("82S129", sim::Sim_Faults{});
  Windowed_App& w = run.w;
  w.app.simulator.Faults().never_reply = true;
  const int64_t start = w.app.host.clock.Now_Us();
  const auto blank = w.Click("Blank_Chk");
  // The failed read is not judged: the version reply's byte 1 it leaves is
  // no finding.
  EXPECT_EQ(blank.memo, (std::vector<std::string>{Failed_Wait_Line, Read_Window_Off_Line}));
  EXPECT_EQ(blank.status, Stopped_No_Answer_Text);
  // One window, then its first location alone, which times out and ends it.
  EXPECT_EQ(run.Reads(blank), 17u);
  EXPECT_EQ(blank.address, "0000");
  EXPECT_EQ(w.app.form.link.Link_Faults, 1u);
  EXPECT_GE(w.app.host.clock.Now_Us() - start, 2'000'000);
  EXPECT_LT(w.app.host.clock.Now_Us() - start, 3'500'000);
}

TEST(Read_Window, A_Status_Line_Click_While_Replies_Are_Outstanding_Is_Refused) {
  Windowed_App w("82S181", 16);
  int clicks = 0;
  w.app.host.on_pump = [&] {
    if (!w.app.host.Timer1_Running() || clicks == 3) return;
    ++clicks;
    w.app.form.Click("StaticText3");
  };
  const auto move = w.Click("Move_Eprom");
  EXPECT_EQ(clicks, 3);
  for (const std::string& packet : move.wire) EXPECT_NE(packet.substr(0, 2), "56") << packet;
  EXPECT_EQ(move.status, "Device Has Been Moved to Buffer....");
}

}  // namespace
}  // namespace tarnik::testing
