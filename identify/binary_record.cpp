#include "identify/binary_record.h"

#include <algorithm>

namespace tarnik::identify {

namespace {

void Put_Little(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

void Put_U8(std::string& out, uint8_t value) { out.push_back(static_cast<char>(value)); }
void Put_U32(std::string& out, uint32_t value) { Put_Little(out, value, 4); }
void Put_U64(std::string& out, uint64_t value) { Put_Little(out, value, 8); }

void Put_Text(std::string& out, std::string_view text) {
  const std::size_t length = std::min<std::size_t>(text.size(), 0xFFFF);
  Put_Little(out, length, 2);
  out.append(text.substr(0, length));
}

bool Record_Reader::Bytes(std::size_t count, std::string_view& bytes) {
  if (bytes_.size() - position_ < count) return false;
  bytes = bytes_.substr(position_, count);
  position_ += count;
  return true;
}

bool Record_Reader::U8(uint8_t& value) {
  std::string_view field;
  if (!Bytes(1, field)) return false;
  value = static_cast<uint8_t>(field[0]);
  return true;
}

bool Record_Reader::U32(uint32_t& value) {
  uint64_t wide = 0;
  std::string_view field;
  if (!Bytes(4, field)) return false;
  for (int i = 3; i >= 0; --i) wide = (wide << 8) | static_cast<uint8_t>(field[i]);
  value = static_cast<uint32_t>(wide);
  return true;
}

bool Record_Reader::U64(uint64_t& value) {
  std::string_view field;
  if (!Bytes(8, field)) return false;
  value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(field[i]);
  return true;
}

bool Record_Reader::Text(std::string_view& text) {
  std::string_view field;
  if (!Bytes(2, field)) return false;
  const std::size_t length =
      static_cast<uint8_t>(field[0]) | (static_cast<std::size_t>(static_cast<uint8_t>(field[1])) << 8);
  return Bytes(length, text);
}

}  // namespace tarnik::identify
