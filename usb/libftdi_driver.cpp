#include "usb/libftdi_driver.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tarnik::usb {

namespace {

constexpr int Pull_Chunk = 4096;
constexpr int64_t Poll_Pause_Us = 500;
// A read with no time-out set waits this long at most, never for ever.
constexpr int64_t Longest_Read_Us = 5'000'000;

// libusb's error codes, as libftdi passes them through from transfers.
constexpr int Libusb_Io = -1;
constexpr int Libusb_Invalid_Param = -2;
constexpr int Libusb_Access = -3;
constexpr int Libusb_No_Device = -4;
constexpr int Libusb_Not_Found = -5;
constexpr int Libusb_Busy = -6;
constexpr int Libusb_Timeout = -7;
constexpr int Libusb_Overflow = -8;
constexpr int Libusb_Pipe = -9;
constexpr int Libusb_No_Mem = -11;
// libftdi's code for a context without an open device.
constexpr int Libftdi_No_Device = -666;

void Copy_Text(const std::string& text, void* buffer) {
  const std::size_t length = std::min<std::size_t>(text.size(), FT_LIST_TEXT_MAX - 1);
  std::memcpy(buffer, text.data(), length);
  static_cast<char*>(buffer)[length] = 0;
}

}  // namespace

FT_STATUS Open_Status(int libftdi_code) {
  switch (libftdi_code) {
    case 0: return FT_OK;
    case -3: return FT_DEVICE_NOT_FOUND;   // usb device not found
    case -4:                               // unable to open device: permissions
    case -5:                               // unable to claim device: a kernel driver holds it
    case -6:                               // reset failed
    case -7:                               // set baud rate failed
    case -8:                               // get product description failed
    case -9:                               // get serial number failed
    case -10: return FT_DEVICE_NOT_OPENED;  // unable to close device
    case -11: return FT_INSUFFICIENT_RESOURCES;  // ftdi context invalid
    case -12: return FT_IO_ERROR;          // libusb_get_device_list failed
    default: return FT_OTHER_ERROR;
  }
}

FT_STATUS Transfer_Status(int libusb_code) {
  switch (libusb_code) {
    case Libusb_No_Device:
    case Libusb_Not_Found: return FT_DEVICE_NOT_FOUND;
    case Libusb_Access:
    case Libusb_Busy: return FT_DEVICE_NOT_OPENED;
    case Libusb_Io:
    case Libusb_Timeout:
    case Libusb_Overflow:
    case Libusb_Pipe: return FT_IO_ERROR;
    case Libusb_Invalid_Param: return FT_INVALID_PARAMETER;
    case Libusb_No_Mem: return FT_INSUFFICIENT_RESOURCES;
    case Libftdi_No_Device: return FT_INVALID_HANDLE;
    default: return libusb_code >= 0 ? FT_OK : FT_OTHER_ERROR;
  }
}

Libftdi_Driver::Libftdi_Driver(std::unique_ptr<Ftdi_Transport> transport, Clock& clock)
    : transport_(std::move(transport)), clock_(clock) {}

bool Libftdi_Driver::Handle_Valid(FT_HANDLE handle) const {
  return open_ && handle == static_cast<const void*>(this);
}

FT_STATUS Libftdi_Driver::FT_ListDevices(void* arg1, void* arg2, uint32_t flags) {
  if (flags == FT_LIST_NUMBER_ONLY) {
    if (arg1 == nullptr) return FT_INVALID_PARAMETER;
    const int count = transport_->Count_Devices();
    if (count < 0) return FT_IO_ERROR;
    *static_cast<uint32_t*>(arg1) = static_cast<uint32_t>(count);
    return FT_OK;
  }
  if ((flags & FT_LIST_BY_INDEX) == 0 || arg2 == nullptr) return FT_INVALID_PARAMETER;
  Device_Strings strings;
  const auto index = static_cast<int>(reinterpret_cast<uintptr_t>(arg1));
  const int status = transport_->Strings_Of(index, strings);
  if (status == -3) return FT_DEVICE_NOT_FOUND;
  if (status < 0) return FT_IO_ERROR;
  Copy_Text((flags & FT_OPEN_BY_DESCRIPTION) != 0 ? strings.description : strings.serial_number,
            arg2);
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) {
  if (handle == nullptr || arg == nullptr || flags != FT_OPEN_BY_SERIAL_NUMBER)
    return FT_INVALID_PARAMETER;
  if (open_) return FT_DEVICE_NOT_OPENED;
  const char* serial = static_cast<const char*>(arg);
  // An empty serial number means the only device: libftdi takes that as null.
  const FT_STATUS status = Open_Status(transport_->Open(serial[0] == 0 ? nullptr : serial));
  if (status != FT_OK) return status;
  if (transport_->Reset_And_Flush() < 0) {
    transport_->Close();
    return FT_IO_ERROR;
  }
  open_ = true;
  received_.clear();
  *handle = static_cast<void*>(this);
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_SetTimeouts(FT_HANDLE handle, uint32_t read_ms, uint32_t) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  read_timeout_ms_ = read_ms;
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (ms == 0) return FT_INVALID_PARAMETER;
  const int status = transport_->Set_Latency(ms);
  return status < 0 ? Transfer_Status(status) : FT_OK;
}

FT_STATUS Libftdi_Driver::Pull() {
  uint8_t chunk[Pull_Chunk];
  const int count = transport_->Read(chunk, Pull_Chunk);
  if (count < 0) return Transfer_Status(count);
  received_.insert(received_.end(), chunk, chunk + count);
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (rx_bytes == nullptr) return FT_INVALID_PARAMETER;
  const FT_STATUS status = Pull();
  if (status != FT_OK) return status;
  *rx_bytes = static_cast<uint32_t>(received_.size());
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count,
                                   uint32_t* written) {
  if (written != nullptr) *written = 0;
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (buffer == nullptr || written == nullptr) return FT_INVALID_PARAMETER;
  const int sent =
      transport_->Write(static_cast<const uint8_t*>(buffer), static_cast<int>(count));
  if (sent < 0) return Transfer_Status(sent);
  *written = static_cast<uint32_t>(sent);
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_Read(FT_HANDLE handle, void* buffer, uint32_t count,
                                  uint32_t* read) {
  if (read != nullptr) *read = 0;
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (buffer == nullptr || read == nullptr) return FT_INVALID_PARAMETER;
  const int64_t wait_us = read_timeout_ms_ == 0 ? Longest_Read_Us : int64_t{read_timeout_ms_} * 1000;
  const int64_t deadline = clock_.Now_Us() + wait_us;
  while (received_.size() < count && clock_.Now_Us() < deadline) {
    const std::size_t before = received_.size();
    const FT_STATUS status = Pull();
    if (status != FT_OK) return status;
    if (received_.size() == before) clock_.Sleep_Until_Us(clock_.Now_Us() + Poll_Pause_Us);
  }
  const auto taken = static_cast<uint32_t>(std::min<std::size_t>(count, received_.size()));
  std::copy_n(received_.begin(), taken, static_cast<uint8_t*>(buffer));
  received_.erase(received_.begin(), received_.begin() + taken);
  *read = taken;
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_Close(FT_HANDLE handle) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  transport_->Close();
  open_ = false;
  received_.clear();
  return FT_OK;
}

std::unique_ptr<Ftd2xx> Make_Libftdi_Driver(Clock& clock) {
  return std::make_unique<Libftdi_Driver>(Make_Libftdi_Transport(), clock);
}

}  // namespace tarnik::usb
