#pragma once
// The device image in memory: 1024 bytes, addresses 0 to 1023, zero at
// program start, never resized.

#include <array>
#include <cstdint>

namespace tarnik {

inline constexpr std::size_t Prom_Size = 1024;
inline constexpr int32_t Prom_Last = 1023;

using Prom_Image = std::array<uint8_t, Prom_Size>;

// Whether an address lies in the image. Device loops check it at every step,
// so that nothing that moves their address counter can take them outside.
[[nodiscard]] constexpr bool Within_Buffer(int32_t address) {
  return address >= 0 && address <= Prom_Last;
}

// The last address a loop over the image may reach for a given device end:
// never past the image, whatever the device end holds.
[[nodiscard]] constexpr int32_t Loop_End(int32_t device_end) {
  return device_end > Prom_Last ? Prom_Last : device_end;
}

}  // namespace tarnik
