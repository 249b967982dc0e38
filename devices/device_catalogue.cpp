#include "devices/device_catalogue.h"

#include <algorithm>
#include <cctype>

namespace tarnik {

namespace {

constexpr std::array<Device_Type, Device_Type_Count> Types = {{
    {2, "82S23           32 X 8", "82S23", 0x01F, 1, Picture::Lower},
    {3, "82S123          32 X 8", "82S123", 0x01F, 1, Picture::Lower},
    {4, "82S23A          32 X 8", "82S23A", 0x01F, 1, Picture::Lower},
    {5, "82S123A         32 X 8", "82S123A", 0x01F, 1, Picture::Lower},
    {6, "82S126         256 X 4", "82S126", 0x0FF, 3, Picture::Upper},
    {7, "82S129         256 X 4", "82S129", 0x0FF, 3, Picture::Upper},
    {8, "82S126A        256 X 4", "82S126A", 0x0FF, 3, Picture::Upper},
    {9, "82S129A        256 X 4", "82S129A", 0x0FF, 3, Picture::Upper},
    {10, "82S130         512 X 4", "82S130", 0x1FF, 3, Picture::Upper},
    {11, "82S131         512 X 4", "82S131", 0x1FF, 3, Picture::Upper},
    {12, "82S130A        512 X 4", "82S130A", 0x1FF, 3, Picture::Upper},
    {13, "82S131A        512 X 4", "82S131A", 0x1FF, 3, Picture::Upper},
    {18, "82S135         256 X 8", "82S135", 0x0FF, 6, Picture::Page_1},
    {19, "82S147(A)      512 X 8", "82S147", 0x1FF, 6, Picture::Page_1},
    {20, "82S181(A)(C)    1k X 8", "82S181", 0x3FF, 6, Picture::Page_2},
    {24, "74S188          32 X 8", "74S188", 0x01F, 2, Picture::Lower},
    {25, "74S288          32 X 8", "74S288", 0x01F, 2, Picture::Lower},
    {26, "74S287         256 X 4", "74S287", 0x0FF, 4, Picture::Upper},
    {27, "74S387         256 X 4", "74S387", 0x0FF, 4, Picture::Upper},
    {28, "74S570         512 X 4", "74S570", 0x1FF, 4, Picture::Upper},
    {29, "74S571         512 X 4", "74S571", 0x1FF, 4, Picture::Upper},
    {30, "74S570A        512 X 4", "74S570A", 0x1FF, 4, Picture::Upper},
    {31, "74S571A        512 X 4", "74S571A", 0x1FF, 4, Picture::Upper},
    {32, "74S571B        512 X 4", "74S571B", 0x1FF, 4, Picture::Upper},
    // The list shows the low-power name; the part is programmed as the 74S471.
    {37, "74LS471        256 X 8", "74S471", 0x0FF, 5, Picture::Page_1},
    {38, "74S472(A)(B)   512 X 8", "74S472", 0x1FF, 5, Picture::Page_1},
    {39, "74S473(A)      512 X 8", "74S473", 0x1FF, 5, Picture::Page_1},
}};

constexpr std::string_view Adapter_Note_1 = "Requires Adapter Socket,";
constexpr std::string_view Adapter_Note_2 = "See Page 12 of Prom.Doc..";

// The rows that are not types: headings, notes and blanks.
constexpr std::array<std::string_view, Device_Rows> Row_Texts_Without_Types() {
  std::array<std::string_view, Device_Rows> rows{};
  rows[0] = "    Signetics";
  rows[15] = Adapter_Note_1;
  rows[16] = Adapter_Note_2;
  rows[22] = "    National";
  rows[34] = Adapter_Note_1;
  rows[35] = Adapter_Note_2;
  return rows;
}

constexpr std::array<std::string_view, Device_Rows> Build_Row_Texts() {
  std::array<std::string_view, Device_Rows> rows = Row_Texts_Without_Types();
  for (const Device_Type& type : Types) rows[static_cast<std::size_t>(type.row)] = type.row_text;
  return rows;
}

constexpr std::array<std::string_view, Device_Rows> Row_Texts = Build_Row_Texts();

// Upper case, with every run of blanks folded into one.
std::string Normalised(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

std::string_view Pane_Name(Picture picture) {
  switch (picture) {
    case Picture::Lower: return "Lower";
    case Picture::Upper: return "Upper";
    case Picture::Page_1: return "Page_1";
    case Picture::Page_2: return "Page_2";
  }
  return "Lower";
}

const std::array<std::string_view, Device_Rows>& Device_Row_Texts() { return Row_Texts; }

const Device_Type* Type_At_Row(int row) {
  const auto found = std::find_if(Types.begin(), Types.end(),
                                  [row](const Device_Type& type) { return type.row == row; });
  return found == Types.end() ? nullptr : &*found;
}

std::span<const Device_Type> Device_Types() { return Types; }

const Device_Type* Find_Device_Type(std::string_view name) {
  const std::string wanted = Normalised(name);
  if (wanted.empty()) return nullptr;
  for (const Device_Type& type : Types)
    if (Normalised(type.caption) == wanted || Normalised(type.row_text) == wanted) return &type;
  return nullptr;
}

bool Is_Four_Bit_Class(int tag) { return tag == 3 || tag == 4; }

Pulse_Family Family_Of_Class(int tag) {
  switch (tag) {
    case 1:
    case 3:
    case 6: return Pulse_Family::Signetics;
    case 2:
    case 4:
    case 5: return Pulse_Family::National;
    default: return Pulse_Family::None;
  }
}

int Programmed_Bits(int tag) {
  const bool eight_bit_class = tag == 1 || tag == 2 || tag == 5 || tag == 6;
  return eight_bit_class ? 8 : 4;
}

uint8_t Program_Supply(int tag) { return tag == 2 || tag == 3 ? 0x22 : 0x62; }

int Data_Bits_Of_Class(int tag) { return Is_Four_Bit_Class(tag) ? 4 : 8; }

std::string_view Class_Name(int tag) {
  switch (tag) {
    case 1: return "Signetics 32 x 8";
    case 2: return "National 32 x 8";
    case 3: return "Signetics 256 x 4 and 512 x 4";
    case 4: return "National 256 x 4 and 512 x 4";
    case 5: return "National 256 x 8 and 512 x 8, 20-pin adapter";
    case 6: return "Signetics 256 x 8 and 512 x 8, 20-pin adapter; 1k x 8, 24-pin adapter";
    default: return "";
  }
}

}  // namespace tarnik
