#pragma once
// The firmware update file: a 16-byte header ("Update File" and 0x06 at
// offset 2, the expected flash checksum at 14 and 15) followed by 74-byte
// records. This is the one place that defines what the records carry, for
// the tool that builds update files and for the simulated programmer.
//
// Header bytes 0 and 1 carry the version the update installs (major, minor);
// the program does not examine them. A record is:
//   byte 0      Record_Marker
//   byte 1      kind: Record_Data, or Record_Version (the last record)
//   bytes 2, 3  flash address of the record's data, high byte first
//   bytes 4..6  0
//   byte 7      sum of bytes 0 to 6, modulo 256
//   bytes 8..73 66 bytes of flash data; a version record carries the new
//               version in bytes 8 (major) and 9 (minor)
// The flash checksum is the 16-bit sum of every byte of every record.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnik {

inline constexpr std::size_t Update_Header_Size = 16;
inline constexpr std::size_t Update_Record_Size = 74;
inline constexpr std::size_t Update_Max_Read = 9215;
inline constexpr std::size_t Update_Data_Per_Record = 66;
inline constexpr uint8_t Record_Marker = 0x7E;
inline constexpr uint8_t Record_Data = 0x00;
inline constexpr uint8_t Record_Version = 0x01;
inline constexpr uint8_t Record_Rejected = 0x7F;  // reply byte 7 for a bad record

enum class Update_File_Problem { None, Bad_Header, Too_Long };

// An update file as the update sends it: the expected flash checksum and
// the whole records, in file order.
struct Update_File {
  Update_File_Problem problem = Update_File_Problem::None;
  uint16_t expected_checksum = 0;
  std::vector<std::vector<uint8_t>> records;
};

// Checks an update file's bytes: more than Update_Max_Read of them is too
// long (sending part of an update would leave the programmer half flashed);
// a header without the signature and the expected checksum is no update.
// A file that is refused carries no records.
[[nodiscard]] Update_File Parse_Update_File(std::string_view bytes);

// "Update File" followed by 0x06: header bytes 2 to 13.
[[nodiscard]] const std::string& Update_Signature();

[[nodiscard]] uint16_t Flash_Checksum(const uint8_t* records, std::size_t count);

// Builds an update file that installs `major`.`minor` with the given flash
// image, cut into records.
[[nodiscard]] std::vector<uint8_t> Build_Update_File(uint8_t major, uint8_t minor,
                                                     const std::vector<uint8_t>& flash_image);

}  // namespace tarnik
