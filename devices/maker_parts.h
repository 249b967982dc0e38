#pragma once
// Other makers' parts that read as one of the catalogue's types, and the
// choice of a type by the number printed on a chip: a maker's part or a
// catalogue type, with the maker's prefix ("N", "DM", "SN") and the
// package, speed and temperature letters after it ("N82S129AN",
// "DM74S287AN", "6301-1J").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_catalogue.h"

namespace tarnik {

enum class Blank_State { Zeros, Ones, Unknown };

struct Maker_Part {
  std::string maker;
  std::string part;
  const Device_Type* type = nullptr;  // the catalogue type it reads as
  bool own_pulse = true;              // the programmer's pulse is the maker's own
  Blank_State blank = Blank_State::Zeros;
};

// What a chip's number chooses: a catalogue type, and the maker's part when
// the number is one of the table's.
struct Part_Choice {
  const Device_Type* type = nullptr;
  std::optional<Maker_Part> maker_part;
};

class Maker_Parts {
 public:
  Maker_Parts() = default;
  // The table's text: rows "MAKER PART TYPE own|other 0|1|?", '#' comments.
  // A row that does not parse is named in `problems` and left out.
  static Maker_Parts Parse(std::string_view text, std::vector<std::string>& problems);

  [[nodiscard]] const std::vector<Maker_Part>& Rows() const { return rows_; }

  // The type a chip's number names, by the longest catalogue caption or
  // table part found in it with at most a few letters before it; nothing
  // when none is found.
  [[nodiscard]] std::optional<Part_Choice> Find(std::string_view marking) const;

  // Every catalogue type and table part whose name contains `text` (without
  // regard to case, blanks or dashes), for a search box: catalogue types
  // first, in list order.
  [[nodiscard]] std::vector<Part_Choice> Search(std::string_view text) const;

 private:
  std::vector<Maker_Part> rows_;
};

// The line said once when a maker's part is chosen whose pulse is not the
// programmer's: "Read as 82S129: Program Refused, TBP24S10 Parts Need
// Their Maker's Pulse". Empty for a part of the programmer's own pulse.
[[nodiscard]] std::string Foreign_Pulse_Line(const Maker_Part& part);
// The line after a blank check of a part whose blank state is not all 0.
[[nodiscard]] std::string Blank_State_Line(const Maker_Part& part);
// The name shown for a choice: "TBP24S10 (TI, Reads as 82S129)" or "82S129".
[[nodiscard]] std::string Choice_Name(const Part_Choice& choice);

inline constexpr const char* Maker_Parts_File_Name = "Maker-Parts.Txt";

}  // namespace tarnik
