#pragma once
// The driver interface the programmer is reached through: the D2XX calls the
// system uses, with D2XX status codes. Backends: libftdi1 for real hardware,
// the simulated programmer for tests and for trying the program without one.

#include <cstdint>

namespace tarnik {

using FT_STATUS = uint32_t;
using FT_HANDLE = void*;

inline constexpr FT_STATUS FT_OK = 0;
inline constexpr FT_STATUS FT_INVALID_HANDLE = 1;
inline constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
inline constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
inline constexpr FT_STATUS FT_IO_ERROR = 4;
inline constexpr FT_STATUS FT_INSUFFICIENT_RESOURCES = 5;
inline constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
inline constexpr FT_STATUS FT_OTHER_ERROR = 18;

inline constexpr uint32_t FT_LIST_NUMBER_ONLY = 0x80000000;
inline constexpr uint32_t FT_LIST_BY_INDEX = 0x40000000;
inline constexpr uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr uint32_t FT_OPEN_BY_DESCRIPTION = 2;

// The longest text, terminator included, that a listing call writes into the
// buffer it is given.
inline constexpr uint32_t FT_LIST_TEXT_MAX = 64;

class Ftd2xx {
 public:
  virtual ~Ftd2xx() = default;

  // FT_LIST_NUMBER_ONLY: arg1 points to a uint32_t count, arg2 is unused.
  // FT_LIST_BY_INDEX | FT_OPEN_BY_...: arg1 is the index cast to a pointer,
  // arg2 a buffer of FT_LIST_TEXT_MAX bytes for the zero-terminated text.
  virtual FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) = 0;
  // arg points to a zero-terminated serial number (FT_OPEN_BY_SERIAL_NUMBER);
  // an empty one opens the only device attached.
  virtual FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) = 0;
  virtual FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t read_ms, uint32_t write_ms) = 0;
  virtual FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) = 0;
  virtual FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) = 0;
  virtual FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count,
                             uint32_t* written) = 0;
  // Returns when `count` bytes have come or the read time-out has run out.
  virtual FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) = 0;
  virtual FT_STATUS FT_Close(FT_HANDLE handle) = 0;
};

}  // namespace tarnik
