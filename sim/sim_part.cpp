#include "sim/sim_part.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <sstream>

#include "window/text_file.h"

namespace tarnik::sim {

namespace {

// The register ids and values as the programmer's adapter sees them.
constexpr uint8_t Supply_Register = 0x0F;
constexpr uint8_t Address_Register = 0x2F;
constexpr uint8_t Control_Register = 0x3F;
constexpr uint8_t Bit_Select_Register = 0x4F;
constexpr uint8_t Mode_Register = 0x5F;

constexpr uint8_t Pulse_Mode = 0x12;
constexpr uint8_t Signetics_Pulse_Supply = 0x66;
constexpr uint8_t National_Pulse_Supply = 0x36;
constexpr uint8_t Control_Strobe = 0x80;  // bit 7
constexpr uint8_t Control_A9 = 0x04;      // bit 2, low while a pulse fuses
constexpr int32_t One_K_End = 0x3FF;

constexpr const char* Empty_Socket_Name = "none";
constexpr const char* State_Heading = "# Simulated PROM: its type and its 1024 fuse bytes";
constexpr std::size_t Bytes_Per_Line = 16;

bool Opens_Pulse(uint8_t control) {
  return (control & Control_Strobe) != 0 && (control & Control_A9) == 0;
}

bool Same_Name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

bool Parse_Hex(std::string_view text, unsigned& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return error == std::errc{} && end == text.data() + text.size();
}

// One line "AAA: HH HH ..." of at most 16 bytes at a multiple of 16.
bool Parse_Byte_Line(std::string_view line, Fuse_Bytes& fuses) {
  const std::size_t colon = line.find(':');
  unsigned address = 0;
  if (colon == std::string_view::npos || !Parse_Hex(Trimmed(line.substr(0, colon)), address))
    return false;
  if (address % Bytes_Per_Line != 0 || address >= Part_Fuse_Bytes) return false;
  std::istringstream bytes{std::string(line.substr(colon + 1))};
  std::string word;
  std::size_t count = 0;
  while (bytes >> word) {
    unsigned value = 0;
    if (count == Bytes_Per_Line || word.size() != 2 || !Parse_Hex(word, value)) return false;
    fuses[address + count++] = static_cast<uint8_t>(value);
  }
  return count > 0;
}

}  // namespace

Sim_Part::Sim_Part(const Device_Type* type) : type_(type) {}

std::string_view Sim_Part::Type_Name() const {
  return type_ == nullptr ? std::string_view(Empty_Socket_Name) : type_->caption;
}

int Sim_Part::Data_Bits() const { return type_ == nullptr ? 0 : Data_Bits_Of_Class(type_->tag); }

uint8_t Sim_Part::Own_Pulse_Supply() const {
  if (type_ == nullptr) return 0;
  return Family_Of_Class(type_->tag) == Pulse_Family::National ? National_Pulse_Supply
                                                                : Signetics_Pulse_Supply;
}

int Sim_Part::Address() const {
  if (type_ == nullptr) return 0;
  int address = address_lo_ | ((supply_ & 0x01) << 8);
  if (type_->end == One_K_End && a9_) address |= 0x200;
  return stuck_.Apply_To_Address(address) & type_->end;
}

void Sim_Part::Register_Written(uint8_t register_id, uint8_t value) {
  switch (register_id) {
    case Address_Register: address_lo_ = value; break;
    case Supply_Register: supply_ = value; break;
    case Mode_Register: mode_ = value; break;
    case Bit_Select_Register: bit_select_ = value; break;
    case Control_Register: Control_Written(value); break;
    default: break;
  }
}

void Sim_Part::Control_Written(uint8_t value) {
  const bool opens = !Opens_Pulse(control_) && Opens_Pulse(value);
  control_ = value;
  // The address phase's control value carries A9; inside a pulse the line
  // is held.
  if (mode_ != Pulse_Mode) a9_ = (value & Control_A9) != 0;
  if (opens) Pulse_Opened();
}

void Sim_Part::Pulse_Opened() {
  ++pulses_;
  if (type_ == nullptr || mode_ != Pulse_Mode) return;
  if ((supply_ & 0xFE) != Own_Pulse_Supply()) return;
  if (bit_select_ >= Data_Bits()) return;
  ++fusing_pulses_;
  const int address = Address();
  const auto mask = static_cast<uint8_t>(1u << bit_select_);
  uint8_t& fuse = fuses_[static_cast<std::size_t>(address)];
  if ((fuse & mask) != 0) return;
  if (std::find(unblowable_.begin(), unblowable_.end(), Fused_Bit{address, bit_select_}) != unblowable_.end())
    return;
  fuse = static_cast<uint8_t>(fuse | mask);
  fuse_record_.push_back(Fused_Bit{address, bit_select_});
}

void Sim_Part::Prefuse(int address, uint8_t bits) {
  fuses_.at(static_cast<std::size_t>(address)) |= bits;
}

uint8_t Sim_Part::Data_Pins() const {
  if (type_ == nullptr) return flaky_.Apply(Address(), 0xFF);
  const uint8_t fuse = fuses_[static_cast<std::size_t>(Address())];
  const uint8_t driven = Data_Bits() == 4 ? static_cast<uint8_t>(0xF0 | (fuse & 0x0F)) : fuse;
  return stuck_.Apply_To_Data(flaky_.Apply(Address(), driven));
}

std::string Sim_Part::State_Text() const {
  std::string text = std::string(State_Heading) + "\ntype " + std::string(Type_Name()) + "\n";
  char line[8 + Bytes_Per_Line * 3];
  for (std::size_t at = 0; at < Part_Fuse_Bytes; at += Bytes_Per_Line) {
    int length = std::snprintf(line, sizeof line, "%03zX:", at);
    for (std::size_t i = 0; i < Bytes_Per_Line; ++i)
      length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length),
                              " %02X", fuses_[at + i]);
    text.append(line).push_back('\n');
  }
  return text;
}

