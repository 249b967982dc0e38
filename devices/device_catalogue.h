#pragma once
// The PROM types the programmer handles: the rows of the device list, the 27
// types among them, and the six device classes that decide the read mask,
// the fusing pulse family and the programming supply.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarnik {

enum class Pulse_Family { None, Signetics, National };

// The four placement pictures, by the name of the pane that holds them.
enum class Picture { Lower, Upper, Page_1, Page_2 };

[[nodiscard]] std::string_view Pane_Name(Picture picture);

struct Device_Type {
  int row = 0;                // index in the device list
  std::string_view row_text;  // as the list shows it
  std::string_view caption;   // the Device button's caption once chosen
  int32_t end = 0;            // last address
  int tag = 0;                // device class, 1 to 6
  Picture picture = Picture::Lower;
};

inline constexpr int Device_Rows = 40;
inline constexpr int Device_Type_Count = 27;

// The text of each of the 40 rows of the device list, blanks included.
[[nodiscard]] const std::array<std::string_view, Device_Rows>& Device_Row_Texts();

// The type chosen by a row, or null for a heading, note or blank row and
// for an index outside the list.
[[nodiscard]] const Device_Type* Type_At_Row(int row);

// All 27 types in list order.
[[nodiscard]] std::span<const Device_Type> Device_Types();

// A type by its caption or its row text (runs of blanks in the row text may
// be given as one), compared without regard to case.
[[nodiscard]] const Device_Type* Find_Device_Type(std::string_view name);

// What the device class (the device tag) decides. Tag 0, before any type is
// chosen, has no pulse family.
[[nodiscard]] bool Is_Four_Bit_Class(int tag);
[[nodiscard]] Pulse_Family Family_Of_Class(int tag);
// Bits 0 to this minus one of a buffer byte get a pulse when they are 1.
[[nodiscard]] int Programmed_Bits(int tag);
// The Reg_Supply value of the addressing state while programming.
[[nodiscard]] uint8_t Program_Supply(int tag);
// Data bits a location of the class holds: 4 or 8.
[[nodiscard]] int Data_Bits_Of_Class(int tag);

// "Signetics 256 x 4 and 512 x 4" and so on; empty for a tag outside 1 to 6.
[[nodiscard]] std::string_view Class_Name(int tag);

}  // namespace tarnik
