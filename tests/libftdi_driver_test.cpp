#include "usb/libftdi_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_programmer.h"

namespace tarnik::usb {
namespace {

// A transport that answers from a script: what arrives when, what fails how.
class Fake_Transport final : public Ftdi_Transport {
 public:
  explicit Fake_Transport(const Clock& clock) : clock_(clock) {}

  int Count_Devices() override { return count; }
  int Strings_Of(int index, Device_Strings& strings) override {
    if (index >= count) return -3;
    strings = {serial, description};
    return 0;
  }
  int Open(const char* serial_number) override {
    opened_with_null = serial_number == nullptr;
    return open_code;
  }
  int Reset_And_Flush() override { return 0; }
  int Set_Latency(uint8_t ms) override {
    latency = ms;
    return 0;
  }
  int Read(uint8_t* buffer, int size) override {
    ++reads;
    if (transfer_code < 0) return transfer_code;
    int given = 0;
    while (!arriving.empty() && arriving.front().first <= clock_.Now_Us() && given < size) {
      buffer[given++] = arriving.front().second;
      arriving.pop_front();
    }
    return given;
  }
  int Write(const uint8_t*, int size) override {
    return transfer_code < 0 ? transfer_code : std::min(size, write_limit);
  }
  void Close() override { closed = true; }
  [[nodiscard]] std::string Error_Text() const override { return "scripted"; }

  void Arrive(int64_t at_us, std::vector<uint8_t> bytes) {
    for (uint8_t b : bytes) arriving.emplace_back(at_us, b);
  }

  int count = 1;
  std::string serial = "FT123456";
  std::string description = "USB <-> Serial";
  int open_code = 0;
  int transfer_code = 0;
  int write_limit = 1 << 20;
  bool opened_with_null = false;
  bool closed = false;
  uint8_t latency = 0;
  int reads = 0;
  std::deque<std::pair<int64_t, uint8_t>> arriving;

 private:
  const Clock& clock_;
};

struct Driver_Fixture {
  Driver_Fixture() {
    auto owned = std::make_unique<Fake_Transport>(clock);
    transport = owned.get();
    driver = std::make_unique<Libftdi_Driver>(std::move(owned), clock);
  }
  FT_HANDLE Open() {
    char empty[1] = {0};
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(driver->FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
    EXPECT_EQ(driver->FT_SetTimeouts(handle, 40, 0), FT_OK);
    return handle;
  }
  Virtual_Clock clock;
  Fake_Transport* transport = nullptr;
  std::unique_ptr<Libftdi_Driver> driver;
};

TEST(Libftdi_Driver, Error_Mapping) {
  const std::pair<int, FT_STATUS> open_cases[] = {
      {0, FT_OK}, {-3, FT_DEVICE_NOT_FOUND}, {-4, FT_DEVICE_NOT_OPENED},
      {-5, FT_DEVICE_NOT_OPENED}, {-12, FT_IO_ERROR}, {-99, FT_OTHER_ERROR}};
  for (const auto& [code, status] : open_cases) EXPECT_EQ(Open_Status(code), status) << code;
  const std::pair<int, FT_STATUS> transfer_cases[] = {
      {-4, FT_DEVICE_NOT_FOUND}, {-3, FT_DEVICE_NOT_OPENED}, {-6, FT_DEVICE_NOT_OPENED},
      {-1, FT_IO_ERROR},         {-7, FT_IO_ERROR},          {-9, FT_IO_ERROR},
      {-2, FT_INVALID_PARAMETER}, {-11, FT_INSUFFICIENT_RESOURCES},
      {-666, FT_INVALID_HANDLE}, {-50, FT_OTHER_ERROR}};
  for (const auto& [code, status] : transfer_cases)
    EXPECT_EQ(Transfer_Status(code), status) << code;
}

TEST(Libftdi_Driver, Opens_The_Only_Device_With_A_Null_Serial_Number) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  EXPECT_TRUE(f.transport->opened_with_null);
  EXPECT_EQ(f.driver->FT_SetLatencyTimer(handle, 2), FT_OK);
  EXPECT_EQ(f.transport->latency, 2);
  FT_HANDLE again = nullptr;
  char empty[1] = {0};
  EXPECT_EQ(f.driver->FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &again), FT_DEVICE_NOT_OPENED);
}

TEST(Libftdi_Driver, Open_Failures_Map_To_Statuses) {
  const std::pair<int, FT_STATUS> cases[] = {{-3, FT_DEVICE_NOT_FOUND}, {-4, FT_DEVICE_NOT_OPENED},
                                             {-5, FT_DEVICE_NOT_OPENED}};
  for (const auto& [code, status] : cases) {
    Driver_Fixture f;
    f.transport->open_code = code;
    char empty[1] = {0};
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(f.driver->FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &handle), status);
    uint32_t queued = 0;
    EXPECT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), FT_INVALID_HANDLE);
  }
}

