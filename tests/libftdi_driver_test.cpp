#include "usb/libftdi_driver.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_programmer.h"

namespace tarnik::usb {
namespace {

void* Index_Arg(uintptr_t index) { return reinterpret_cast<void*>(index); }

// A transport that answers from a script: which devices are attached, what
// arrives from the chip when, and which call fails with which code and text.
class Fake_Transport final : public Ftdi_Transport {
 public:
  struct Device {
    int vendor = Ftdi_Vendor;
    int product = 0x6001;
    std::string serial;
    std::string description;
  };
  struct Scripted_Failure {
    int code = 0;
    std::string text;
  };
  struct Open_Request {
    int product = 0;
    bool description_null = false;
    bool serial_null = false;
    std::string serial;
  };

  explicit Fake_Transport(const Clock& clock) : clock_(clock) {}

  int Count_Devices(int vendor, int product) override {
    if (count_failure.code < 0) return Fail(count_failure);
    int found = 0;
    for (const Device& device : devices) found += Matches(device, vendor, product) ? 1 : 0;
    return found;
  }

  int Read_Device_Text(int vendor, int product, int index, Device_Text which,
                       std::string& text) override {
    if (strings_failure.code < 0) return Fail(strings_failure);
    int seen = 0;
    for (const Device& device : devices) {
      if (!Matches(device, vendor, product) || seen++ != index) continue;
      text = which == Device_Text::Serial_Number ? device.serial : device.description;
      return 0;
    }
    return Fail({No_Such_Device, "device not found"});
  }

  int Open(int vendor, int product, const char* description, const char* serial) override {
    opens.push_back(
        {product, description == nullptr, serial == nullptr, serial != nullptr ? serial : ""});
    if (open_failure.code < 0) return Fail(open_failure);
    for (const Device& device : devices) {
      if (!Matches(device, vendor, product)) continue;
      if (serial != nullptr && device.serial != serial) continue;
      if (description != nullptr && device.description != description) continue;
      calls.push_back("open " + std::to_string(product));
      open = true;
      return 0;
    }
    return Fail({-3, "device not found"});
  }

  int Close() override {
    calls.push_back("close");
    open = false;
    return close_code < 0 ? Fail({close_code, "usb_release failed"}) : 0;
  }
  int Reset_Bitmode() override {
    calls.push_back("bitmode reset");
    return bitmode_code < 0 ? Fail({bitmode_code, "unable to leave bitbang mode"}) : 0;
  }
  int Purge() override {
    calls.push_back("purge");
    return purge_code < 0 ? Fail({purge_code, "FTDI purge of RX buffer failed"}) : 0;
  }
  int Set_Latency(uint8_t ms) override {
    calls.push_back("latency " + std::to_string(ms));
    return latency_code < 0 ? Fail({latency_code, "unable to set latency timer"}) : 0;
  }
  void Set_Usb_Timeouts(int read_ms, int write_ms) override {
    calls.push_back("usb timeouts " + std::to_string(read_ms) + " " + std::to_string(write_ms));
  }

  int Start_Reading() override {
    calls.push_back("start reading");
    if (start_reading_code < 0) return Fail({start_reading_code, "LIBUSB_ERROR_NO_DEVICE"});
    reading = true;
    return 0;
  }
  void Stop_Reading() override {
    calls.push_back("stop reading");
    reading = false;
  }

  int Read(uint8_t* buffer, int size) override {
    ++reads;
    if (read_code < 0) return Fail({read_code, "usb bulk read failed"});
    int given = 0;
    while (!arriving.empty() && arriving.front().first <= clock_.Now_Us() && given < size) {
      buffer[given++] = arriving.front().second;
      arriving.pop_front();
    }
    return given;
  }

  int Write(const uint8_t* buffer, int size) override {
    if (write_code < 0) return Fail({write_code, "usb bulk write failed"});
    const int sent = std::min(size, write_limit);
    written.insert(written.end(), buffer, buffer + sent);
    if (on_write) on_write(std::vector<uint8_t>(buffer, buffer + sent));
    return sent;
  }

  [[nodiscard]] Ftdi_Failure Last_Failure() const override { return last_failure_; }

  void Arrive(int64_t at_us, const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) arriving.emplace_back(at_us, b);
  }

  std::vector<Device> devices = {{Ftdi_Vendor, 0x6001, "FT123456", "USB <-> Serial"}};
  Scripted_Failure count_failure;
  Scripted_Failure strings_failure;
  Scripted_Failure open_failure;
  int close_code = 0;
  int bitmode_code = 0;
  int purge_code = 0;
  int latency_code = 0;
  int read_code = 0;
  int write_code = 0;
  int write_limit = 1 << 20;
  int start_reading_code = 0;
  std::function<void(const std::vector<uint8_t>&)> on_write;

  bool open = false;
  bool reading = false;  // a bulk read is kept in flight
  int reads = 0;
  std::vector<Open_Request> opens;
  std::vector<std::string> calls;
  std::vector<uint8_t> written;
  std::deque<std::pair<int64_t, uint8_t>> arriving;

 private:
  static bool Matches(const Device& device, int vendor, int product) {
    return device.vendor == vendor && device.product == product;
  }
  int Fail(const Scripted_Failure& failure) {
    last_failure_ = Ftdi_Failure{failure.code, failure.text};
    return failure.code;
  }

