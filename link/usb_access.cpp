#include "link/usb_access.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tarnik {

namespace {
constexpr uint32_t Read_Scratch_Size = 4096;
}

Usb_Access::Usb_Access(Ftd2xx& driver, Host& host) : driver_(driver), host_(host) {}

std::string Usb_Access::Status_Text(std::string_view name, FT_STATUS status) {
  static const char* const suffixes[] = {
      "",
      " - Invalid Handle...",
      " - Device Not Found....",
      " - Device Not Opened...",
      " - General IO Error...",
      " - Insufficient Resources...",
      " - Invalid Parameter ...",
  };
  std::string text(name);
  if (status >= 1 && status <= 6) return text + suffixes[status];
  return text + " - Driver Status " + std::to_string(status) + "...";
}

std::string Usb_Access::Lost_Text(std::string_view name, FT_STATUS status) {
  return "The Zorvik Programmer Was Lost (" + Status_Text(name, status) +
         "); nothing more is sent to it until it is looked for again....";
}

namespace {
// A call on the open handle that finds the device unavailable means it has
// gone as surely as an I/O error does: the chip was pulled out or reset.
bool Device_Gone(FT_STATUS status) {
  return status == FT_IO_ERROR || status == FT_DEVICE_NOT_FOUND || status == FT_INVALID_HANDLE ||
         status == FT_DEVICE_NOT_OPENED;
}
}  // namespace

void Usb_Access::Usb_Report_Status(std::string_view name, FT_STATUS status) {
  if (status == FT_OK) return;
  Show_Error_Box(Status_Text(name, status));
}

void Usb_Access::Report_Handle_Status(std::string_view name, FT_STATUS status) {
  if (status == FT_OK || Device_Lost()) return;
  if (!Device_Gone(status)) {
    Usb_Report_Status(name, status);
    return;
  }
  lost_status_ = status;
  Show_Error_Box(Lost_Text(name, status));
}

void Usb_Access::Show_Error_Box(std::string text) {
  Message_Box_Request box;
  box.text = std::move(text);
  box.icon = Box_Icon::Error;
  box.buttons = Box_Buttons::Ok;
  box.position.centred = true;
  box.title = Window_Title;
  host_.Message_Box(box);
}

FT_STATUS Usb_Access::GetFTDeviceCount() {
  uint32_t count = 0;
  const FT_STATUS status = driver_.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
  if (status == FT_OK) Usb_Device_Count = count;
  Usb_Report_Status("GetFTDeviceCount", status);
  return status;
}

FT_STATUS Usb_Access::List_By_Index(uint32_t index, uint32_t flags, std::string_view name) {
  // The driver may write texts longer than the name buffer holds; it gets a
  // buffer as large as its longest text, and the first 49 characters are kept.
  std::array<char, FT_LIST_TEXT_MAX> driver_text{};
  const FT_STATUS status = driver_.FT_ListDevices(
      reinterpret_cast<void*>(static_cast<uintptr_t>(index)), driver_text.data(),
      FT_LIST_BY_INDEX | flags);
  if (status == FT_OK) {
    std::memcpy(Usb_Name_Buffer.data(), driver_text.data(), Usb_Name_Buffer.size());
    Usb_Name_Buffer[49] = 0;
    Usb_Device_String = std::string(Usb_Name_Buffer.data());
  }
  Usb_Report_Status(name, status);
  return status;
}

FT_STATUS Usb_Access::GetFTDeviceSerialNo(uint32_t index) {
  return List_By_Index(index, FT_OPEN_BY_SERIAL_NUMBER, "GetFTDeviceSerialNo");
}

FT_STATUS Usb_Access::GetFTDeviceDescription(uint32_t index) {
  return List_By_Index(index, FT_OPEN_BY_DESCRIPTION, "GetFTDeviceDescription");
}

