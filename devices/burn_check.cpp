#include "devices/burn_check.h"

#include "window/hex_text.h"
#include "devices/device_catalogue.h"

namespace tarnik {

bool Can_Take(uint8_t wanted, uint8_t found, int device_tag) {
  const auto data = static_cast<uint8_t>(Is_Four_Bit_Class(device_tag) ? wanted & 0x0F : wanted);
  return (found | data) == data;
}

std::string Unfit_Line(const Unfit_Location& location) {
  return Hex_Digits_At_Least(static_cast<uint32_t>(location.address), 4) + "  CANNOT TAKE-" +
         Hex_Digits_At_Least(location.wanted, 2) + " PART HAS-" +
         Hex_Digits_At_Least(location.found, 2);
}

std::string Unfit_Summary(std::size_t count) {
  return std::to_string(count) + " Locations Cannot Take the Buffer";
}

}  // namespace tarnik