  const Clock& clock_;
  Ftdi_Failure last_failure_;
};

struct Driver_Fixture {
  Driver_Fixture() {
    auto owned = std::make_unique<Fake_Transport>(clock);
    fake = owned.get();
    driver = std::make_unique<Libftdi_Driver>(std::move(owned), clock);
  }
  FT_STATUS Open_Serial(const char* serial, FT_HANDLE& handle) {
    std::vector<char> text(serial, serial + std::strlen(serial) + 1);
    return driver->FT_OpenEx(text.data(), FT_OPEN_BY_SERIAL_NUMBER, &handle);
  }
  FT_HANDLE Open() {
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(Open_Serial("", handle), FT_OK);
    EXPECT_EQ(driver->FT_SetTimeouts(handle, 40, 0), FT_OK);
    return handle;
  }
  std::vector<uint8_t> Read(FT_HANDLE handle, uint32_t count, FT_STATUS expected = FT_OK) {
    std::vector<uint8_t> buffer(count + 4, 0xEE);
    uint32_t read = 99;
    EXPECT_EQ(driver->FT_Read(handle, buffer.data(), count, &read), expected);
    EXPECT_LE(read, count);
    for (std::size_t i = read; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xEE) << i;
    buffer.resize(std::min<std::size_t>(read, count));
    return buffer;
  }
  uint32_t Queued(FT_HANDLE handle) {
    uint32_t queued = 99;
    EXPECT_EQ(driver->FT_GetQueueStatus(handle, &queued), FT_OK);
    return queued;
  }