FT_STATUS Usb_Access::Open_USB_Device_By_Serial_Number(std::string_view serial_number) {
  const std::size_t length = std::min<std::size_t>(serial_number.size(), 49);
  std::memcpy(Usb_Name_Buffer.data(), serial_number.data(), length);
  Usb_Name_Buffer[length] = 0;
  FT_HANDLE handle = Usb_Handle;
  const FT_STATUS status =
      driver_.FT_OpenEx(Usb_Name_Buffer.data(), FT_OPEN_BY_SERIAL_NUMBER, &handle);
  if (status == FT_OK) {
    Usb_Handle = handle;
    Usb_Opened = true;
    lost_status_ = FT_OK;
  }
  Usb_Report_Status("Open_USB_Device_By_Serial_Number", status);
  if (status == FT_OK) {
    Report_Handle_Status("FT_SetLatencyTimer",
                         driver_.FT_SetLatencyTimer(Usb_Handle, Latency_Ms));
  }
  return status;
}

FT_STATUS Usb_Access::Usb_Close() {
  // A lost device's handle is still released, without a word.
  const FT_STATUS status = driver_.FT_Close(Usb_Handle);
  Usb_Opened = false;
  Report_Handle_Status("FT_Close", status);
  return status;
}

FT_STATUS Usb_Access::Usb_Set_Timeouts(uint32_t read_ms, uint32_t write_ms) {
  if (Device_Lost()) return lost_status_;
  const FT_STATUS status = driver_.FT_SetTimeouts(Usb_Handle, read_ms, write_ms);
  Report_Handle_Status("FT_SetTimeouts", status);
  return status;
}

FT_STATUS Usb_Access::Usb_Queue_Status() {
  if (Device_Lost()) return lost_status_;
  uint32_t count = 0;
  const FT_STATUS status = driver_.FT_GetQueueStatus(Usb_Handle, &count);
  if (status == FT_OK) Usb_Rx_Count = count;
  Report_Handle_Status("FT_GetQueueStatus", status);
  return status;
}

void Usb_Access::Trace(const char* direction, const uint8_t* data, uint32_t count,
                       uint32_t packet_size) {
  if (!trace_ || count == 0) return;
  if (packet_size == 0) packet_size = count;
  for (uint32_t start = 0; start < count; start += packet_size) {
    const uint32_t length = std::min(packet_size, count - start);
    trace_(std::string(direction) + Hex_Bytes(data + start, length));
  }
}

uint32_t Usb_Access::Usb_Write(const uint8_t* data, uint32_t count, uint32_t packet_size) {
  if (Device_Lost()) return 0;
  Trace("> ", data, count, packet_size);
  uint32_t written = 0;
  const FT_STATUS status = driver_.FT_Write(Usb_Handle, data, count, &written);
  Report_Handle_Status("FT_Write", status);
  if (status != FT_OK && written == count) written = count == 0 ? 1 : 0;
  return written;
}

uint32_t Usb_Access::Usb_Read(uint32_t count, uint32_t packet_size) {
  if (Device_Lost()) return 0;
  count = std::min<uint32_t>(count, Reply_Size);
  uint32_t read = 0;
  const FT_STATUS status = driver_.FT_Read(Usb_Handle, Reply_Packet.data(), count, &read);
  Report_Handle_Status("FT_Read", status);
  if (status != FT_OK) return read == count ? 0 : read;
  Trace("< ", Reply_Packet.data(), std::min(read, count), packet_size);
  return read;
}

uint32_t Usb_Access::Usb_Discard(uint32_t count) {
  std::vector<uint8_t> scratch(std::min(count, Read_Scratch_Size));
  uint32_t total = 0;
  while (total < count) {
    const uint32_t chunk = std::min<uint32_t>(count - total, Read_Scratch_Size);
    uint32_t read = 0;
    if (Device_Lost()) break;
    const FT_STATUS status = driver_.FT_Read(Usb_Handle, scratch.data(), chunk, &read);
    Report_Handle_Status("FT_Read", status);
    if (status != FT_OK || read == 0) break;
    total += read;
  }
  return total;
}

}  // namespace tarnik
