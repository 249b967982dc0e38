#pragma once
// The libftdi1 calls the USB backend makes, behind an interface so that the
// backend can be tested without hardware. Every call returns what libftdi
// returns (a count, 0, or a negative code of that function); the text of the
// last failure is kept for the backend's error mapping.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace tarnik::usb {

// FTDI's vendor id and the product ids of the chips the programmer may carry.
inline constexpr int Ftdi_Vendor = 0x0403;
inline constexpr int Ftdi_Products[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};

// Failures of the transport's own, outside libftdi's and libusb's codes.
inline constexpr int No_Usb_Bus = -1000;      // libusb could not be started
inline constexpr int No_Such_Device = -1001;  // the index is past the devices present

enum class Device_Text { Serial_Number, Description };

struct Ftdi_Failure {
  int code = 0;
  std::string text;
};

class Ftdi_Transport {
 public:
  virtual ~Ftdi_Transport() = default;

  // How many devices with these ids are attached.
  virtual int Count_Devices(int vendor, int product) = 0;
  // The serial number or description of the `index`-th device with these
  // ids, read through a context of the transport's own so that listing never
  // disturbs the open device. 0 or a failure code.
  virtual int Read_Device_Text(int vendor, int product, int index, Device_Text which,
                               std::string& text) = 0;
  // Opens a device with these ids; a null description or serial number
  // matches any. The kernel's serial driver is detached. 0 or libftdi's code.
  virtual int Open(int vendor, int product, const char* description, const char* serial_number) = 0;
  virtual int Close() = 0;
  virtual int Reset_Bitmode() = 0;
  // Drops what waits in the chip's buffers, both directions.
  virtual int Purge() = 0;
  virtual int Set_Latency(uint8_t ms) = 0;
  // The libusb time-out of one transfer in each direction; 0 keeps libftdi's.
  virtual void Set_Usb_Timeouts(int read_ms, int write_ms) = 0;
  // Keeps a bulk read from the chip in flight from now on, resubmitted each
  // time Read looks, so that Read is a host-side look at what has come and
  // never waits for the chip's latency timer. 0 or a libusb code.
  virtual int Start_Reading() = 0;
  // Cancels the read in flight; Read waits for the chip again.
  virtual void Stop_Reading() = 0;
  // Reads what has come, without the chip's modem status bytes: a count, or
  // the libusb code of a failed transfer.
  virtual int Read(uint8_t* buffer, int size) = 0;
  // A count written, or a failure code.
  virtual int Write(const uint8_t* buffer, int size) = 0;
  [[nodiscard]] virtual Ftdi_Failure Last_Failure() const = 0;
};

// Appends the data of a transfer from the chip to `out`: every USB packet of
// `packet_size` bytes (the last one may be short) starts with two modem
// status bytes, which are dropped. A packet of status bytes alone, as a real
// chip sends at every tick of its latency timer when idle, adds nothing.
void Append_Packet_Data(const uint8_t* data, int length, int packet_size,
                        std::deque<uint8_t>& out);

// The transport over libftdi1 and the USB devices of this machine.
[[nodiscard]] std::unique_ptr<Ftdi_Transport> Make_Libftdi_Transport();

}  // namespace tarnik::usb
