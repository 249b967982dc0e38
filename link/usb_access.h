#pragma once
// USB access: the one layer that calls the driver. It holds the device
// handle, the device count and the name buffer, and reports every failing
// call once, in an error box naming the operation.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "window/hex_text.h"
#include "window/host.h"
#include "window/window_model.h"
#include "link/ftd2xx.h"

namespace tarnik {

class Usb_Access {
 public:
  static constexpr std::size_t Reply_Size = 32768;
  static constexpr std::size_t Cmd_Size = 80;
  // The latency timer the programmer is run with: a short reply reaches the
  // host at most this long after the programmer sent it, instead of 16 ms.
  static constexpr uint8_t Latency_Ms = 1;

  using Trace_Sink = std::function<void(std::string_view line)>;

  Usb_Access(Ftd2xx& driver, Host& host);

  FT_STATUS GetFTDeviceCount();
  FT_STATUS GetFTDeviceSerialNo(uint32_t index);
  FT_STATUS GetFTDeviceDescription(uint32_t index);
  FT_STATUS Open_USB_Device_By_Serial_Number(std::string_view serial_number);
  FT_STATUS Usb_Close();
  FT_STATUS Usb_Set_Timeouts(uint32_t read_ms, uint32_t write_ms);
  FT_STATUS Usb_Queue_Status();
  // Sends `count` bytes from `data`, which hold whole packets of
  // `packet_size` bytes each; returns the count the driver reports.
  uint32_t Usb_Write(const uint8_t* data, uint32_t count, uint32_t packet_size);
  // Fills Reply_Packet from its first byte; returns the count read. The
  // trace shows it in pieces of `packet_size` bytes, or whole with 0.
  uint32_t Usb_Read(uint32_t count, uint32_t packet_size = 0);
  // Reads `count` queued bytes and drops them, leaving Reply_Packet alone.
  uint32_t Usb_Discard(uint32_t count);
  void Usb_Report_Status(std::string_view name, FT_STATUS status);

  // Whether a call on the open device said the device is gone (an I/O
  // error, a device no longer there, a handle no longer valid). From then on
  // no call on the handle reaches the driver or shows a box; only a new open
  // clears it. The loss itself is told in one box.
  [[nodiscard]] bool Device_Lost() const { return lost_status_ != FT_OK; }
  [[nodiscard]] FT_STATUS Lost_Status() const { return lost_status_; }

  [[nodiscard]] static std::string Status_Text(std::string_view name, FT_STATUS status);
  [[nodiscard]] static std::string Lost_Text(std::string_view name, FT_STATUS status);

  // Every packet handed to the driver ("> ") and every reply read ("< ").
  void Set_Trace(Trace_Sink sink) { trace_ = std::move(sink); }

  FT_HANDLE Usb_Handle = nullptr;
  bool Usb_Opened = false;  // a handle from a successful open is held
  uint32_t Usb_Device_Count = 0;
  std::array<char, 50> Usb_Name_Buffer{};
  std::string Usb_Device_String;
  uint32_t Usb_Rx_Count = 0;
  std::array<uint8_t, Reply_Size> Reply_Packet{};

 private:
  FT_STATUS List_By_Index(uint32_t index, uint32_t flags, std::string_view name);
  void Show_Error_Box(std::string text);
  // Reports a failing call on the open handle, and marks the device lost
  // when the status says it is gone.
  void Report_Handle_Status(std::string_view name, FT_STATUS status);
  void Trace(const char* direction, const uint8_t* data, uint32_t count, uint32_t packet_size);

  Ftd2xx& driver_;
  Host& host_;
  Trace_Sink trace_;
  FT_STATUS lost_status_ = FT_OK;
};


}  // namespace tarnik
