#pragma once
// The configuration file Tarnik.Cfg: nine lines, CR LF, decimal numbers,
// kept in the directory the program started in.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnik {

inline constexpr const char* Config_File_Name = "Tarnik.Cfg";
// Nine short lines; a longer file is no configuration and is not read.
inline constexpr std::size_t Config_File_Limit = 64 * 1024;

struct Configuration {
  int32_t device_row = 0;   // Tag of Device_Box
  int32_t file_type = 0;    // Tag of File_Type
  int32_t device_end = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t top = 0;
  int32_t left = 0;
  int32_t button_size = 0;  // Tag of Scale
  std::string last_file;
};

// The nine lines, each ended by CR LF.
[[nodiscard]] std::string Config_Text(const Configuration& config);

}  // namespace tarnik
