#pragma once
// Reads a DAT catalogue of known images as it streams past, never holding
// the whole file: the `datafile` form (header, game, rom) and the `mame`
// form (machine, rom). Each usable `rom` is handed on as it is read; entries
// marked `status="nodump"` are passed over. Entity declarations and external
// entities are refused, so that no text can expand without bound or reach
// outside the file.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>

#include "identify/known_image.h"

namespace tarnik::identify {

// What one catalogue may make the reader hold, so that a crafted file cannot
// grow memory with its size: how deep elements nest, how long one attribute
// value or one text between tags is, and how much of the file one tag (with
// all its attributes), comment or declaration may span.
inline constexpr std::size_t Deepest_Nesting = 64;
inline constexpr std::size_t Longest_Value = 64 * 1024;
inline constexpr std::size_t Longest_Markup = 1024 * 1024;
// The catalogue is read this many bytes at a time; the keep-alive is called
// once after each, so that a caller can tell how far the reading is.
inline constexpr std::size_t Dat_Chunk_Bytes = 64 * 1024;

struct Dat_Entry {
  std::string_view rom;
  std::string_view game;
  uint32_t size = 0;
  uint32_t crc = 0;
  std::string_view sha1;  // 40 lower-case hex digits, or empty
  // What users know the entry by, as far as it stands before the rom.
  std::string_view description;
  std::string_view year;
  std::string_view manufacturer;
  // The entry this one is a clone of (`cloneof`, or else `romof`); empty
  // for an entry of its own.
  std::string_view parent;
  std::string_view region;  // the memory the image belongs in, when given
  bool bad_dump = false;    // `status="baddump"`
};

struct Dat_Outcome {
  std::string name;   // the header's name; empty when the catalogue has none
  std::string error;  // why the catalogue cannot be used; empty when whole
  std::size_t entries = 0;
};

// Entries handed on before an error are the caller's to throw away: a
// catalogue that fails anywhere is not used at all.
Dat_Outcome Read_Dat(std::istream& in, const std::function<void(const Dat_Entry&)>& on_entry,
                     const Keep_Alive& keep_alive = {});

}  // namespace tarnik::identify
