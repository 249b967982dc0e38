#include "files/binary_file.h"

#include <algorithm>

namespace tarnik {

std::size_t Store_Binary_Block(Prom_Image& image, std::size_t position, std::string_view block) {
  const std::size_t room = position < image.size() ? image.size() - position : 0;
  const std::size_t stored = std::min(room, block.size());
  for (std::size_t i = 0; i < stored; ++i)
    image[position + i] = static_cast<uint8_t>(block[i]);
  return block.size() - stored;
}

Binary_Read_Result Read_Binary_Image(std::string_view file, const Prom_Image& start) {
  Binary_Read_Result result;
  result.image = start;
  result.dropped = Store_Binary_Block(result.image, 0, file);
  return result;
}

std::string Write_Binary_Image(const Prom_Image& image, int32_t device_end) {
  const int32_t last = Loop_End(device_end);
  std::string bytes;
  for (int32_t address = 0; address <= last; ++address)
    bytes += static_cast<char>(image[static_cast<std::size_t>(address)]);
  return bytes;
}

}  // namespace tarnik
