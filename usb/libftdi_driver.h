#pragma once
// The libftdi1 backend of the driver interface, for real FTDI hardware.

#include <cstdint>
#include <deque>
#include <memory>

#include "app/clock.h"
#include "link/ftd2xx.h"
#include "usb/ftdi_transport.h"

namespace tarnik::usb {

// libftdi's and libusb's failure codes as driver statuses.
[[nodiscard]] FT_STATUS Open_Status(int libftdi_code);
[[nodiscard]] FT_STATUS Transfer_Status(int libusb_code);

class Libftdi_Driver final : public Ftd2xx {
 public:
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
  [[nodiscard]] bool Handle_Valid(FT_HANDLE handle) const;
  // Moves what the chip has received into the host-side buffer.
  FT_STATUS Pull();

  std::unique_ptr<Ftdi_Transport> transport_;
  Clock& clock_;
  bool open_ = false;
  uint32_t read_timeout_ms_ = 0;
  std::deque<uint8_t> received_;
};

[[nodiscard]] std::unique_ptr<Ftd2xx> Make_Libftdi_Driver(Clock& clock);

}  // namespace tarnik::usb
