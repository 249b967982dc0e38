#pragma once
// The libftdi1 calls the USB backend makes, behind an interface so that the
// backend can be tested without hardware. Failures come back as the codes
// libftdi returns; the backend maps them to driver statuses.

#include <cstdint>
#include <memory>
#include <string>

namespace tarnik::usb {

// FTDI's vendor id and the product ids of the chips the programmer may carry.
inline constexpr int Ftdi_Vendor = 0x0403;
inline constexpr int Ftdi_Products[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};

struct Device_Strings {
  std::string serial_number;
  std::string description;
};

class Ftdi_Transport {
 public:
  virtual ~Ftdi_Transport() = default;

  // Counts the FTDI devices attached; negative: libftdi's error code.
  virtual int Count_Devices() = 0;
  // The strings of the device at `index` in the order counted; 0 or an error code.
  virtual int Strings_Of(int index, Device_Strings& strings) = 0;
  // Opens the only device (`serial_number` null) or the one with that serial
  // number, detaching the kernel's serial driver; 0 or libftdi's open code.
  virtual int Open(const char* serial_number) = 0;
  // Resets the bit mode and flushes both directions; 0 or an error code.
  virtual int Reset_And_Flush() = 0;
  virtual int Set_Latency(uint8_t ms) = 0;
  // Reads what has come, without the modem status bytes: a count or a
  // libusb error code.
  virtual int Read(uint8_t* buffer, int size) = 0;
  // A count written or a libusb error code.
  virtual int Write(const uint8_t* buffer, int size) = 0;
  virtual void Close() = 0;
  [[nodiscard]] virtual std::string Error_Text() const = 0;
};

[[nodiscard]] std::unique_ptr<Ftdi_Transport> Make_Libftdi_Transport();

}  // namespace tarnik::usb
