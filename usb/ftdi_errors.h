#pragma once
// libftdi's failure codes as driver statuses. libftdi numbers its failures
// per function and passes libusb's code through only from bulk transfers, so
// the mapping takes the call that failed, its code and its error text.

#include <string_view>

#include "link/ftd2xx.h"

namespace tarnik::usb {

enum class Ftdi_Call {
  Count,    // ftdi_usb_find_all
  Strings,  // ftdi_usb_get_strings
  Open,     // ftdi_usb_open_desc
  Close,    // ftdi_usb_close
  Read,     // ftdi_read_data: libusb codes
  Write,    // ftdi_write_data: libusb codes
  Latency,  // ftdi_set_latency_timer
  Bitmode,  // ftdi_set_bitmode
  Purge,    // ftdi_tcioflush
};

// A libusb error code of a transfer as a driver status.
[[nodiscard]] FT_STATUS Map_Libusb_Error(int code);

// The status for `code` returned by `call`, whose error text was `text`.
// Codes of 0 and above are success; so is a read that timed out with no
// data, which only means nothing came.
[[nodiscard]] FT_STATUS Map_Ftdi_Error(Ftdi_Call call, int code, std::string_view text);

}  // namespace tarnik::usb
