#include "link/update_file.h"

#include <algorithm>
#include <numeric>

namespace tarnik {

const std::string& Update_Signature() {
  static const std::string signature = std::string("Update File") + '\x06';
  return signature;
}

Update_File Parse_Update_File(std::string_view bytes) {
  Update_File file;
  if (bytes.size() > Update_Max_Read) {
    file.problem = Update_File_Problem::Too_Long;
    return file;
  }
  // The expected checksum at 14 and 15 belongs to a valid header too.
  if (bytes.size() < Update_Header_Size ||
      bytes.substr(2, Update_Signature().size()) != Update_Signature()) {
    file.problem = Update_File_Problem::Bad_Header;
    return file;
  }
  file.expected_checksum = static_cast<uint16_t>(uint8_t(bytes[14]) << 8 | uint8_t(bytes[15]));
  // Only whole records are sent; a tail shorter than a record is not.
  for (std::size_t at = Update_Header_Size; at + Update_Record_Size <= bytes.size();
       at += Update_Record_Size) {
    const auto* start = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    file.records.emplace_back(start, start + Update_Record_Size);
  }
  return file;
}

uint16_t Flash_Checksum(const uint8_t* records, std::size_t count) {
  return static_cast<uint16_t>(std::accumulate(records, records + count, 0u) & 0xFFFF);
}

namespace {

std::vector<uint8_t> Record(uint8_t kind, uint16_t address, const uint8_t* data,
                            std::size_t length) {
  std::vector<uint8_t> record(Update_Record_Size, 0xFF);
  record[0] = Record_Marker;
  record[1] = kind;
  record[2] = static_cast<uint8_t>(address >> 8);
  record[3] = static_cast<uint8_t>(address & 0xFF);
  record[4] = record[5] = record[6] = 0;
  record[7] = static_cast<uint8_t>(std::accumulate(record.begin(), record.begin() + 7, 0u));
  std::copy(data, data + length, record.begin() + 8);
  return record;
}

}  // namespace

std::vector<uint8_t> Build_Update_File(uint8_t major, uint8_t minor,
                                       const std::vector<uint8_t>& flash_image) {
  std::vector<uint8_t> records;
  for (std::size_t at = 0; at < flash_image.size(); at += Update_Data_Per_Record) {
    const std::size_t length = std::min(Update_Data_Per_Record, flash_image.size() - at);
    const auto record = Record(Record_Data, static_cast<uint16_t>(at), flash_image.data() + at, length);
    records.insert(records.end(), record.begin(), record.end());
  }
  const uint8_t version[2] = {major, minor};
  const auto last = Record(Record_Version, 0xFFFF, version, 2);
  records.insert(records.end(), last.begin(), last.end());

  std::vector<uint8_t> file = {major, minor};
  file.insert(file.end(), Update_Signature().begin(), Update_Signature().end());
  const uint16_t checksum = Flash_Checksum(records.data(), records.size());
  file.push_back(static_cast<uint8_t>(checksum >> 8));
  file.push_back(static_cast<uint8_t>(checksum & 0xFF));
  file.insert(file.end(), records.begin(), records.end());
  return file;
}

}  // namespace tarnik