  Virtual_Clock clock;
  Fake_Transport* fake = nullptr;
  std::unique_ptr<Libftdi_Driver> driver;
};

std::vector<uint8_t> Bytes_From(uint8_t first, std::size_t count) {
  std::vector<uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

// --- the error mapping -----------------------------------------------------

struct Mapping_Case {
  Ftdi_Call call;
  int code;
  const char* text;
  FT_STATUS status;
};

TEST(Libftdi_Errors, Each_Call_Code_And_Text_Has_Its_Status) {
  const Mapping_Case cases[] = {
      {Ftdi_Call::Open, 0, "", FT_OK},
      {Ftdi_Call::Open, -3, "device not found", FT_DEVICE_NOT_FOUND},
      {Ftdi_Call::Open, -3,
       "unable to set usb configuration. Make sure the default FTDI driver "
       "is not in use",
       FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Open, -4, "libusb_open() failed", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Open, -5,
       "unable to claim usb device. Make sure the default FTDI driver is "
       "not in use",
       FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Open, -6, "ftdi_usb_reset failed", FT_IO_ERROR},
      {Ftdi_Call::Open, -7, "set baudrate failed", FT_IO_ERROR},
      {Ftdi_Call::Open, -8, "inappropriate permissions on device!", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Open, -8, "unable to fetch product description", FT_IO_ERROR},
      {Ftdi_Call::Open, -9, "unable to fetch serial number", FT_IO_ERROR},
      {Ftdi_Call::Open, -11, "ftdi context invalid", FT_OTHER_ERROR},
      {Ftdi_Call::Open, -12, "libusb_get_device_list() failed", FT_OTHER_ERROR},
      {Ftdi_Call::Open, -12, "libusb_get_configuration () failed", FT_IO_ERROR},
      {Ftdi_Call::Open, -40, "something new", FT_OTHER_ERROR},
      {Ftdi_Call::Open, No_Usb_Bus, "libusb could not be started", FT_DEVICE_NOT_FOUND},
      {Ftdi_Call::Count, 3, "", FT_OK},
      {Ftdi_Call::Count, -3, "out of memory", FT_INSUFFICIENT_RESOURCES},
      {Ftdi_Call::Count, -5, "libusb_get_device_list() failed", FT_OTHER_ERROR},
      {Ftdi_Call::Count, -6, "libusb_get_device_descriptor() failed", FT_IO_ERROR},
      {Ftdi_Call::Strings, -1, "wrong arguments", FT_INVALID_PARAMETER},
      {Ftdi_Call::Strings, -4, "libusb_open() failed", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Strings, -9, "libusb_get_string_descriptor_ascii() failed", FT_IO_ERROR},
      {Ftdi_Call::Strings, No_Such_Device, "device not found", FT_DEVICE_NOT_FOUND},
      {Ftdi_Call::Read, 12, "", FT_OK},
      {Ftdi_Call::Read, LIBUSB_ERROR_NO_DEVICE, "usb bulk read failed", FT_DEVICE_NOT_FOUND},
      {Ftdi_Call::Read, LIBUSB_ERROR_IO, "usb bulk read failed", FT_IO_ERROR},
      {Ftdi_Call::Read, LIBUSB_ERROR_PIPE, "usb bulk read failed", FT_IO_ERROR},
      {Ftdi_Call::Read, LIBUSB_ERROR_OVERFLOW, "usb bulk read failed", FT_IO_ERROR},
      {Ftdi_Call::Read, LIBUSB_ERROR_TIMEOUT, "usb bulk read failed", FT_OK},
      {Ftdi_Call::Read, -666, "USB device unavailable", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Write, LIBUSB_ERROR_TIMEOUT, "usb bulk write failed", FT_IO_ERROR},
      {Ftdi_Call::Write, LIBUSB_ERROR_NO_DEVICE, "usb bulk write failed", FT_DEVICE_NOT_FOUND},
      {Ftdi_Call::Write, LIBUSB_ERROR_ACCESS, "usb bulk write failed", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Write, LIBUSB_ERROR_BUSY, "usb bulk write failed", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Write, -666, "USB device unavailable", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Latency, -1, "latency out of range. Only valid for 1-255", FT_INVALID_PARAMETER},
      {Ftdi_Call::Latency, -2, "unable to set latency timer", FT_IO_ERROR},
      {Ftdi_Call::Latency, -3, "USB device unavailable", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Bitmode, -1, "unable to configure bitbang mode", FT_IO_ERROR},
      {Ftdi_Call::Bitmode, -2, "USB device unavailable", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Purge, -2, "FTDI purge of TX buffer failed", FT_IO_ERROR},
      {Ftdi_Call::Purge, -3, "USB device unavailable", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Close, -1, "usb_release failed", FT_IO_ERROR},
      // Codes no table names: the text decides, else "other".
      {Ftdi_Call::Latency, -30, "Unable to claim the device", FT_DEVICE_NOT_OPENED},
      {Ftdi_Call::Bitmode, -30, "device not found", FT_DEVICE_NOT_FOUND},
      {Ftdi_Call::Purge, -30, "", FT_OTHER_ERROR},
  };
  for (const Mapping_Case& c : cases) {
    EXPECT_EQ(Map_Ftdi_Error(c.call, c.code, c.text), c.status)
        << "call " << static_cast<int>(c.call) << " code " << c.code << " " << c.text;
  }
}

TEST(Libftdi_Errors, Every_Libusb_Code_Of_A_Transfer) {
  const std::pair<int, FT_STATUS> cases[] = {
      {LIBUSB_SUCCESS, FT_OK},
      {LIBUSB_ERROR_IO, FT_IO_ERROR},
      {LIBUSB_ERROR_INVALID_PARAM, FT_INVALID_PARAMETER},
      {LIBUSB_ERROR_ACCESS, FT_DEVICE_NOT_OPENED},
      {LIBUSB_ERROR_NO_DEVICE, FT_DEVICE_NOT_FOUND},
      {LIBUSB_ERROR_NOT_FOUND, FT_DEVICE_NOT_FOUND},
      {LIBUSB_ERROR_BUSY, FT_DEVICE_NOT_OPENED},
      {LIBUSB_ERROR_TIMEOUT, FT_IO_ERROR},
      {LIBUSB_ERROR_OVERFLOW, FT_IO_ERROR},
      {LIBUSB_ERROR_PIPE, FT_IO_ERROR},
      {LIBUSB_ERROR_INTERRUPTED, FT_IO_ERROR},
      {LIBUSB_ERROR_NO_MEM, FT_INSUFFICIENT_RESOURCES},
      {LIBUSB_ERROR_NOT_SUPPORTED, FT_OTHER_ERROR},
      {LIBUSB_ERROR_OTHER, FT_OTHER_ERROR},
  };
  for (const auto& [code, status] : cases) {
    EXPECT_EQ(Map_Libusb_Error(code), status) << code;
    if (code != LIBUSB_ERROR_TIMEOUT) {
      EXPECT_EQ(Map_Ftdi_Error(Ftdi_Call::Write, code, "usb bulk write failed"), status) << code;
    }
  }
}

// --- opening -----------------------------------------------------------------

TEST(Libftdi_Driver, An_Empty_Serial_Number_Opens_With_Null_And_Prepares_The_Chip) {
  Driver_Fixture f;
  FT_HANDLE handle = nullptr;
  ASSERT_EQ(f.Open_Serial("", handle), FT_OK);
  EXPECT_NE(handle, nullptr);
  ASSERT_EQ(f.fake->opens.size(), 1u);
  EXPECT_EQ(f.fake->opens[0].product, 0x6001);
  EXPECT_TRUE(f.fake->opens[0].serial_null);
  EXPECT_TRUE(f.fake->opens[0].description_null);
  EXPECT_EQ(f.driver->FT_SetLatencyTimer(handle, 2), FT_OK);
  EXPECT_EQ(f.fake->calls,
            (std::vector<std::string>{"open 24577", "bitmode reset", "purge", "start reading",
                                      "usb timeouts 116 0", "latency 2", "usb timeouts 102 0"}));
}

TEST(Libftdi_Driver, A_Serial_Number_Is_Handed_On_And_Every_Product_Is_Tried) {
  Driver_Fixture f;
  f.fake->devices = {{Ftdi_Vendor, 0x6014, "A9X2", "FT232H"}};
  FT_HANDLE handle = nullptr;
  ASSERT_EQ(f.Open_Serial("A9X2", handle), FT_OK);
  std::vector<int> products;
  for (const auto& request : f.fake->opens) {
    products.push_back(request.product);
    EXPECT_FALSE(request.serial_null);
    EXPECT_EQ(request.serial, "A9X2");
  }
  EXPECT_EQ(products, (std::vector<int>{0x6001, 0x6010, 0x6011, 0x6014}));
}

TEST(Libftdi_Driver, A_Device_Found_By_Description) {
  Driver_Fixture f;
  f.fake->devices = {{Ftdi_Vendor, 0x6010, "B1", "Dual RS232"}};
  char description[] = "Dual RS232";
  FT_HANDLE handle = nullptr;
  ASSERT_EQ(f.driver->FT_OpenEx(description, FT_OPEN_BY_DESCRIPTION, &handle), FT_OK);
  EXPECT_TRUE(f.fake->opens.back().serial_null);
  EXPECT_FALSE(f.fake->opens.back().description_null);
}

TEST(Libftdi_Driver, Open_Failures_Map_To_Statuses_And_Leave_The_Handle) {
  struct Case {
    int code;
    const char* text;
    FT_STATUS status;
    std::size_t products_tried;
  };
  const Case cases[] = {
      {-3, "device not found", FT_DEVICE_NOT_FOUND, 5},
      {-4, "libusb_open() failed", FT_DEVICE_NOT_OPENED, 1},
      {-5, "unable to claim usb device. Make sure the default FTDI driver is not in use",
       FT_DEVICE_NOT_OPENED, 1},
      {-7, "set baudrate failed", FT_IO_ERROR, 1},
      {No_Usb_Bus, "libusb could not be started", FT_DEVICE_NOT_FOUND, 5},
  };
  for (const Case& c : cases) {
    Driver_Fixture f;
    f.fake->open_failure = {c.code, c.text};
    FT_HANDLE handle = Index_Arg(0x1234);
    EXPECT_EQ(f.Open_Serial("", handle), c.status) << c.text;
    EXPECT_EQ(handle, Index_Arg(0x1234)) << c.text;
    EXPECT_EQ(f.fake->opens.size(), c.products_tried) << c.text;
    uint32_t queued = 0;
    EXPECT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), FT_INVALID_HANDLE);
  }
}

