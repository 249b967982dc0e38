#pragma once
// The cache files' encoding: little fields appended to a string, and a reader
// that refuses to run past the end, so that a damaged cache reads as absent
// rather than as garbage.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnik::identify {

void Put_U8(std::string& out, uint8_t value);
void Put_U32(std::string& out, uint32_t value);
void Put_U64(std::string& out, uint64_t value);
// A length of at most 65535 bytes, then the bytes; longer text is cut.
void Put_Text(std::string& out, std::string_view text);

class Record_Reader {
 public:
  explicit Record_Reader(std::string_view bytes) : bytes_(bytes) {}
  [[nodiscard]] bool U8(uint8_t& value);
  [[nodiscard]] bool U32(uint32_t& value);
  [[nodiscard]] bool U64(uint64_t& value);
  [[nodiscard]] bool Text(std::string_view& text);
  [[nodiscard]] bool Bytes(std::size_t count, std::string_view& bytes);
  [[nodiscard]] bool At_End() const { return position_ == bytes_.size(); }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

}  // namespace tarnik::identify
