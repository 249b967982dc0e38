#include "link/usb_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/test_host.h"

namespace tarnik::testing {
namespace {

// A driver that answers from fields the test sets and records what it got.
class Scripted_Driver final : public Ftd2xx {
 public:
  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override {
    last_flags = flags;
    if (flags == FT_LIST_NUMBER_ONLY) {
      *static_cast<uint32_t*>(arg1) = count;
      return status;
    }
    listed_index = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg1));
    std::memcpy(arg2, text.c_str(), text.size() + 1);
    return status;
  }
  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override {
    open_text = static_cast<const char*>(arg);
    open_first_byte = static_cast<const char*>(arg)[0];
    open_flags = flags;
    *handle = reinterpret_cast<FT_HANDLE>(uintptr_t{0x1234});
    return status;
  }
  FT_STATUS FT_SetTimeouts(FT_HANDLE, uint32_t, uint32_t) override { return status; }
  FT_STATUS FT_SetLatencyTimer(FT_HANDLE, uint8_t ms) override {
    latency = ms;
    return FT_OK;
  }
  FT_STATUS FT_GetQueueStatus(FT_HANDLE, uint32_t* rx) override {
    *rx = queued;
    return status;
  }
  FT_STATUS FT_Write(FT_HANDLE, const void*, uint32_t n, uint32_t* written) override {
    *written = n;  // also on failure: the wrapper must not pass it on
    return status;
  }
  FT_STATUS FT_Read(FT_HANDLE, void* buffer, uint32_t n, uint32_t* read) override {
    const uint32_t given = std::min<uint32_t>(n, 8);
    for (uint32_t i = 0; i < given; ++i) static_cast<uint8_t*>(buffer)[i] = uint8_t(0xA0 + i);
    *read = given;
    return status;
  }
  FT_STATUS FT_Close(FT_HANDLE) override { return status; }

  FT_STATUS status = FT_OK;
  uint32_t count = 1;
  uint32_t queued = 0;
  std::string text;
  std::string open_text;
  char open_first_byte = 'x';
  uint32_t open_flags = 0;
  uint32_t last_flags = 0;
  uint32_t listed_index = 99;
  uint8_t latency = 0;
};

struct Usb_Fixture {
  Scripted_Driver driver;
  Test_Host host;
  Usb_Access usb{driver, host};
};

TEST(Usb_Access, Status_Texts) {
  const std::pair<FT_STATUS, const char*> cases[] = {
      {1, "FT_Write - Invalid Handle..."},
      {2, "FT_Write - Device Not Found...."},
      {3, "FT_Write - Device Not Opened..."},
      {4, "FT_Write - General IO Error..."},
      {5, "FT_Write - Insufficient Resources..."},
      {6, "FT_Write - Invalid Parameter ..."},
      {18, "FT_Write - Driver Status 18..."},
  };
  for (const auto& [status, text] : cases)
    EXPECT_EQ(Usb_Access::Status_Text("FT_Write", status), text);
}

TEST(Usb_Access, Failing_Calls_Show_One_Centred_Error_Box_And_Return_The_Status) {
  Usb_Fixture f;
  f.driver.status = FT_INSUFFICIENT_RESOURCES;
  EXPECT_EQ(f.usb.Usb_Queue_Status(), FT_INSUFFICIENT_RESOURCES);
  ASSERT_EQ(f.host.boxes.size(), 1u);
  EXPECT_EQ(f.host.boxes[0].text, "FT_GetQueueStatus - Insufficient Resources...");
  EXPECT_EQ(f.host.boxes[0].icon, Box_Icon::Error);
  EXPECT_EQ(f.host.boxes[0].buttons, Box_Buttons::Ok);
  EXPECT_TRUE(f.host.boxes[0].position.centred);
  // A failed write never reports the requested count.
  const uint8_t packet[8] = {};
  EXPECT_NE(f.usb.Usb_Write(packet, 8, 8), 8u);
}