TEST(Libftdi_Driver, Reads_Take_Exact_Counts_And_Keep_The_Rest) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.transport->Arrive(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  uint32_t queued = 0;
  ASSERT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), FT_OK);
  EXPECT_EQ(queued, 12u);
  uint8_t buffer[32] = {};
  uint32_t read = 0;
  ASSERT_EQ(f.driver->FT_Read(handle, buffer, 8, &read), FT_OK);
  EXPECT_EQ(read, 8u);
  EXPECT_EQ(buffer[7], 8);
  ASSERT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), FT_OK);
  EXPECT_EQ(queued, 4u);
  EXPECT_EQ(f.clock.Now_Us(), 0);  // nothing had to be waited for
}

TEST(Libftdi_Driver, A_Read_Waits_For_Its_Count_Until_The_Time_Out) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.transport->Arrive(3000, {1, 2, 3});
  f.transport->Arrive(9000, {4, 5, 6, 7, 8});
  uint8_t buffer[32768] = {};
  uint32_t read = 0;
  ASSERT_EQ(f.driver->FT_Read(handle, buffer, 8, &read), FT_OK);
  EXPECT_EQ(read, 8u);
  EXPECT_GE(f.clock.Now_Us(), 9000);
  EXPECT_LT(f.clock.Now_Us(), 10000);
  // Nothing more comes: the read returns what it has after its 40 ms.
  f.transport->Arrive(f.clock.Now_Us(), {9});
  const int64_t start = f.clock.Now_Us();
  ASSERT_EQ(f.driver->FT_Read(handle, buffer, 32768, &read), FT_OK);
  EXPECT_EQ(read, 1u);
  EXPECT_GE(f.clock.Now_Us() - start, 40000);
  EXPECT_LT(f.clock.Now_Us() - start, 41000);
  // It polled in pauses, not in a spin.
  EXPECT_LT(f.transport->reads, 200);
}

TEST(Libftdi_Driver, Transfer_Failures_And_Short_Writes) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  const uint8_t packet[8] = {};
  uint32_t written = 0;
  f.transport->write_limit = 5;
  ASSERT_EQ(f.driver->FT_Write(handle, packet, 8, &written), FT_OK);
  EXPECT_EQ(written, 5u);
  f.transport->transfer_code = -4;  // unplugged
  EXPECT_EQ(f.driver->FT_Write(handle, packet, 8, &written), FT_DEVICE_NOT_FOUND);
  EXPECT_NE(written, 8u);
  uint32_t queued = 0;
  EXPECT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), FT_DEVICE_NOT_FOUND);
  f.transport->transfer_code = -1;
  EXPECT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), FT_IO_ERROR);
}

