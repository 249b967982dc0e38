#include "files/hex_writers.h"

#include <algorithm>

#include "files/file_types.h"

namespace tarnik {

namespace {

constexpr int32_t Record_Bytes = 16;

uint8_t Byte_Of(int32_t value, int shift) { return static_cast<uint8_t>((value >> shift) & 0xFF); }

void End_Line(std::string& text, const std::string& line) {
  text += line;
  text += Hex_Line_End;
}

// Starts a record at Save_Pos: an empty line and a sum of the address bytes.
int32_t Start_Record(Hex_Line_State& state, int address_bytes) {
  const int32_t address = state.Save_Pos;
  state.Hex_Line.clear();
  state.Line_Sum = 0;
  for (int i = 0; i < address_bytes; ++i)
    state.Line_Sum = static_cast<uint8_t>(state.Line_Sum + Byte_Of(address, 8 * i));
  return address;
}

}  // namespace

int32_t Writer_End(int32_t device_end) { return std::clamp(device_end, int32_t{0}, Prom_Last); }

void Emit_Hex_Byte(const Prom_Image& image, Hex_Line_State& state) {
  const uint8_t byte = image.at(static_cast<std::size_t>(state.Save_Pos));
  state.Hex_Line += Hex_Digits(byte, 2);
  state.Line_Sum = static_cast<uint8_t>(state.Line_Sum + byte);
  ++state.Save_Pos;
}

std::string Write_Intel_Records(const Prom_Image& image, int32_t device_end) {
  const int32_t last = Writer_End(device_end);
  std::string text;
  End_Line(text, ":020000020000FC");
  Hex_Line_State state;
  do {
    const int32_t address = Start_Record(state, 2);
    for (int32_t i = 0; i < Record_Bytes; ++i) Emit_Hex_Byte(image, state);
    const auto checksum = static_cast<uint8_t>(0 - (Record_Bytes + state.Line_Sum));
    End_Line(text, ":" + Hex_Digits(Record_Bytes, 2) + Hex_Digits(static_cast<uint32_t>(address), 4) +
                       "00" + state.Hex_Line + Hex_Digits(checksum, 2));
  } while (state.Save_Pos <= last);
  End_Line(text, ":00000001FF");
  return text;
}

std::string Write_Motorola_Records(const Prom_Image& image, int32_t device_end) {
  const int32_t last = Writer_End(device_end);
  std::string text;
  Hex_Line_State state;
  do {
    const int32_t address = Start_Record(state, 3);
    int32_t written = 0;
    do {
      Emit_Hex_Byte(image, state);
      ++written;
    } while (written < Record_Bytes && state.Save_Pos <= last);
    const int32_t count = written + 4;
    const auto checksum = static_cast<uint8_t>(0xFF - ((count + state.Line_Sum) & 0xFF));
    End_Line(text, "S2" + Hex_Digits(static_cast<uint32_t>(count), 2) +
                       Hex_Digits(static_cast<uint32_t>(address), 6) + state.Hex_Line +
                       Hex_Digits(checksum, 2));
  } while (state.Save_Pos <= last);
  End_Line(text, "S804000000FB");
  return text;
}

std::string Write_Ascii_Lines(const Prom_Image& image, int32_t device_end) {
  const int32_t last = Writer_End(device_end);
  std::string text;
  Hex_Line_State state;
  do {
    state.Hex_Line.clear();
    do {
      Emit_Hex_Byte(image, state);
    } while (state.Save_Pos % Record_Bytes != 0 && state.Save_Pos <= last);
    End_Line(text, state.Hex_Line);
  } while (state.Save_Pos <= last);
  return text;
}

std::string Write_Hex_Image(int file_type, const Prom_Image& image, int32_t device_end) {
  switch (file_type) {
    case File_Intel_Hex:
      return Write_Intel_Records(image, device_end);
    case File_Motorola_Hex:
      return Write_Motorola_Records(image, device_end);
    case File_Ascii_Hex:
      return Write_Ascii_Lines(image, device_end);
    default:
      return {};
  }
}

}  // namespace tarnik
