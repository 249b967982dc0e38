#pragma once
// The libftdi1 backend of the driver interface, for real FTDI hardware.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "window/clock.h"
#include "link/ftd2xx.h"
#include "usb/ftdi_errors.h"
#include "usb/ftdi_transport.h"

namespace tarnik::usb {

// The D2XX calls over libftdi. libftdi has no receive queue to ask, so the
// backend keeps one of its own: what a read from the chip brings lands in a
// host-side buffer, the queue status reports its size, and FT_Read takes
// exactly the count asked for from it, polling the chip until the count has
// come or the read time-out has run out on the given clock.
class Libftdi_Driver final : public Ftd2xx {
 public:
  // The most the host-side buffer holds; the chip keeps the rest.
  static constexpr std::size_t Receive_Capacity = 65536;
  // The pause between two polls of a read that is still waiting.
  static constexpr int64_t Poll_Pause_Us = 500;
  // D2XX waits for ever when no read time-out is set; this waits so long.
  static constexpr int64_t Untimed_Read_Limit_Us = 5'000'000;
  // The chip's latency timer until FT_SetLatencyTimer changes it.
  static constexpr uint8_t Default_Latency_Ms = 16;
  // A transfer from the chip ends after one latency period at the latest;
  // its libusb time-out gives it this much more.
  static constexpr int Transfer_Margin_Ms = 100;

  Libftdi_Driver(std::unique_ptr<Ftdi_Transport> transport, Clock& clock);

  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override;
  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override;
  FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t read_ms, uint32_t write_ms) override;
  FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) override;
  FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) override;
  FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count,
                     uint32_t* written) override;
  FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) override;
  FT_STATUS FT_Close(FT_HANDLE handle) override;

 private:
  struct Device_Place {
    int product = 0;
    int index = 0;  // among the devices with that product id
  };

  [[nodiscard]] FT_HANDLE Own_Handle() const;
  [[nodiscard]] bool Handle_Valid(FT_HANDLE handle) const;
  [[nodiscard]] FT_STATUS Failed(Ftdi_Call call, int code) const;
  FT_STATUS Count_Products(int product, int& count);
  FT_STATUS Count_All(uint32_t& count);
  FT_STATUS Find_Place(uint32_t index, Device_Place& place);
  FT_STATUS List_Text(uint32_t index, Device_Text which, char* buffer);
  FT_STATUS Open_First(const char* description, const char* serial_number);
  FT_STATUS Prepare_Opened();
  FT_STATUS Reset_Bitmode();
  void Apply_Usb_Timeouts();
  // Moves what the chip has received into the host-side buffer.
  FT_STATUS Pull(std::size_t& pulled);
  uint32_t Take(uint8_t* out, uint32_t count);
  [[nodiscard]] int64_t Read_Wait_Us() const;

  std::unique_ptr<Ftdi_Transport> transport_;
  Clock& clock_;
  bool open_ = false;
  uint32_t read_timeout_ms_ = 0;
  uint32_t write_timeout_ms_ = 0;
  uint8_t latency_ms_ = Default_Latency_Ms;
  std::deque<uint8_t> received_;
};

[[nodiscard]] std::unique_ptr<Ftd2xx> Make_Libftdi_Driver(Clock& clock);

}  // namespace tarnik::usb