TEST(Libftdi_Driver, Listing_Counts_And_Cuts_Texts_To_The_Buffer) {
  Driver_Fixture f;
  f.transport->count = 2;
  f.transport->description = std::string(100, 'D');
  uint32_t count = 0;
  ASSERT_EQ(f.driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 2u);
  char text[FT_LIST_TEXT_MAX + 8];
  std::memset(text, 'x', sizeof text);
  ASSERT_EQ(f.driver->FT_ListDevices(reinterpret_cast<void*>(uintptr_t{1}), text,
                                     FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
            FT_OK);
  EXPECT_EQ(std::string(text), std::string(FT_LIST_TEXT_MAX - 1, 'D'));
  EXPECT_EQ(text[FT_LIST_TEXT_MAX], 'x');
  EXPECT_EQ(f.driver->FT_ListDevices(reinterpret_cast<void*>(uintptr_t{2}), text,
                                     FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_DEVICE_NOT_FOUND);
}

TEST(Libftdi_Driver, The_Real_Backend_Counts_No_Device_Here) {
  Virtual_Clock clock;
  const std::unique_ptr<Ftd2xx> driver = Make_Libftdi_Driver(clock);
  uint32_t count = 99;
  const FT_STATUS status = driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
  // No FTDI device is attached to a test machine; where the USB stack cannot
  // be reached at all the count fails as an I/O error instead.
  if (status == FT_OK) {
    EXPECT_EQ(count, 0u);
  } else {
    EXPECT_EQ(status, FT_IO_ERROR);
  }
}

// What the link relies on, for every backend: the simulated programmer and
// the libftdi backend over a transport that echoes like the programmer does.
class Echo_Transport final : public Ftdi_Transport {
 public:
  explicit Echo_Transport(const Clock& clock) : clock_(clock) {}
  int Count_Devices() override { return 1; }
  int Strings_Of(int index, Device_Strings& strings) override {
    if (index > 0) return -3;
    strings = {"ECHO1", "Echo"};
    return 0;
  }
  int Open(const char*) override { return 0; }
  int Reset_And_Flush() override { return 0; }
  int Set_Latency(uint8_t) override { return 0; }
  int Read(uint8_t* buffer, int size) override {
    int given = 0;
    while (!pending_.empty() && pending_.front().first <= clock_.Now_Us() && given < size) {
      buffer[given++] = pending_.front().second;
      pending_.pop_front();
    }
    return given;
  }
  int Write(const uint8_t* buffer, int size) override {
    for (int i = 0; i < size; ++i) pending_.emplace_back(clock_.Now_Us() + 2000, buffer[i]);
    return size;
  }
  void Close() override {}
  [[nodiscard]] std::string Error_Text() const override { return ""; }

 private:
  const Clock& clock_;
  std::deque<std::pair<int64_t, uint8_t>> pending_;
};

struct Backend_Under_Test {
  Virtual_Clock clock;
  std::unique_ptr<Ftd2xx> driver;
};

using Backend_Maker = void (*)(Backend_Under_Test&);

class Driver_Contract : public ::testing::TestWithParam<Backend_Maker> {};

TEST_P(Driver_Contract, Count_List_Open_Write_Queue_Read_Close) {
  Backend_Under_Test backend;
  GetParam()(backend);
  Ftd2xx& driver = *backend.driver;
  uint32_t count = 0;
  ASSERT_EQ(driver.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 1u);
  char text[FT_LIST_TEXT_MAX] = {};
  EXPECT_EQ(driver.FT_ListDevices(nullptr, text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
  EXPECT_GT(std::string(text).size(), 0u);
  char empty[1] = {0};
  FT_HANDLE handle = nullptr;
  ASSERT_EQ(driver.FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
  ASSERT_EQ(driver.FT_SetTimeouts(handle, 40, 0), FT_OK);
  ASSERT_EQ(driver.FT_SetLatencyTimer(handle, 2), FT_OK);
  const uint8_t query[8] = {0x56, 0, 0, 0, 0, 0, 0, 0x56};
  uint32_t written = 0;
  ASSERT_EQ(driver.FT_Write(handle, query, 8, &written), FT_OK);
  EXPECT_EQ(written, 8u);
  uint8_t reply[16] = {};
  uint32_t read = 0;
  ASSERT_EQ(driver.FT_Read(handle, reply, 8, &read), FT_OK);
  EXPECT_EQ(read, 8u);
  EXPECT_EQ(reply[0], 0x56);
  uint32_t queued = 99;
  ASSERT_EQ(driver.FT_GetQueueStatus(handle, &queued), FT_OK);
  EXPECT_EQ(queued, 0u);
  EXPECT_EQ(driver.FT_Close(handle), FT_OK);
  EXPECT_EQ(driver.FT_GetQueueStatus(handle, &queued), FT_INVALID_HANDLE);
  EXPECT_EQ(driver.FT_GetQueueStatus(nullptr, &queued), FT_INVALID_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(
    Backends, Driver_Contract,
    ::testing::Values(
        +[](Backend_Under_Test& b) { b.driver = std::make_unique<sim::Sim_Programmer>(b.clock); },
        +[](Backend_Under_Test& b) {
          b.driver = std::make_unique<Libftdi_Driver>(std::make_unique<Echo_Transport>(b.clock),
                                                      b.clock);
        }));

}  // namespace
}  // namespace tarnik::usb
