// Feeds arbitrary bytes to the hex reader in every file form and with device
// ends inside and outside the catalogue's, and checks what a read promises:
// it stays within the image, and a rejected text leaves the image it was
// given untouched apart from the bytes it stored before the error.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "buffer/prom_image.h"
#include "files/hex_reader.h"

namespace {

constexpr int32_t Device_Ends[] = {0, 31, 255, 511, 1023, -1, 4096, INT32_MAX, INT32_MIN};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the form and the device end; the rest is the file.
  const int file_type = data[0] & 0x3;
  const int32_t device_end = Device_Ends[(data[0] >> 2) % std::size(Device_Ends)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  tarnik::Prom_Image start;
  for (std::size_t i = 0; i < start.size(); ++i) start[i] = static_cast<uint8_t>(i * 31 + 7);
  const tarnik::Hex_Read_Result read = tarnik::Read_Hex_Image(text, file_type, device_end, start);

  if (!read.Succeeded()) {
    // The text names the field as taken off the line: "$" and at most the
    // eight characters of the widest field.
    constexpr std::string_view suffix = "' is not a valid integer value";
    const std::string& error = *read.error;
    Check(error.starts_with("'$") && error.ends_with(suffix));
    Check(error.size() <= 2 + 8 + suffix.size());
    Check(read.error_line >= 1);
  }
  // Every data byte is two characters at least, so a text can carry no
  // more bytes than half its length, stored or dropped.
  std::size_t changed = 0;
  for (std::size_t i = 0; i < start.size(); ++i) changed += read.image[i] != start[i];
  Check(changed + read.dropped <= text.size() / 2 + 1);
  Check(read.stored + read.dropped <= text.size() / 2 + 1);
  Check(changed <= read.stored);
  // A wrong checksum or an unknown record is counted on a line that exists,
  // once per record; the shortest record that can be wrong is an "S" and a
  // type digit.
  Check((read.bad_checksums == 0) == (read.first_bad_checksum_line == 0));
  Check(read.bad_checksums <= text.size() / 2 + 1);
  Check((read.unknown_records == 0) == (read.first_unknown_line == 0));
  Check(read.unknown_records <= read.bad_checksums + text.size() / 8 + 1);
  if (file_type == 0) Check(read.image == start && read.dropped == 0 && read.Succeeded());
  return 0;
}
