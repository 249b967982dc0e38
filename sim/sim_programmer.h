#pragma once
// The simulated programmer: the FTDI chip as a driver backend, the
// programmer's firmware behind it, and a socket for the part.
//
// Timing model, on the clock it is given, with the figures it assumes:
// - Host to chip: each FT_Write call takes 1 ms (one USB frame) plus 1 us a
//   byte; its bytes reach the firmware when the call ends.
// - Firmware: works through the packets in order, Default_Packet_Us (20 us,
//   settable) each; a read's 8-byte reply enters the chip's transmit buffer
//   when its packet is done. The packet's effect on the registers and the
//   part, and the byte a read samples, are taken at once, in order.
// - Chip transmit buffer: Chip_Tx_Capacity (128) bytes. A reply that does not
//   fit waits, and with it the firmware and every packet behind it: a window
//   of replies too large for the buffer stalls instead of going faster.
// - Chip to host: only into a bulk read the host has in flight. A full USB
//   packet (Usb_Packet_Data = 62 bytes after the 2 status bytes) goes at
//   once; the rest waits for the latency timer, which runs freely and fires
//   every latency period counted from time 0, so a short reply waits from 0
//   to one period. The packet a tick sends is short (with the status bytes
//   alone when nothing waits) and ends the bulk read: from then on the chip
//   keeps its bytes until the host looks again.
// - Host: every FT_GetQueueStatus is a look at what has come that starts a
//   new bulk read; it costs Poll_Cost_Us (10 us), the price of a look at a
//   read already in flight. FT_Read keeps a bulk read in flight while it
//   waits and returns when its count has come or its time-out has run out.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "window/clock.h"
#include "link/ftd2xx.h"
#include "sim/sim_faults.h"

namespace tarnik::sim {

// What sits in the programmer's socket: it sees every register write and
// drives the data pins that a read samples.
class Sim_Socket {
 public:
  virtual ~Sim_Socket() = default;
  virtual void Register_Written(uint8_t register_id, uint8_t value) = 0;
  [[nodiscard]] virtual uint8_t Data_Pins() const = 0;
};

struct Sim_Counters {
  uint64_t packets_out = 0;   // whole packets the firmware took
  uint64_t replies = 0;       // replies the firmware sent
  uint64_t read_timeouts = 0; // FT_Read calls that ended at their time-out short
  uint64_t bad_packets = 0;   // packets dropped for a wrong checksum
  int64_t link_us = 0;        // modelled time spent on the wire and waiting for replies
  uint64_t usb_writes = 0;    // FT_Write calls
  int64_t first_write_us = -1; // when the first FT_Write began
  int64_t last_transfer_us = 0;  // when the last FT_Write or FT_Read ended
};

struct Wire_Packet {
  int64_t time_us = 0;
  std::vector<uint8_t> bytes;
};

// Whether the simulator keeps every packet it took, for a test to read back;
// a long run of the window keeps none, so that its memory stays level.
enum class Wire_Record { Off, Kept };

class Sim_Programmer final : public Ftd2xx {
 public:
  static constexpr uint8_t Default_Latency_Ms = 16;
  static constexpr int64_t Default_Packet_Us = 20;
  static constexpr std::size_t Chip_Tx_Capacity = 128;
  static constexpr std::size_t Usb_Packet_Data = 62;
  static constexpr int64_t Poll_Cost_Us = 10;
  static constexpr const char* Serial_Number = "ZV4711A";
  static constexpr const char* Description = "Zorvik USB Programmer";

  Sim_Programmer(Clock& clock, Sim_Faults faults = Sim_Faults{},
                 Wire_Record record = Wire_Record::Off);

  void Set_Firmware(uint8_t major, uint8_t minor);
  void Set_Socket(Sim_Socket* socket) { socket_ = socket; }
  // The firmware's time for one packet.
  void Set_Packet_Time_Us(int64_t us) { packet_us_ = us; }

  FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override;
  FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override;
  FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t read_ms, uint32_t write_ms) override;
  FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) override;
  FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) override;
  FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count,
                     uint32_t* written) override;
  FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) override;
  FT_STATUS FT_Close(FT_HANDLE handle) override;

  [[nodiscard]] const Sim_Counters& Counters() const { return counters_; }
  // The modelled time from the first packet written to the last transfer.
  [[nodiscard]] int64_t Wall_Us() const;
  // Every packet taken, when the wire is recorded; none otherwise.
  [[nodiscard]] const std::vector<Wire_Packet>& Received() const { return received_; }
  [[nodiscard]] uint8_t Register(uint8_t register_id) const;
  [[nodiscard]] bool Is_Open() const { return open_; }
  // Whether the device has been pulled out (the unplug fault).
  [[nodiscard]] bool Unplugged() const { return unplugged_; }
  [[nodiscard]] uint8_t Latency_Ms() const { return latency_ms_; }
  [[nodiscard]] uint32_t Read_Timeout_Ms() const { return read_timeout_ms_; }
  [[nodiscard]] int Open_Count() const { return open_count_; }
  [[nodiscard]] uint8_t Firmware_Major() const { return major_; }
  [[nodiscard]] uint8_t Firmware_Minor() const { return minor_; }
  [[nodiscard]] int Records_Accepted() const { return records_accepted_; }
  [[nodiscard]] int Records_Rejected() const { return records_rejected_; }
  // What the fault indices count: FT_Write calls and awaited commands.
  [[nodiscard]] int Write_Calls() const { return write_calls_; }
  // The byte count of every FT_Write call, in order, as the host offered it.
  [[nodiscard]] const std::vector<uint32_t>& Write_Sizes() const { return write_sizes_; }
  [[nodiscard]] int Awaited_Commands() const { return awaited_commands_; }
  Sim_Faults& Faults() { return faults_; }

 private:
  // One packet as the firmware works through it, with the bytes it sends.
  struct Firmware_Item {
    int64_t arrival_us = 0;
    std::vector<uint8_t> reply;
    int64_t extra_us = 0;  // a reply that comes in pieces waits this long
  };

  [[nodiscard]] bool Handle_Valid(FT_HANDLE handle) const;
  [[nodiscard]] FT_HANDLE Own_Handle() const;
  [[nodiscard]] uint32_t Attached() const;
  void Account_Waiting();
  // Runs the firmware, the transmit buffer and the latency timer up to
  // `time_us`, or until the host has `until_host_has` bytes; returns the
  // time reached.
  int64_t Advance_To(int64_t time_us, std::size_t until_host_has);
  [[nodiscard]] int64_t Next_Firmware_Done() const;
  [[nodiscard]] bool Firmware_Blocked() const;
  [[nodiscard]] int64_t Next_Tick_After(int64_t time_us) const;
  [[nodiscard]] bool Quiet() const { return firmware_.empty() && chip_tx_.empty(); }
  void Send_To_Host(std::size_t count);
  // What the firmware takes of `count` bytes written; returns how many of
  // them it took before the device went.
  uint32_t Take_Bytes(const uint8_t* bytes, uint32_t count, int64_t when_us);
  // How many bytes of a write of `count` the chip accepts under the faults.
  [[nodiscard]] uint32_t Bytes_Offered(uint32_t count) const;
  void Frame_Packets(int64_t when_us);
  void Run_Packet(const std::array<uint8_t, 8>& packet, int64_t when_us);
  void Record_Packet(int64_t when_us, const uint8_t* bytes, std::size_t count);
  [[nodiscard]] bool Taking_Updates() const;
  bool Will_Answer();
  void Run_Update_Record(const uint8_t* record, int64_t when_us);
  void Answer_Flash_Check(int64_t when_us);
  void Send_Reply(std::array<uint8_t, 8> reply, int64_t when_us);

  Clock& clock_;
  Sim_Faults faults_;
  Sim_Socket* socket_ = nullptr;
  uint8_t major_ = 1;
  uint8_t minor_ = 7;
  bool open_ = false;
  bool unplugged_ = false;
  int open_count_ = 0;
  int write_calls_ = 0;
  int awaited_commands_ = 0;
  uint8_t latency_ms_ = Default_Latency_Ms;
  uint32_t read_timeout_ms_ = 0;
  std::array<uint8_t, 256> registers_{};
  std::vector<uint8_t> incoming_;
  bool in_bad_run_ = false;  // the stream is out of line; counted once per run
  std::deque<Firmware_Item> firmware_;
  std::deque<uint8_t> chip_tx_;
  std::deque<uint8_t> host_rx_;  // arrived at the host, not yet read
  int64_t firmware_free_us_ = 0;
  int64_t model_us_ = 0;         // how far the model has run
  bool read_in_flight_ = false;
  bool reading_ = false;         // inside FT_Read, which keeps a read in flight
  int64_t packet_us_ = Default_Packet_Us;
  std::size_t reply_bytes_pending_ = 0;  // sent by the firmware, not yet read
  uint16_t flash_sum_ = 0;  // of the update records taken
  int records_seen_ = 0;
  int records_accepted_ = 0;
  int records_rejected_ = 0;
  bool version_pending_ = false;
  uint8_t pending_major_ = 0;
  uint8_t pending_minor_ = 0;
  int64_t last_account_us_ = 0;
  Sim_Counters counters_;
  Wire_Record record_;
  std::vector<Wire_Packet> received_;
  std::vector<uint32_t> write_sizes_;
};

}  // namespace tarnik::sim