bool Sim_Part::Save_State(const std::string& path) const {
  return Write_File_Atomically(path, State_Text());
}

std::unique_ptr<Sim_Part> Sim_Part::From_State_Text(std::string_view text, std::string& error) {
  std::unique_ptr<Sim_Part> part;
  Fuse_Bytes fuses{};
  std::istringstream lines{std::string(text)};
  std::string raw;
  for (int number = 1; std::getline(lines, raw); ++number) {
    const std::string_view line = Trimmed(raw);
    if (line.empty() || line.front() == '#') continue;
    if (line.substr(0, 5) == "type ") {
      part = Make_Sim_Part(Trimmed(line.substr(5)), error);
      if (!part) return nullptr;
    } else if (!Parse_Byte_Line(line, fuses)) {
      error = "line " + std::to_string(number) + " of the part's state is not a line of bytes";
      return nullptr;
    }
  }
  if (!part) {
    error = "the part's state names no type";
    return nullptr;
  }
  part->fuses_ = fuses;
  return part;
}

std::unique_ptr<Sim_Part> Make_Sim_Part(std::string_view type_name, std::string& error) {
  if (Same_Name(type_name, Empty_Socket_Name)) return std::make_unique<Sim_Part>(nullptr);
  const Device_Type* type = Find_Device_Type(type_name);
  if (type == nullptr) {
    error = "no PROM type named " + std::string(type_name);
    return nullptr;
  }
  return std::make_unique<Sim_Part>(type);
}

std::unique_ptr<Sim_Part> Load_Sim_Part(const std::string& path, std::string_view type_name,
                                        std::string& error) {
  const Bounded_File file = Read_Bounded_File(path, Sim_State_Limit);
  if (file.too_long) {
    error = Too_Long_Text(path, Sim_State_Limit) + "; it is no part's state";
    return nullptr;
  }
  if (!file.bytes) return Make_Sim_Part(type_name, error);
  return Sim_Part::From_State_Text(*file.bytes, error);
}

void Seat_Part(Sim_Programmer& programmer, Sim_Part& part) {
  const Sim_Faults& faults = programmer.Faults();
  if (!faults.flaky.empty()) part.Set_Flaky(Flaky_Bits(faults.flaky, faults.seed));
  part.Set_Stuck(Stuck_Pins(faults.stuck_bits, faults.stuck_addresses));
  programmer.Set_Socket(&part);
}

}  // namespace tarnik::sim
