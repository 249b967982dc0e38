#include "sim/sim_programmer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnik::sim {
namespace {

struct Opened {
  explicit Opened(Sim_Faults faults = Sim_Faults{}) : sim(clock, faults) {
    char serial[1] = {0};
    EXPECT_EQ(sim.FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
    EXPECT_EQ(sim.FT_SetTimeouts(handle, 40, 0), FT_OK);
  }
  uint32_t Write(std::vector<uint8_t> bytes) {
    uint32_t written = 0;
    EXPECT_EQ(sim.FT_Write(handle, bytes.data(), uint32_t(bytes.size()), &written), FT_OK);
    return written;
  }
  uint32_t Queued() {
    uint32_t count = 0;
    EXPECT_EQ(sim.FT_GetQueueStatus(handle, &count), FT_OK);
    return count;
  }
  std::vector<uint8_t> Read(uint32_t count) {
    std::vector<uint8_t> bytes(count);
    uint32_t read = 0;
    EXPECT_EQ(sim.FT_Read(handle, bytes.data(), count, &read), FT_OK);
    bytes.resize(read);
    return bytes;
  }
  Virtual_Clock clock;
  Sim_Programmer sim;
  FT_HANDLE handle = nullptr;
};

const std::vector<uint8_t> Version_Query = {0x56, 0, 0, 0, 0, 0, 0, 0x56};
const std::vector<uint8_t> Write_2F_34 = {0x94, 0x2F, 0x34, 0, 0, 0, 0, 0xF7};

std::vector<uint8_t> Reads(std::size_t count) {
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i < count; ++i)
    bytes.insert(bytes.end(), {0x22, 0, 0, 0, 0, 0, 0, 0x22});
  return bytes;
}

TEST(Sim_Programmer, Short_Replies_Wait_For_The_Free_Running_Latency_Timer) {
  Opened o;
  o.Write(Version_Query);
  EXPECT_EQ(o.clock.Now_Us(), 1008);
  EXPECT_EQ(o.Queued(), 0u);
  // A look is a look at what has come: it costs only its own time.
  EXPECT_EQ(o.clock.Now_Us(), 1008 + Sim_Programmer::Poll_Cost_Us);
  // The timer fires every 16 ms counted from 0, not 16 ms after the write.
  o.clock.Sleep_Until_Us(15990);
  EXPECT_EQ(o.Queued(), 0u);
  o.clock.Sleep_Until_Us(16000);
  EXPECT_EQ(o.Queued(), 8u);
  EXPECT_EQ(o.Read(8), (std::vector<uint8_t>{0x56, 1, 7, 0, 0, 0, 0, 0x5E}));

  ASSERT_EQ(o.sim.FT_SetLatencyTimer(o.handle, 2), FT_OK);
  o.clock.Sleep_Until_Us(20500);
  o.Write(Version_Query);  // ends at 21508; the firmware is done 20 us later
  // A read waits for its count, not for its time-out: the tick at 22 ms.
  EXPECT_EQ(o.Read(8).size(), 8u);
  EXPECT_EQ(o.clock.Now_Us(), 22000);
  EXPECT_EQ(o.sim.Counters().read_timeouts, 0u);
}

TEST(Sim_Programmer, A_Full_Usb_Packet_Goes_At_Once) {
  Opened o;
  o.Write(Reads(8));  // 64 bytes of replies, the firmware 20 us a packet
  const int64_t written = o.clock.Now_Us();
  EXPECT_EQ(o.Queued(), 0u);
  o.clock.Sleep_Until_Us(written + 8 * Sim_Programmer::Default_Packet_Us);
  EXPECT_EQ(o.Queued(), Sim_Programmer::Usb_Packet_Data);
  o.clock.Sleep_Until_Us(16000);
  EXPECT_EQ(o.Queued(), 64u);
}

TEST(Sim_Programmer, Replies_Nobody_Reads_Fill_The_Chip_And_Stall_The_Firmware) {
  Opened o;
  o.sim.Set_Packet_Time_Us(50);
  o.Write(Reads(20));  // 160 bytes of replies for a 128-byte buffer
  // No look until just before the tick at 48 ms: no bulk read was in
  // flight, the chip kept its bytes and the firmware stopped at the
  // seventeenth reply.
  o.clock.Sleep_Until_Us(47'990);
  EXPECT_EQ(o.Queued(), 0u);
  // The look started a bulk read: two full packets went at once, the reply
  // that waited for room went in, and the tick took the buffer, while the
  // firmware, going on only now, had not yet made the last three replies.
  EXPECT_EQ(o.clock.Now_Us(), 48'000);
  EXPECT_EQ(o.Queued(), 136u);
  std::vector<uint8_t> bytes(160);
  uint32_t read = 0;
  ASSERT_EQ(o.sim.FT_Read(o.handle, bytes.data(), 160, &read), FT_OK);
  EXPECT_EQ(read, 160u);
  EXPECT_EQ(o.clock.Now_Us(), 64'000);  // they waited for the next tick
}

TEST(Sim_Programmer, A_Read_Ends_At_Its_Time_Out_With_What_Has_Come) {
  Opened o;
  o.Write(Version_Query);
  const int64_t start = o.clock.Now_Us();
  EXPECT_EQ(o.Read(32768).size(), 8u);  // arrives at 16 ms, the read waits out its 40 ms
  EXPECT_EQ(o.clock.Now_Us() - start, 40000);
  EXPECT_EQ(o.sim.Counters().read_timeouts, 1u);
}

TEST(Sim_Programmer, Frames_Packets_By_Content_Not_By_Write_Calls) {
  Opened o;
  std::vector<uint8_t> two = Write_2F_34;
  two.insert(two.end(), Version_Query.begin(), Version_Query.end());
  o.Write(two);
  EXPECT_EQ(o.sim.Register(0x2F), 0x34);
  o.Write({0x94, 0x3F, 0xE5});
  o.Write({0, 0, 0, 0, 0xB8});
  EXPECT_EQ(o.sim.Register(0x3F), 0xE5);
  EXPECT_EQ(o.sim.Counters().packets_out, 3u);
  EXPECT_EQ(o.sim.Counters().replies, 1u);
}

TEST(Sim_Programmer, A_Packet_With_A_Bad_Checksum_Is_Ignored_And_Counted) {
  Opened o;
  o.Write({0x94, 0x2F, 0x55, 0, 0, 0, 0, 0x00});
  o.Write(Write_2F_34);
  EXPECT_EQ(o.sim.Counters().bad_packets, 1u);
  EXPECT_EQ(o.sim.Register(0x2F), 0x34);
  EXPECT_EQ(o.sim.Counters().packets_out, 1u);
}

TEST(Sim_Programmer, Faults) {
  {
    Sim_Faults f;
    f.no_reply_to = 2;
    Opened o(f);
    o.Write(Version_Query);
    EXPECT_EQ(o.Read(8).size(), 8u);
    o.Write(Version_Query);
    EXPECT_EQ(o.Read(8).size(), 0u);
    o.Write(Version_Query);
    EXPECT_EQ(o.Read(8).size(), 8u);
  }
  {
    Sim_Faults f;
    f.unplug_after = 1;
    Opened o(f);
    o.Write(Write_2F_34);
    uint32_t count = 9;
    EXPECT_EQ(o.sim.FT_GetQueueStatus(o.handle, &count), FT_IO_ERROR);
    uint32_t written = 0;
    EXPECT_EQ(o.sim.FT_Write(o.handle, Write_2F_34.data(), 8, &written), FT_IO_ERROR);
    EXPECT_NE(written, 8u);
    EXPECT_EQ(o.sim.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    EXPECT_EQ(count, 0u);
  }
  {
    Sim_Faults f;
    f.bad_reply = true;
    Opened o(f);
    o.Write(Version_Query);
    EXPECT_EQ(o.Read(8)[6], 1);
  }
}

TEST(Sim_Programmer, Opens_Once_And_Checks_Its_Handle) {
  Virtual_Clock clock;
  Sim_Programmer sim(clock);
  FT_HANDLE handle = nullptr;
  char empty[1] = {0};
  char other[] = "SOMEONE ELSE";
  EXPECT_EQ(sim.FT_OpenEx(other, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND);
  ASSERT_EQ(sim.FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
  FT_HANDLE second = nullptr;
  EXPECT_EQ(sim.FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &second), FT_DEVICE_NOT_OPENED);
  uint32_t count = 0;
  EXPECT_EQ(sim.FT_GetQueueStatus(nullptr, &count), FT_INVALID_HANDLE);
  EXPECT_EQ(sim.FT_Close(handle), FT_OK);
  EXPECT_EQ(sim.FT_Close(handle), FT_INVALID_HANDLE);
}

// Writes of 0x10, 0x11, ... to register 0x2F, one packet each.
std::vector<uint8_t> Register_Writes(std::size_t count) {
  std::vector<uint8_t> bytes(count * 8, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const auto value = static_cast<uint8_t>(0x10 + i);
    bytes[i * 8] = 0x94;
    bytes[i * 8 + 1] = 0x2F;
    bytes[i * 8 + 2] = value;
    bytes[i * 8 + 7] = static_cast<uint8_t>(0xC3 + value);
  }
  return bytes;
}

// A cut anywhere in a write: the firmware gets the whole packets before the
// cut, the write reports what it took, and a lost device fails from then on.
TEST(Sim_Programmer, Faults_Cut_A_Write_Anywhere) {
  struct Case {
    const char* name;
    int short_write_keeps;  // < 0: no short write
    int unplug_after;
    FT_STATUS status;
    uint32_t written;
    uint64_t packets;
  };
  const Case cases[] = {
      {"short at 0", 0, 0, FT_OK, 0, 0},
      {"short at 8", 8, 0, FT_OK, 8, 1},
      {"short inside the third", 20, 0, FT_OK, 20, 2},
      {"short past the end takes all but one", 99, 0, FT_OK, 31, 3},
      {"unplug after the first", -1, 1, FT_IO_ERROR, 8, 1},
      {"unplug after the third", -1, 3, FT_IO_ERROR, 24, 3},
      {"unplug after the last fails next", -1, 4, FT_OK, 32, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sim_Faults f;
    if (c.short_write_keeps >= 0) {
      f.short_write_at = 1;
      f.short_write_keeps = c.short_write_keeps;
    }
    f.unplug_after = c.unplug_after;
    Opened o(f);
    const std::vector<uint8_t> four = Register_Writes(4);
    uint32_t written = 99;
    EXPECT_EQ(o.sim.FT_Write(o.handle, four.data(), 32, &written), c.status);
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(o.sim.Counters().packets_out, c.packets);
    if (c.packets > 0) {
      EXPECT_EQ(o.sim.Register(0x2F), 0x10 + c.packets - 1);
    }
    EXPECT_EQ(o.sim.Unplugged(), c.unplug_after > 0);
    // The next write: whole after a short one, refused once the device is gone.
    const FT_STATUS next = o.sim.FT_Write(o.handle, four.data(), 32, &written);
    EXPECT_EQ(next, c.unplug_after > 0 ? FT_IO_ERROR : FT_OK);
  }
}

TEST(Sim_Faults, Parsing) {
  const auto faults =
      Parse_Faults("no-reply=3,pieces,devices=2,short-write=4,unplug=9,bad-record=2,short-reply=5");
  ASSERT_TRUE(faults);
  EXPECT_EQ(faults->no_reply_to, 3);
  EXPECT_TRUE(faults->reply_in_pieces);
  EXPECT_EQ(faults->devices_attached, 2);
  EXPECT_EQ(faults->short_write_at, 4);
  EXPECT_EQ(faults->unplug_after, 9);
  EXPECT_EQ(faults->corrupt_record, 2);
  EXPECT_EQ(faults->short_reply_to, 5);
  EXPECT_EQ(faults->short_write_keeps, -1);
  const auto cut = Parse_Faults("short-write=7:0");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->short_write_at, 7);
  EXPECT_EQ(cut->short_write_keeps, 0);
  EXPECT_EQ(Parse_Faults("short-write=7:24")->short_write_keeps, 24);
  for (const char* bad : {"no-reply=", "no-reply=x", "loud", "unplug=0", "devices=-1", "pieces,",
                          "short-write=0:3", "short-write=2:", "short-write=2:x", "short-write=:3",
                          "short-write=2:-1"})
    EXPECT_FALSE(Parse_Faults(bad)) << bad;
}

}  // namespace
}  // namespace tarnik::sim