TEST(Libftdi_Driver, No_Device_With_That_Serial_Number_Is_Not_Found) {
  Driver_Fixture f;
  FT_HANDLE handle = nullptr;
  EXPECT_EQ(f.Open_Serial("NOPE", handle), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(f.fake->opens.size(), std::size(Ftdi_Products));
  EXPECT_EQ(handle, nullptr);
}

// A refused bit-mode reset (a stalled request) leaves the chip in its
// power-up mode and the opening goes on; a chip gone away or a failed purge
// ends it, closed again.
TEST(Libftdi_Driver, A_Refused_Bitmode_Reset_Goes_On_And_Other_Failures_Close_Again) {
  struct Case {
    int bitmode_code;
    int purge_code;
    FT_STATUS status;
  };
  const Case cases[] = {
      {-1, 0, FT_OK},
      {-2, 0, FT_DEVICE_NOT_OPENED},
      {0, -1, FT_IO_ERROR},
      {-1, -1, FT_IO_ERROR},
  };
  for (const Case& c : cases) {
    Driver_Fixture f;
    f.fake->bitmode_code = c.bitmode_code;
    f.fake->purge_code = c.purge_code;
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(f.Open_Serial("", handle), c.status) << c.bitmode_code << ' ' << c.purge_code;
    EXPECT_EQ(f.fake->open, c.status == FT_OK);
    EXPECT_EQ(handle != nullptr, c.status == FT_OK);
    const bool purged = std::find(f.fake->calls.begin(), f.fake->calls.end(), "purge") !=
                        f.fake->calls.end();
    EXPECT_EQ(purged, c.bitmode_code != -2);
    if (c.status != FT_OK) {
      f.fake->purge_code = f.fake->bitmode_code = 0;
      EXPECT_EQ(f.Open_Serial("", handle), FT_OK);
    }
  }
}

TEST(Libftdi_Driver, The_One_Device_Is_Not_Opened_Twice) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  FT_HANDLE again = nullptr;
  EXPECT_EQ(f.Open_Serial("", again), FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(f.driver->FT_Close(handle), FT_OK);
  EXPECT_EQ(f.Open_Serial("", again), FT_OK);
}

TEST(Libftdi_Driver, Unknown_Handles_Are_Invalid) {
  Driver_Fixture f;
  uint8_t bytes[8] = {};
  uint32_t count = 0;
  const FT_HANDLE bogus = Index_Arg(0xBAD0);
  const auto expect_invalid = [&](FT_HANDLE handle) {
    EXPECT_EQ(f.driver->FT_SetTimeouts(handle, 40, 0), FT_INVALID_HANDLE);
    EXPECT_EQ(f.driver->FT_SetLatencyTimer(handle, 2), FT_INVALID_HANDLE);
    EXPECT_EQ(f.driver->FT_GetQueueStatus(handle, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(f.driver->FT_Write(handle, bytes, 8, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(f.driver->FT_Read(handle, bytes, 8, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(f.driver->FT_Close(handle), FT_INVALID_HANDLE);
  };
  expect_invalid(nullptr);
  expect_invalid(bogus);
  const FT_HANDLE handle = f.Open();
  expect_invalid(bogus);
  EXPECT_EQ(f.driver->FT_Close(handle), FT_OK);
  expect_invalid(handle);
  EXPECT_TRUE(f.fake->written.empty());
}

TEST(Libftdi_Driver, Bad_Arguments_Are_Invalid_Parameters) {
  Driver_Fixture f;
  char empty[1] = {0};
  FT_HANDLE handle = nullptr;
  EXPECT_EQ(f.driver->FT_OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_OpenEx(empty, 4, &handle), FT_INVALID_PARAMETER);
  char text[FT_LIST_TEXT_MAX] = {};
  EXPECT_EQ(f.driver->FT_ListDevices(nullptr, nullptr, FT_LIST_NUMBER_ONLY), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_ListDevices(Index_Arg(0), nullptr, FT_LIST_BY_INDEX | 1),
            FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_ListDevices(Index_Arg(0), text, FT_OPEN_BY_SERIAL_NUMBER),
            FT_INVALID_PARAMETER);
  EXPECT_TRUE(f.fake->opens.empty());
  handle = f.Open();
  uint8_t bytes[8] = {};
  uint32_t count = 0;
  EXPECT_EQ(f.driver->FT_SetLatencyTimer(handle, 0), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_GetQueueStatus(handle, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_Read(handle, nullptr, 8, &count), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_Read(handle, bytes, 8, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_Write(handle, nullptr, 8, &count), FT_INVALID_PARAMETER);
  EXPECT_EQ(f.driver->FT_Write(handle, bytes, 8, nullptr), FT_INVALID_PARAMETER);
  EXPECT_TRUE(f.fake->written.empty());
}

TEST(Libftdi_Driver, Time_Outs_And_Latency_Set_The_Usb_Transfer_Limits) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();  // 40 ms read, write 0: libftdi's default
  EXPECT_EQ(f.fake->calls.back(), "usb timeouts 116 0");
  ASSERT_EQ(f.driver->FT_SetLatencyTimer(handle, 2), FT_OK);
  EXPECT_EQ(f.fake->calls.back(), "usb timeouts 102 0");
  ASSERT_EQ(f.driver->FT_SetTimeouts(handle, 500, 250), FT_OK);
  EXPECT_EQ(f.fake->calls.back(), "usb timeouts 500 250");
  f.fake->latency_code = -2;
  EXPECT_EQ(f.driver->FT_SetLatencyTimer(handle, 200), FT_IO_ERROR);
  EXPECT_EQ(f.fake->calls.back(), "latency 200");
  f.fake->latency_code = -3;
  EXPECT_EQ(f.driver->FT_SetLatencyTimer(handle, 200), FT_DEVICE_NOT_OPENED);
}

// --- writing -------------------------------------------------------------------

TEST(Libftdi_Driver, Writes_Report_The_Count_Sent) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  const std::vector<uint8_t> packet = {0x94, 0x2F, 0x34, 0, 0, 0, 0, 0xF7};
  uint32_t written = 0;
  ASSERT_EQ(f.driver->FT_Write(handle, packet.data(), 8, &written), FT_OK);
  EXPECT_EQ(written, 8u);
  EXPECT_EQ(f.fake->written, packet);
  f.fake->write_limit = 5;
  ASSERT_EQ(f.driver->FT_Write(handle, packet.data(), 8, &written), FT_OK);
  EXPECT_EQ(written, 5u);
}

TEST(Libftdi_Driver, Failed_Writes_Report_A_Different_Count) {
  const std::pair<int, FT_STATUS> cases[] = {{LIBUSB_ERROR_NO_DEVICE, FT_DEVICE_NOT_FOUND},
                                             {LIBUSB_ERROR_IO, FT_IO_ERROR},
                                             {LIBUSB_ERROR_TIMEOUT, FT_IO_ERROR},
                                             {-666, FT_DEVICE_NOT_OPENED}};
  for (const auto& [code, status] : cases) {
    Driver_Fixture f;
    const FT_HANDLE handle = f.Open();
    f.fake->write_code = code;
    const uint8_t packet[8] = {};
    uint32_t written = 8;
    EXPECT_EQ(f.driver->FT_Write(handle, packet, 8, &written), status) << code;
    EXPECT_NE(written, 8u) << code;
  }
}

// --- reading through the host-side buffer -------------------------------------

TEST(Libftdi_Read, Takes_Exactly_The_Count_And_Keeps_The_Rest) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.fake->Arrive(0, Bytes_From(1, 12));
  EXPECT_EQ(f.Queued(handle), 12u);
  EXPECT_EQ(f.Read(handle, 8), Bytes_From(1, 8));
  EXPECT_EQ(f.Queued(handle), 4u);
  EXPECT_EQ(f.Read(handle, 4), Bytes_From(9, 4));
  EXPECT_EQ(f.Queued(handle), 0u);
  EXPECT_EQ(f.clock.Now_Us(), 0);  // nothing had to be waited for
}

TEST(Libftdi_Read, A_Bulk_Read_In_Flight_Makes_The_Queue_Status_A_Look) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  ASSERT_TRUE(f.fake->reading);
  f.fake->Arrive(1500, Bytes_From(1, 8));
  const int reads = f.fake->reads;
  // One look at what has come, and no time spent waiting for the chip.
  EXPECT_EQ(f.Queued(handle), 0u);
  EXPECT_EQ(f.fake->reads, reads + 1);
  EXPECT_EQ(f.clock.Now_Us(), 0);
  f.clock.Sleep_Until_Us(1500);
  EXPECT_EQ(f.Queued(handle), 8u);
  EXPECT_EQ(f.clock.Now_Us(), 1500);
  // The read in flight is cancelled before the device is let go.
  EXPECT_EQ(f.driver->FT_Close(handle), FT_OK);
  EXPECT_FALSE(f.fake->reading);
  ASSERT_GE(f.fake->calls.size(), 2u);
  EXPECT_EQ(f.fake->calls[f.fake->calls.size() - 2], "stop reading");
  EXPECT_EQ(f.fake->calls.back(), "close");
}

TEST(Libftdi_Read, A_Read_That_Cannot_Stay_In_Flight_Fails_The_Open) {
  Driver_Fixture f;
  f.fake->start_reading_code = LIBUSB_ERROR_NO_DEVICE;
  FT_HANDLE handle = nullptr;
  EXPECT_EQ(f.Open_Serial("", handle), FT_DEVICE_NOT_FOUND);
  EXPECT_FALSE(f.fake->open);
  EXPECT_EQ(f.fake->calls.back(), "close");
  // Nothing is held: a second try opens the device.
  f.fake->start_reading_code = 0;
  EXPECT_EQ(f.Open_Serial("", handle), FT_OK);
}

TEST(Libftdi_Read, More_Than_Asked_Stays_For_The_Next_Read) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.fake->Arrive(0, Bytes_From(0x40, 20));  // one transfer brings all 20
  EXPECT_EQ(f.Read(handle, 3), Bytes_From(0x40, 3));
  EXPECT_EQ(f.Queued(handle), 17u);
  EXPECT_EQ(f.Read(handle, 17), Bytes_From(0x43, 17));
}

TEST(Libftdi_Read, Waits_For_Late_Pieces_Until_The_Count_Has_Come) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.fake->Arrive(3000, {1, 2, 3});
  f.fake->Arrive(9000, {4, 5, 6, 7, 8});
  EXPECT_EQ(f.Read(handle, 8), Bytes_From(1, 8));
  EXPECT_GE(f.clock.Now_Us(), 9000);
  EXPECT_LE(f.clock.Now_Us(), 9000 + Libftdi_Driver::Poll_Pause_Us);
}

TEST(Libftdi_Read, A_Short_Reply_Returns_What_Came_At_The_Deadline) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.fake->Arrive(3000, Bytes_From(0x10, 8));
  EXPECT_EQ(f.Read(handle, 32768), Bytes_From(0x10, 8));
  EXPECT_EQ(f.clock.Now_Us(), 40000);
  // It polled in pauses, not in a spin, and kept polling until the end.
  EXPECT_LE(f.fake->reads, 40000 / Libftdi_Driver::Poll_Pause_Us + 2);
  EXPECT_GE(f.fake->reads, 40000 / Libftdi_Driver::Poll_Pause_Us);
}

TEST(Libftdi_Read, Nothing_Coming_Returns_Nothing_After_The_Time_Out) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.clock.Sleep_Until_Us(1'000'000);
  EXPECT_TRUE(f.Read(handle, 8).empty());
  EXPECT_EQ(f.clock.Now_Us(), 1'040'000);
  EXPECT_EQ(f.Queued(handle), 0u);
}

TEST(Libftdi_Read, A_Read_Without_A_Time_Out_Still_Ends) {
  Driver_Fixture f;
  FT_HANDLE handle = nullptr;
  ASSERT_EQ(f.Open_Serial("", handle), FT_OK);
  EXPECT_TRUE(f.Read(handle, 8).empty());
  EXPECT_EQ(f.clock.Now_Us(), Libftdi_Driver::Untimed_Read_Limit_Us);
}

TEST(Libftdi_Read, A_Transfer_That_Timed_Out_Brought_No_Data) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.fake->read_code = LIBUSB_ERROR_TIMEOUT;
  EXPECT_EQ(f.Queued(handle), 0u);
  EXPECT_TRUE(f.Read(handle, 8).empty());
  EXPECT_EQ(f.clock.Now_Us(), 40000);
}

