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

// "Update File" followed by 0x06: header bytes 2 to 13.
[[nodiscard]] const std::string& Update_Signature();

[[nodiscard]] uint16_t Flash_Checksum(const uint8_t* records, std::size_t count);

// Builds an update file that installs `major`.`minor` with the given flash
// image, cut into records.
[[nodiscard]] std::vector<uint8_t> Build_Update_File(uint8_t major, uint8_t minor,
                                                     const std::vector<uint8_t>& flash_image);

}  // namespace tarnik
