#pragma once
// The part in the simulated programmer's socket: a bipolar fuse PROM of one
// of the catalogue's types, 1024 fuse bytes all 0 when new.
//
// It decodes its address from Reg_Addr_Lo (A0-A7), bit 0 of Reg_Supply (A8)
// and, for the 24-pin 1k x 8 type, bit 2 of the last Reg_Control value
// written outside the pulse mode (A9): that is the address phase's value,
// which a fusing pulse does not change. A bit fuses only when Reg_Control
// opens a fusing pulse (bit 7 set, bit 2 clear) while Reg_Mode is in the
// pulse mode and Reg_Supply carries the pulse supply of the part's own
// family; it fuses at the addressed location, on the bit in Reg_Bit_Select.
// Fused bits never return to 0.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_catalogue.h"
#include "sim/sim_flaky.h"
#include "sim/sim_programmer.h"
#include "sim/sim_stuck.h"

namespace tarnik::sim {

struct Fused_Bit {
  int address = 0;
  int bit = 0;
  friend bool operator==(const Fused_Bit&, const Fused_Bit&) = default;
};

inline constexpr std::size_t Part_Fuse_Bytes = 1024;
// A state file is a few dozen short lines; anything much longer is not one.
inline constexpr std::size_t Sim_State_Limit = 64 * 1024;
using Fuse_Bytes = std::array<uint8_t, Part_Fuse_Bytes>;

class Sim_Part final : public Sim_Socket {
 public:
  // A blank part of `type`, or an empty socket when `type` is null.
  explicit Sim_Part(const Device_Type* type);

  void Register_Written(uint8_t register_id, uint8_t value) override;
  // The fuse byte at the decoded address; a 4-bit part drives bits 0 to 3
  // and its upper pins float high. An empty socket reads 0xFF.
  [[nodiscard]] uint8_t Data_Pins() const override;

  [[nodiscard]] const Device_Type* Type() const { return type_; }
  // The type's caption, or "none" for an empty socket.
  [[nodiscard]] std::string_view Type_Name() const;
  [[nodiscard]] int Address() const;
  [[nodiscard]] const Fuse_Bytes& Fuses() const { return fuses_; }
  // Every pulse opened on the control lines, and those that could fuse.
  [[nodiscard]] uint64_t Pulses() const { return pulses_; }
  [[nodiscard]] uint64_t Fusing_Pulses() const { return fusing_pulses_; }
  // Each bit that went from 0 to 1, in the order it fused.
  [[nodiscard]] const std::vector<Fused_Bit>& Fuse_Record() const { return fuse_record_; }
  // Weak bits that read at random from now on.
  void Set_Flaky(Flaky_Bits flaky) { flaky_ = std::move(flaky); }
  // Bits fused before the part reached the socket: a used part.
  void Prefuse(int address, uint8_t bits);
  // Fuses that take their pulses and never blow.
  void Set_Unblowable(std::vector<Fused_Bit> fuses) { unblowable_ = std::move(fuses); }
  // Pins held at one level from now on.
  void Set_Stuck(Stuck_Pins stuck) { stuck_ = std::move(stuck); }

  // The part as a state file holds it: its type and its bytes in hex lines.
  [[nodiscard]] std::string State_Text() const;
  // Writes the state file; false when it cannot be written.
  bool Save_State(const std::string& path) const;

  // A part as a state file describes it; null with `error` set when the
  // text is damaged or names no known type.
  [[nodiscard]] static std::unique_ptr<Sim_Part> From_State_Text(std::string_view text,
                                                                 std::string& error);

 private:
  [[nodiscard]] int Data_Bits() const;
  [[nodiscard]] uint8_t Own_Pulse_Supply() const;
  void Control_Written(uint8_t value);
  void Pulse_Opened();

  const Device_Type* type_;
  Fuse_Bytes fuses_{};
  uint8_t address_lo_ = 0;
  uint8_t supply_ = 0;
  uint8_t control_ = 0;
  uint8_t mode_ = 0;
  uint8_t bit_select_ = 0;
  bool a9_ = false;
  uint64_t pulses_ = 0;
  uint64_t fusing_pulses_ = 0;
  std::vector<Fused_Bit> fuse_record_;
  Flaky_Bits flaky_;
  std::vector<Fused_Bit> unblowable_;
  Stuck_Pins stuck_;
};

// A blank part by type caption or row text, or "none" for an empty socket;
// null with `error` set for a name the catalogue does not know.
[[nodiscard]] std::unique_ptr<Sim_Part> Make_Sim_Part(std::string_view type_name,
                                                      std::string& error);

// The part kept in a state file. A missing file gives a blank part of
// `type_name`; a file that exists keeps its own type. Null with `error` set
// when the file is damaged or the name unknown.
[[nodiscard]] std::unique_ptr<Sim_Part> Load_Sim_Part(const std::string& path,
                                                      std::string_view type_name,
                                                      std::string& error);

// Puts the part into the programmer's socket, with the weak bits the
// programmer's faults name. The caller keeps the part for
// as long as the programmer may be used.
void Seat_Part(Sim_Programmer& programmer, Sim_Part& part);

}  // namespace tarnik::sim