TEST(Libftdi_Read, Unplugged_Or_Failing_Chip_Reports_Its_Status) {
  const std::pair<int, FT_STATUS> cases[] = {{LIBUSB_ERROR_NO_DEVICE, FT_DEVICE_NOT_FOUND},
                                             {LIBUSB_ERROR_IO, FT_IO_ERROR},
                                             {LIBUSB_ERROR_PIPE, FT_IO_ERROR}};
  for (const auto& [code, status] : cases) {
    Driver_Fixture f;
    const FT_HANDLE handle = f.Open();
    f.fake->Arrive(0, {7, 8, 9, 10});
    EXPECT_EQ(f.Queued(handle), 4u);
    f.fake->read_code = code;
    uint32_t queued = 99;
    EXPECT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), status) << code;
    // The bytes already held are handed over with the failure.
    EXPECT_EQ(f.Read(handle, 8, status), (std::vector<uint8_t>{7, 8, 9, 10})) << code;
    EXPECT_EQ(f.clock.Now_Us(), 0) << code;
  }
}

TEST(Libftdi_Read, The_Host_Buffer_Does_Not_Grow_Without_Bound) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.fake->Arrive(0, std::vector<uint8_t>(Libftdi_Driver::Receive_Capacity + 100, 0x5A));
  uint32_t queued = 0;
  for (int i = 0; i < 40; ++i) ASSERT_EQ(f.driver->FT_GetQueueStatus(handle, &queued), FT_OK);
  EXPECT_EQ(queued, Libftdi_Driver::Receive_Capacity);
  EXPECT_EQ(f.fake->arriving.size(), 100u);
  EXPECT_EQ(f.Read(handle, 32768).size(), 32768u);
  EXPECT_EQ(f.Queued(handle), Libftdi_Driver::Receive_Capacity - 32768 + 100);
}

