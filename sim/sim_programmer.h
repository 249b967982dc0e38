#pragma once
// The simulated programmer: the FTDI chip as a driver backend, the
// programmer's firmware behind it, and a socket for the part.
//
// Timing, on the clock it is given: each FT_Write call takes 1 ms plus 1 us a
// byte; a reply becomes readable one latency-timer period after the write
// that carried its command; FT_Read returns when its count has come or its
// time-out has run out; FT_GetQueueStatus reports what has arrived by now.

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
};

struct Wire_Packet {
  int64_t time_us = 0;
  std::vector<uint8_t> bytes;
};

class Sim_Programmer final : public Ftd2xx {
 public:
  static constexpr uint8_t Default_Latency_Ms = 16;
  static constexpr const char* Serial_Number = "ZV4711A";
  static constexpr const char* Description = "Zorvik USB Programmer";

  Sim_Programmer(Clock& clock, Sim_Faults faults = Sim_Faults{});

  void Set_Firmware(uint8_t major, uint8_t minor);
  void Set_Socket(Sim_Socket* socket) { socket_ = socket; }

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
  [[nodiscard]] const std::vector<Wire_Packet>& Received() const { return received_; }
  [[nodiscard]] uint8_t Register(uint8_t register_id) const;
  [[nodiscard]] bool Is_Open() const { return open_; }
  [[nodiscard]] uint8_t Latency_Ms() const { return latency_ms_; }
  [[nodiscard]] uint32_t Read_Timeout_Ms() const { return read_timeout_ms_; }
  [[nodiscard]] int Open_Count() const { return open_count_; }
  [[nodiscard]] uint8_t Firmware_Major() const { return major_; }
  [[nodiscard]] uint8_t Firmware_Minor() const { return minor_; }
  [[nodiscard]] int Records_Accepted() const { return records_accepted_; }
  [[nodiscard]] int Records_Rejected() const { return records_rejected_; }
  // What the fault indices count: FT_Write calls and awaited commands.
  [[nodiscard]] int Write_Calls() const { return write_calls_; }
  [[nodiscard]] int Awaited_Commands() const { return awaited_commands_; }
  Sim_Faults& Faults() { return faults_; }

 private:
  struct Queued_Byte {
    uint8_t value;
    int64_t arrival_us;
  };

  [[nodiscard]] bool Handle_Valid(FT_HANDLE handle) const;
  [[nodiscard]] FT_HANDLE Own_Handle() const;
  [[nodiscard]] uint32_t Attached() const;
  [[nodiscard]] uint32_t Arrived_By(int64_t time_us) const;
  void Account_Waiting();
  void Take_Bytes(const uint8_t* bytes, uint32_t count, int64_t when_us);
  void Frame_Packets(int64_t when_us);
  void Run_Packet(const std::array<uint8_t, 8>& packet, int64_t when_us);
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
  std::deque<Queued_Byte> outgoing_;
  bool reply_outstanding_ = false;
  uint16_t flash_sum_ = 0;  // of the update records taken
  int records_seen_ = 0;
  int records_accepted_ = 0;
  int records_rejected_ = 0;
  bool version_pending_ = false;
  uint8_t pending_major_ = 0;
  uint8_t pending_minor_ = 0;
  int64_t last_account_us_ = 0;
  Sim_Counters counters_;
  std::vector<Wire_Packet> received_;
};

}  // namespace tarnik::sim
