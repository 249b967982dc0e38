#include "usb/ftdi_errors.h"

#include <libusb.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "usb/ftdi_transport.h"

namespace tarnik::usb {

namespace {

// libftdi's code for a context that holds no open device.
constexpr int Usb_Device_Unavailable = -666;

// One code of one call; a non-empty `text_part` must also occur in the error
// text, for the codes that one function uses for two different failures.
struct Mapping_Row {
  Ftdi_Call call;
  int code;
  std::string_view text_part;
  FT_STATUS status;
};

constexpr Mapping_Row Mapping_Rows[] = {
    {Ftdi_Call::Count, -3, "", FT_INSUFFICIENT_RESOURCES},  // out of memory
    {Ftdi_Call::Count, -5, "", FT_OTHER_ERROR},             // libusb_get_device_list() failed
    {Ftdi_Call::Count, -6, "", FT_IO_ERROR},                // device descriptor unreadable

    {Ftdi_Call::Strings, -1, "", FT_INVALID_PARAMETER},  // wrong arguments
    {Ftdi_Call::Strings, -4, "", FT_DEVICE_NOT_OPENED},  // libusb_open() failed: permissions
    {Ftdi_Call::Strings, -7, "", FT_IO_ERROR},           // the string descriptors
    {Ftdi_Call::Strings, -8, "", FT_IO_ERROR},           // could not be read
    {Ftdi_Call::Strings, -9, "", FT_IO_ERROR},
    {Ftdi_Call::Strings, -10, "", FT_IO_ERROR},
    {Ftdi_Call::Strings, -11, "", FT_IO_ERROR},

    {Ftdi_Call::Open, -3, "not found", FT_DEVICE_NOT_FOUND},
    {Ftdi_Call::Open, -3, "", FT_DEVICE_NOT_OPENED},  // usb configuration: kernel driver in use
    {Ftdi_Call::Open, -4, "", FT_DEVICE_NOT_OPENED},  // libusb_open() failed: permissions
    {Ftdi_Call::Open, -5, "", FT_DEVICE_NOT_OPENED},  // unable to claim: kernel driver in use
    {Ftdi_Call::Open, -6, "", FT_IO_ERROR},           // reset failed
    {Ftdi_Call::Open, -7, "", FT_IO_ERROR},           // set baudrate failed
    {Ftdi_Call::Open, -8, "permission", FT_DEVICE_NOT_OPENED},
    {Ftdi_Call::Open, -8, "", FT_IO_ERROR},  // product description unreadable
    {Ftdi_Call::Open, -9, "", FT_IO_ERROR},  // serial number unreadable
    {Ftdi_Call::Open, -10, "", FT_IO_ERROR},
    {Ftdi_Call::Open, -11, "", FT_OTHER_ERROR},  // ftdi context invalid
    {Ftdi_Call::Open, -12, "configuration", FT_IO_ERROR},
    {Ftdi_Call::Open, -12, "", FT_OTHER_ERROR},  // libusb_get_device_list() failed

    {Ftdi_Call::Close, -1, "", FT_IO_ERROR},  // the interface could not be released
    {Ftdi_Call::Close, -3, "", FT_OTHER_ERROR},

    {Ftdi_Call::Latency, -1, "", FT_INVALID_PARAMETER},  // outside 1 to 255 ms
    {Ftdi_Call::Latency, -2, "", FT_IO_ERROR},
    {Ftdi_Call::Latency, -3, "", FT_DEVICE_NOT_OPENED},

    {Ftdi_Call::Bitmode, -1, "", FT_IO_ERROR},
    {Ftdi_Call::Bitmode, -2, "", FT_DEVICE_NOT_OPENED},

    {Ftdi_Call::Purge, -1, "", FT_IO_ERROR},
    {Ftdi_Call::Purge, -2, "", FT_IO_ERROR},
    {Ftdi_Call::Purge, -3, "", FT_DEVICE_NOT_OPENED},

    // A transfer that brought nothing before its libusb time-out: no data.
    {Ftdi_Call::Read, LIBUSB_ERROR_TIMEOUT, "", FT_OK},
    {Ftdi_Call::Read, Usb_Device_Unavailable, "", FT_DEVICE_NOT_OPENED},
    {Ftdi_Call::Write, Usb_Device_Unavailable, "", FT_DEVICE_NOT_OPENED},
};

// Texts that tell the failure whatever the code, for codes the table misses.
struct Text_Rule {
  std::string_view text_part;
  FT_STATUS status;
};

constexpr Text_Rule Text_Rules[] = {
    {"not found", FT_DEVICE_NOT_FOUND},       {"unable to claim", FT_DEVICE_NOT_OPENED},
    {"unable to open", FT_DEVICE_NOT_OPENED}, {"libusb_open", FT_DEVICE_NOT_OPENED},
    {"permission", FT_DEVICE_NOT_OPENED},     {"busy", FT_DEVICE_NOT_OPENED},
};

std::string Lower_Case(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool Carries_Libusb_Code(Ftdi_Call call) {
  return call == Ftdi_Call::Read || call == Ftdi_Call::Write;
}

}  // namespace

FT_STATUS Map_Libusb_Error(int code) {
  switch (code) {
    case LIBUSB_SUCCESS: return FT_OK;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND: return FT_DEVICE_NOT_FOUND;
    case LIBUSB_ERROR_ACCESS:
    case LIBUSB_ERROR_BUSY: return FT_DEVICE_NOT_OPENED;
    case LIBUSB_ERROR_IO:
    case LIBUSB_ERROR_TIMEOUT:
    case LIBUSB_ERROR_OVERFLOW:
    case LIBUSB_ERROR_PIPE:
    case LIBUSB_ERROR_INTERRUPTED: return FT_IO_ERROR;
    case LIBUSB_ERROR_INVALID_PARAM: return FT_INVALID_PARAMETER;
    case LIBUSB_ERROR_NO_MEM: return FT_INSUFFICIENT_RESOURCES;
    default: return code > 0 ? FT_OK : FT_OTHER_ERROR;
  }
}

FT_STATUS Map_Ftdi_Error(Ftdi_Call call, int code, std::string_view text) {
  if (code >= 0) return FT_OK;
  // No USB bus, or a device gone between counting and listing: not found.
  if (code == No_Usb_Bus || code == No_Such_Device) return FT_DEVICE_NOT_FOUND;
  const std::string lower = Lower_Case(text);
  for (const Mapping_Row& row : Mapping_Rows) {
    if (row.call != call || row.code != code) continue;
    if (row.text_part.empty() || lower.find(row.text_part) != std::string::npos) return row.status;
  }
  if (Carries_Libusb_Code(call)) return Map_Libusb_Error(code);
  for (const Text_Rule& rule : Text_Rules) {
    if (lower.find(rule.text_part) != std::string::npos) return rule.status;
  }
  return FT_OTHER_ERROR;
}

}  // namespace tarnik::usb