TEST(Libftdi_Read, Closing_Drops_What_Was_Held) {
  Driver_Fixture f;
  FT_HANDLE handle = f.Open();
  f.fake->Arrive(0, {1, 2, 3});
  EXPECT_EQ(f.Queued(handle), 3u);
  ASSERT_EQ(f.driver->FT_Close(handle), FT_OK);
  handle = f.Open();
  EXPECT_EQ(f.Queued(handle), 0u);
}

// --- the chip's USB packets ----------------------------------------------------

// The data of a transfer, with the two status bytes that start every 64-byte
// packet dropped, however the transfer ends: a real chip's idle ticks bring
// status bytes alone, an emulated one's nothing at all.
TEST(Libftdi_Packets, Drop_The_Status_Bytes_Of_Every_Packet_And_Nothing_Else) {
  struct Case {
    const char* name;
    std::vector<int> packet_lengths;  // the USB packets of one transfer, status bytes included
  };
  const Case cases[] = {
      {"nothing came", {}},
      {"status bytes alone", {2}},
      {"one short packet", {10}},
      {"a byte after the status bytes", {3}},
      {"one full packet", {64}},
      {"a full packet and a short one", {64, 10}},
      {"three full packets", {64, 64, 64}},
      {"two full packets and status bytes alone", {64, 64, 2}},
      {"a 128-byte window of replies", {64, 64, 6}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> transfer;
    std::deque<uint8_t> expected;
    uint8_t next = 0;
    for (const int length : c.packet_lengths) {
      transfer.push_back(0x01);  // modem status
      transfer.push_back(0x60);  // line status
      for (int i = 2; i < length; ++i) {
        transfer.push_back(next);
        expected.push_back(next++);
      }
    }
    std::deque<uint8_t> out = {0xAA};  // what came earlier stays in front
    Append_Packet_Data(transfer.data(), static_cast<int>(transfer.size()), 64, out);
    ASSERT_FALSE(out.empty()) << c.name;
    EXPECT_EQ(out.front(), 0xAA) << c.name;
    out.pop_front();
    EXPECT_EQ(out, expected) << c.name;
  }
}

// --- counting and listing ------------------------------------------------------

TEST(Libftdi_Listing, Counts_Every_Ftdi_Product_And_Nothing_Else) {
  Driver_Fixture f;
  f.fake->devices = {{Ftdi_Vendor, 0x6001, "A", "a"}, {Ftdi_Vendor, 0x6010, "B", "b"},
                     {Ftdi_Vendor, 0x6016, "X", "x"}, {0x1234, 0x6001, "Y", "y"},
                     {Ftdi_Vendor, 0x6015, "C", "c"}, {Ftdi_Vendor, 0x6015, "D", "d"},
                     {Ftdi_Vendor, 0x6011, "E", "e"}, {Ftdi_Vendor, 0x6014, "F", "f"}};
  uint32_t count = 99;
  ASSERT_EQ(f.driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 6u);
  f.fake->devices.clear();
  ASSERT_EQ(f.driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 0u);
}

TEST(Libftdi_Listing, Lists_By_Index_In_Product_Order) {
  Driver_Fixture f;
  f.fake->devices = {{Ftdi_Vendor, 0x6015, "C", "third"},
                     {Ftdi_Vendor, 0x6001, "A", "first"},
                     {Ftdi_Vendor, 0x6015, "D", "fourth"},
                     {Ftdi_Vendor, 0x6010, "B", "second"}};
  const char* const serials[] = {"A", "B", "C", "D"};
  const char* const descriptions[] = {"first", "second", "third", "fourth"};
  char text[FT_LIST_TEXT_MAX];
  for (uintptr_t i = 0; i < 4; ++i) {
    ASSERT_EQ(
        f.driver->FT_ListDevices(Index_Arg(i), text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
        FT_OK);
    EXPECT_STREQ(text, serials[i]);
    ASSERT_EQ(
        f.driver->FT_ListDevices(Index_Arg(i), text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
        FT_OK);
    EXPECT_STREQ(text, descriptions[i]);
  }
  std::strcpy(text, "kept");
  EXPECT_EQ(
      f.driver->FT_ListDevices(Index_Arg(4), text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
      FT_DEVICE_NOT_FOUND);
  EXPECT_STREQ(text, "kept");
}

TEST(Libftdi_Listing, Texts_Are_Cut_To_The_Buffer_Size) {
  struct Case {
    std::size_t length;
    std::size_t kept;
  };
  const Case cases[] = {{0, 0},
                        {FT_LIST_TEXT_MAX - 1, FT_LIST_TEXT_MAX - 1},
                        {FT_LIST_TEXT_MAX, FT_LIST_TEXT_MAX - 1},
                        {200, FT_LIST_TEXT_MAX - 1}};
  for (const Case& c : cases) {
    Driver_Fixture f;
    f.fake->devices[0].description = std::string(c.length, 'D');
    char text[FT_LIST_TEXT_MAX + 8];
    std::memset(text, 'x', sizeof text);
    ASSERT_EQ(
        f.driver->FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
        FT_OK);
    EXPECT_EQ(std::string(text), std::string(c.kept, 'D')) << c.length;
    for (std::size_t i = c.kept + 1; i < sizeof text; ++i) EXPECT_EQ(text[i], 'x') << i;
  }
}

TEST(Libftdi_Listing, Listing_Does_Not_Touch_The_Open_Device) {
  Driver_Fixture f;
  const FT_HANDLE handle = f.Open();
  f.fake->Arrive(0, {1, 2});
  EXPECT_EQ(f.Queued(handle), 2u);
  const std::size_t calls_before = f.fake->calls.size();
  char text[FT_LIST_TEXT_MAX];
  uint32_t count = 0;
  ASSERT_EQ(f.driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  ASSERT_EQ(
      f.driver->FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
      FT_OK);
  EXPECT_EQ(f.fake->calls.size(), calls_before);
  EXPECT_EQ(f.Read(handle, 2), (std::vector<uint8_t>{1, 2}));
}

TEST(Libftdi_Listing, Failures_Map_To_Statuses) {
  Driver_Fixture f;
  uint32_t count = 77;
  f.fake->count_failure = {No_Usb_Bus, "libusb could not be started"};
  EXPECT_EQ(f.driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 0u);
  count = 77;
  f.fake->count_failure = {-6, "libusb_get_device_descriptor() failed"};
  EXPECT_EQ(f.driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_IO_ERROR);
  EXPECT_EQ(count, 77u);
  f.fake->count_failure = {};
  f.fake->strings_failure = {-4, "libusb_open() failed"};
  char text[FT_LIST_TEXT_MAX];
  EXPECT_EQ(
      f.driver->FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
      FT_DEVICE_NOT_OPENED);
  f.fake->strings_failure = {-9, "libusb_get_string_descriptor_ascii() failed"};
  EXPECT_EQ(f.driver->FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
            FT_IO_ERROR);
}

// --- the real transport, on a machine without an FTDI device -------------------

TEST(Libftdi_Real, Counts_Without_Failing_And_Finds_Nothing_To_Open) {
  Virtual_Clock clock;
  const std::unique_ptr<Ftd2xx> driver = Make_Libftdi_Driver(clock);
  uint32_t count = 99;
  ASSERT_EQ(driver->FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  uint32_t queued = 0;
  EXPECT_EQ(driver->FT_GetQueueStatus(nullptr, &queued), FT_INVALID_HANDLE);
  if (count != 0) GTEST_SKIP() << "an FTDI device is attached; it is left alone";
  char text[FT_LIST_TEXT_MAX] = "kept";
  EXPECT_EQ(driver->FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_DEVICE_NOT_FOUND);
  EXPECT_STREQ(text, "kept");
  char empty[1] = {0};
  FT_HANDLE handle = Index_Arg(0x77);
  EXPECT_EQ(driver->FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(handle, Index_Arg(0x77));
}

// --- what the link relies on, from either backend --------------------------------

constexpr uint8_t Version_Query[8] = {0x56, 0, 0, 0, 0, 0, 0, 0x56};
const std::vector<uint8_t> Version_Reply = {0x56, 1, 7, 0, 0, 0, 0, 0x5E};

struct Backend_Under_Test {
  Virtual_Clock clock;
  std::unique_ptr<Ftd2xx> driver;
};

using Backend_Maker = void (*)(Backend_Under_Test&);

void Make_Simulator(Backend_Under_Test& b) {
  b.driver = std::make_unique<sim::Sim_Programmer>(b.clock);
}

// The libftdi backend over a fake chip that answers the version query one
// latency period later, as the programmer does.
void Make_Libftdi_Over_Fake(Backend_Under_Test& b) {
  auto fake = std::make_unique<Fake_Transport>(b.clock);
  Fake_Transport* chip = fake.get();
  Clock* clock = &b.clock;
  chip->on_write = [chip, clock](const std::vector<uint8_t>& bytes) {
    if (bytes == std::vector<uint8_t>(std::begin(Version_Query), std::end(Version_Query)))
      chip->Arrive(clock->Now_Us() + 2000, Version_Reply);
  };
  b.driver = std::make_unique<Libftdi_Driver>(std::move(fake), b.clock);
}

class Libftdi_Contract : public ::testing::TestWithParam<Backend_Maker> {
 protected:
  void SetUp() override { GetParam()(backend_); }
  Ftd2xx& Driver() { return *backend_.driver; }
  Clock& Time() { return backend_.clock; }
  FT_HANDLE Open_Ready() {
    char empty[1] = {0};
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(Driver().FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
    EXPECT_EQ(Driver().FT_SetLatencyTimer(handle, 2), FT_OK);
    EXPECT_EQ(Driver().FT_SetTimeouts(handle, 40, 0), FT_OK);
    return handle;
  }
  uint32_t Wait_For_Queue(FT_HANDLE handle, uint32_t wanted) {
    uint32_t queued = 0;
    for (int pass = 0; pass < 40 && queued < wanted; ++pass) {
      EXPECT_EQ(Driver().FT_GetQueueStatus(handle, &queued), FT_OK);
      if (queued < wanted) Time().Sleep_Until_Us(Time().Now_Us() + 1000);
    }
    return queued;
  }

 private:
  Backend_Under_Test backend_;
};

TEST_P(Libftdi_Contract, Counts_And_Lists_The_One_Device) {
  uint32_t count = 0;
  ASSERT_EQ(Driver().FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 1u);
  char text[FT_LIST_TEXT_MAX] = {};
  ASSERT_EQ(
      Driver().FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
      FT_OK);
  EXPECT_GT(std::strlen(text), 0u);
  ASSERT_EQ(Driver().FT_ListDevices(Index_Arg(0), text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
            FT_OK);
  EXPECT_GT(std::strlen(text), 0u);
  EXPECT_EQ(
      Driver().FT_ListDevices(Index_Arg(1), text, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
      FT_DEVICE_NOT_FOUND);
}

TEST_P(Libftdi_Contract, The_Version_Query_Is_Answered_In_Exact_Counts) {
  const FT_HANDLE handle = Open_Ready();
  uint32_t written = 0;
  ASSERT_EQ(Driver().FT_Write(handle, Version_Query, 8, &written), FT_OK);
  EXPECT_EQ(written, 8u);
  EXPECT_EQ(Wait_For_Queue(handle, 8), 8u);
  uint8_t reply[32768] = {};
  uint32_t read = 0;
  ASSERT_EQ(Driver().FT_Read(handle, reply, 4, &read), FT_OK);
  EXPECT_EQ(std::vector<uint8_t>(reply, reply + read),
            std::vector<uint8_t>(Version_Reply.begin(), Version_Reply.begin() + 4));
  EXPECT_EQ(Wait_For_Queue(handle, 4), 4u);
  // Asking for more than comes returns the rest when the read time-out ends.
  const int64_t start = Time().Now_Us();
  ASSERT_EQ(Driver().FT_Read(handle, reply, 32768, &read), FT_OK);
  EXPECT_EQ(std::vector<uint8_t>(reply, reply + read),
            std::vector<uint8_t>(Version_Reply.begin() + 4, Version_Reply.end()));
  EXPECT_EQ(Time().Now_Us() - start, 40000);
}

TEST_P(Libftdi_Contract, A_Whole_Reply_Is_Read_Within_The_Time_Out) {
  const FT_HANDLE handle = Open_Ready();
  uint32_t written = 0;
  ASSERT_EQ(Driver().FT_Write(handle, Version_Query, 8, &written), FT_OK);
  const int64_t start = Time().Now_Us();
  uint8_t reply[8] = {};
  uint32_t read = 0;
  ASSERT_EQ(Driver().FT_Read(handle, reply, 8, &read), FT_OK);
  EXPECT_EQ(std::vector<uint8_t>(reply, reply + read), Version_Reply);
  EXPECT_LT(Time().Now_Us() - start, 40000);
}

TEST_P(Libftdi_Contract, A_Read_With_Nothing_Coming_Ends_At_The_Time_Out) {
  const FT_HANDLE handle = Open_Ready();
  const int64_t start = Time().Now_Us();
  uint8_t reply[8] = {};
  uint32_t read = 99;
  ASSERT_EQ(Driver().FT_Read(handle, reply, 8, &read), FT_OK);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(Time().Now_Us() - start, 40000);
}

TEST_P(Libftdi_Contract, Closed_And_Unknown_Handles_Are_Invalid) {
  uint32_t queued = 0;
  EXPECT_EQ(Driver().FT_GetQueueStatus(nullptr, &queued), FT_INVALID_HANDLE);
  EXPECT_EQ(Driver().FT_SetTimeouts(nullptr, 40, 0), FT_INVALID_HANDLE);
  const FT_HANDLE handle = Open_Ready();
  char empty[1] = {0};
  FT_HANDLE second = nullptr;
  EXPECT_EQ(Driver().FT_OpenEx(empty, FT_OPEN_BY_SERIAL_NUMBER, &second), FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(Driver().FT_Close(handle), FT_OK);
  uint8_t bytes[8] = {};
  uint32_t count = 0;
  EXPECT_EQ(Driver().FT_GetQueueStatus(handle, &queued), FT_INVALID_HANDLE);
  EXPECT_EQ(Driver().FT_Write(handle, bytes, 8, &count), FT_INVALID_HANDLE);
  EXPECT_EQ(Driver().FT_Read(handle, bytes, 8, &count), FT_INVALID_HANDLE);
  EXPECT_EQ(Driver().FT_Close(handle), FT_INVALID_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Libftdi_Backends, Libftdi_Contract,
                         ::testing::Values(&Make_Simulator, &Make_Libftdi_Over_Fake),
                         [](const ::testing::TestParamInfo<Backend_Maker>& backend) {
                           return backend.index == 0 ? std::string("Simulator")
                                                     : std::string("Libftdi_Over_Fake");
                         });

}  // namespace
}  // namespace tarnik::usb
