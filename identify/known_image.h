#pragma once
// A known image as the catalogues and ROM folders describe it, and the dump
// it is compared with.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnik::identify {

// The largest part the programmer takes: nothing longer can be a candidate.
inline constexpr uint32_t Max_Part_Bytes = 1024;

// Called now and then during a long parse or scan, so that a window can
// pump its messages.
using Keep_Alive = std::function<void()>;

// One image of the size asked for, named by a DAT catalogue.
struct Listed_Image {
  std::string rom;
  std::string game;
  uint32_t crc = 0;
  std::string sha1;  // 40 lower-case hex digits; empty: the entry gives none
  std::string description;
  std::string year;
  std::string manufacturer;
  std::string parent;         // the entry it is a clone of; empty for none
  bool bad_dump = false;      // the catalogue knows this image to be a bad read
  bool other_memory = false;  // kept for a memory that is not a PROM
};

// One image of the size asked for, found in a ROM folder with its bytes.
struct Folder_Image {
  std::string rom;  // the zip member, or the plain file's path below the folder
  std::string set;  // the zip's path below the folder, or the folder's name
  std::vector<uint8_t> data;
  // Where the loaders take it from: `/roms/board.zip:member`, or the plain
  // file's path.
  std::string file;
};

}  // namespace tarnik::identify