// A device that is gone is told once; no later call reaches the driver or
// shows a box, until a new open.
TEST(Usb_Access, A_Device_Gone_Gives_One_Box_And_Silences_The_Handle) {
  const FT_STATUS gone[] = {FT_IO_ERROR, FT_DEVICE_NOT_FOUND, FT_INVALID_HANDLE,
                            FT_DEVICE_NOT_OPENED};
  for (const FT_STATUS status : gone) {
    SCOPED_TRACE(status);
    Usb_Fixture f;
    ASSERT_EQ(f.usb.Open_USB_Device_By_Serial_Number(""), FT_OK);
    f.driver.status = status;
    const uint8_t packet[8] = {};
    EXPECT_EQ(f.usb.Usb_Write(packet, 8, 8), 0u);
    EXPECT_TRUE(f.usb.Device_Lost());
    EXPECT_EQ(f.usb.Lost_Status(), status);
    f.driver.queued = 8;
    EXPECT_EQ(f.usb.Usb_Queue_Status(), status);
    EXPECT_EQ(f.usb.Usb_Rx_Count, 0u);  // the driver was not asked
    EXPECT_EQ(f.usb.Usb_Read(8), 0u);
    EXPECT_EQ(f.usb.Usb_Write(packet, 8, 8), 0u);
    EXPECT_EQ(f.usb.Usb_Set_Timeouts(40, 0), status);
    f.usb.Usb_Close();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, Usb_Access::Lost_Text("FT_Write", status));
    EXPECT_EQ(f.host.boxes[0].icon, Box_Icon::Error);
    // A new open finds the device again.
    f.driver.status = FT_OK;
    ASSERT_EQ(f.usb.Open_USB_Device_By_Serial_Number(""), FT_OK);
    EXPECT_FALSE(f.usb.Device_Lost());
    EXPECT_EQ(f.usb.Usb_Write(packet, 8, 8), 8u);
  }
}

TEST(Usb_Access, No_Device_Counts_Zero_Without_A_Box) {
  Usb_Fixture f;
  f.driver.count = 0;
  f.usb.Usb_Device_Count = 7;
  EXPECT_EQ(f.usb.GetFTDeviceCount(), FT_OK);
  EXPECT_EQ(f.usb.Usb_Device_Count, 0u);
  EXPECT_EQ(f.driver.last_flags, FT_LIST_NUMBER_ONLY);
  EXPECT_TRUE(f.host.boxes.empty());
}

TEST(Usb_Access, Listed_Texts_Are_Cut_To_49_Characters) {
  Usb_Fixture f;
  f.driver.text = std::string(60, 'S');
  EXPECT_EQ(f.usb.GetFTDeviceSerialNo(0), FT_OK);
  EXPECT_EQ(f.usb.Usb_Device_String, std::string(49, 'S'));
  EXPECT_EQ(f.driver.last_flags, 0x40000001u);
  EXPECT_EQ(f.driver.listed_index, 0u);
  f.driver.text = "Short Description";
  EXPECT_EQ(f.usb.GetFTDeviceDescription(0), FT_OK);
  EXPECT_EQ(f.usb.Usb_Device_String, "Short Description");
  EXPECT_EQ(f.driver.last_flags, 0x40000002u);
}

TEST(Usb_Access, Open_Hands_The_Driver_The_Serial_Number_Cut_To_49) {
  Usb_Fixture f;
  EXPECT_EQ(f.usb.Open_USB_Device_By_Serial_Number(""), FT_OK);
  EXPECT_EQ(f.driver.open_first_byte, 0);
  EXPECT_EQ(f.driver.open_flags, FT_OPEN_BY_SERIAL_NUMBER);
  EXPECT_EQ(f.usb.Usb_Handle, reinterpret_cast<FT_HANDLE>(uintptr_t{0x1234}));
  EXPECT_EQ(f.driver.latency, Usb_Access::Latency_Ms);
  EXPECT_EQ(f.usb.Open_USB_Device_By_Serial_Number(std::string(60, 'N')), FT_OK);
  EXPECT_EQ(f.driver.open_text, std::string(49, 'N'));
}

TEST(Usb_Access, A_Read_Fills_The_Reply_Area_From_Its_Start) {
  Usb_Fixture f;
  f.usb.Reply_Packet[8] = 0x77;
  EXPECT_EQ(f.usb.Usb_Read(32768), 8u);
  EXPECT_EQ(f.usb.Reply_Packet[0], 0xA0);
  EXPECT_EQ(f.usb.Reply_Packet[7], 0xA7);
  EXPECT_EQ(f.usb.Reply_Packet[8], 0x77);
}

TEST(Usb_Access, Trace_Splits_Writes_Into_Packets) {
  Usb_Fixture f;
  std::vector<std::string> lines;
  f.usb.Set_Trace([&](std::string_view line) { lines.emplace_back(line); });
  const uint8_t two[16] = {0x94, 0x2F, 0x34, 0, 0, 0, 0, 0xF7, 0x22, 0x3F, 0xE5, 0, 0, 0, 0, 0x46};
  f.usb.Usb_Write(two, 16, 8);
  f.usb.Usb_Read(8);
  EXPECT_EQ(lines, (std::vector<std::string>{"> 94 2F 34 00 00 00 00 F7",
                                             "> 22 3F E5 00 00 00 00 46",
                                             "< A0 A1 A2 A3 A4 A5 A6 A7"}));
}

}  // namespace
}  // namespace tarnik::testing
