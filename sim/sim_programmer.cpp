#include "sim/sim_programmer.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "link/update_file.h"

namespace tarnik::sim {

namespace {
constexpr int64_t Write_Base_Us = 1000;
constexpr int64_t Write_Per_Byte_Us = 1;
constexpr int64_t Second_Piece_Delay_Us = 10000;
constexpr std::size_t First_Piece = 3;

uint8_t Checksum(const uint8_t* bytes) {
  return static_cast<uint8_t>(std::accumulate(bytes, bytes + 7, 0u) & 0xFF);
}
}  // namespace

Sim_Programmer::Sim_Programmer(Clock& clock, Sim_Faults faults)
    : clock_(clock), faults_(faults) {}

void Sim_Programmer::Set_Firmware(uint8_t major, uint8_t minor) {
  major_ = major;
  minor_ = minor;
}

uint8_t Sim_Programmer::Register(uint8_t register_id) const { return registers_[register_id]; }

FT_HANDLE Sim_Programmer::Own_Handle() const {
  return const_cast<void*>(static_cast<const void*>(this));
}

bool Sim_Programmer::Handle_Valid(FT_HANDLE handle) const {
  return open_ && handle == Own_Handle();
}

uint32_t Sim_Programmer::Attached() const {
  if (unplugged_ || faults_.devices_attached < 0) return 0;
  return static_cast<uint32_t>(faults_.devices_attached);
}

FT_STATUS Sim_Programmer::FT_ListDevices(void* arg1, void* arg2, uint32_t flags) {
  if (flags == FT_LIST_NUMBER_ONLY) {
    if (arg1 == nullptr) return FT_INVALID_PARAMETER;
    *static_cast<uint32_t*>(arg1) = Attached();
    return FT_OK;
  }
  if ((flags & FT_LIST_BY_INDEX) == 0 || arg2 == nullptr) return FT_INVALID_PARAMETER;
  const auto index = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg1));
  if (index >= Attached()) return FT_DEVICE_NOT_FOUND;
  const std::string text = (flags & FT_OPEN_BY_DESCRIPTION) != 0
                               ? std::string(Description)
                               : std::string(Serial_Number) + (index > 0 ? "B" : "");
  const std::size_t length = std::min<std::size_t>(text.size(), FT_LIST_TEXT_MAX - 1);
  std::memcpy(arg2, text.data(), length);
  static_cast<char*>(arg2)[length] = 0;
  return FT_OK;
}

FT_STATUS Sim_Programmer::FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) {
  if (handle == nullptr || arg == nullptr || flags != FT_OPEN_BY_SERIAL_NUMBER)
    return FT_INVALID_PARAMETER;
  if (Attached() == 0) return FT_DEVICE_NOT_FOUND;
  const std::string serial(static_cast<const char*>(arg));
  if (!serial.empty() && serial != Serial_Number) return FT_DEVICE_NOT_FOUND;
  if (faults_.open_fails || open_) return FT_DEVICE_NOT_OPENED;
  open_ = true;
  ++open_count_;
  latency_ms_ = Default_Latency_Ms;
  *handle = Own_Handle();
  return FT_OK;
}

FT_STATUS Sim_Programmer::FT_SetTimeouts(FT_HANDLE handle, uint32_t read_ms, uint32_t) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (unplugged_) return FT_IO_ERROR;
  read_timeout_ms_ = read_ms;
  return FT_OK;
}

FT_STATUS Sim_Programmer::FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (unplugged_) return FT_IO_ERROR;
  if (ms < 1) return FT_INVALID_PARAMETER;
  latency_ms_ = ms;
  return FT_OK;
}

FT_STATUS Sim_Programmer::FT_Close(FT_HANDLE handle) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  open_ = false;
  outgoing_.clear();
  incoming_.clear();
  return FT_OK;
}

void Sim_Programmer::Account_Waiting() {
  const int64_t now = clock_.Now_Us();
  if (reply_outstanding_) counters_.link_us += now - last_account_us_;
  last_account_us_ = now;
}

uint32_t Sim_Programmer::Arrived_By(int64_t time_us) const {
  uint32_t count = 0;
  for (const Queued_Byte& b : outgoing_) {
    if (b.arrival_us > time_us) break;
    ++count;
  }
  return count;
}

FT_STATUS Sim_Programmer::FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (unplugged_) return FT_IO_ERROR;
  if (rx_bytes == nullptr) return FT_INVALID_PARAMETER;
  Account_Waiting();
  *rx_bytes = Arrived_By(clock_.Now_Us());
  return FT_OK;
}

FT_STATUS Sim_Programmer::FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count,
                                   uint32_t* written) {
  if (written != nullptr) *written = 0;
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (unplugged_) return FT_IO_ERROR;
  if (buffer == nullptr || written == nullptr) return FT_INVALID_PARAMETER;
  Account_Waiting();
  ++write_calls_;
  uint32_t taken = count;
  if (write_calls_ == faults_.short_write_at && taken > 0) --taken;
  const int64_t start = clock_.Now_Us();
  const int64_t end = start + Write_Base_Us + Write_Per_Byte_Us * count;
  clock_.Sleep_Until_Us(end);
  counters_.link_us += end - start;
  last_account_us_ = end;
  Take_Bytes(static_cast<const uint8_t*>(buffer), taken, end);
  *written = taken;
  return FT_OK;
}

FT_STATUS Sim_Programmer::FT_Read(FT_HANDLE handle, void* buffer, uint32_t count,
                                  uint32_t* read) {
  if (read != nullptr) *read = 0;
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (unplugged_) return FT_IO_ERROR;
  if (buffer == nullptr || read == nullptr) return FT_INVALID_PARAMETER;
  Account_Waiting();
  const int64_t start = clock_.Now_Us();
  // A read time-out of 0 waits for as long as bytes are still on their way.
  const int64_t deadline =
      read_timeout_ms_ == 0 ? INT64_MAX : start + int64_t{read_timeout_ms_} * 1000;
  int64_t done = deadline;
  bool complete = false;
  if (count == 0) {
    done = start;
    complete = true;
  } else if (count <= outgoing_.size()) {
    const int64_t full_at = std::max(start, outgoing_[count - 1].arrival_us);
    if (full_at <= deadline) {
      done = full_at;
      complete = true;
    }
  }
  if (!complete && read_timeout_ms_ == 0)
    done = outgoing_.empty() ? start : std::max(start, outgoing_.back().arrival_us);
  clock_.Sleep_Until_Us(done);
  const uint32_t available = std::min(count, Arrived_By(done));
  auto* out = static_cast<uint8_t*>(buffer);
  for (uint32_t i = 0; i < available; ++i) {
    out[i] = outgoing_.front().value;
    outgoing_.pop_front();
  }
  if (!complete) ++counters_.read_timeouts;
  counters_.link_us += done - start;
  last_account_us_ = done;
  if (outgoing_.empty()) reply_outstanding_ = false;
  *read = available;
  return FT_OK;
}

void Sim_Programmer::Take_Bytes(const uint8_t* bytes, uint32_t count, int64_t when_us) {
  incoming_.insert(incoming_.end(), bytes, bytes + count);
  Frame_Packets(when_us);
}

// The firmware frames the byte stream by content: eight bytes whose last is
// the sum of the first seven. A run of bytes that fails the check is dropped
// one byte at a time until the stream lines up again, and counted once.
void Sim_Programmer::Frame_Packets(int64_t when_us) {
  std::size_t at = 0;
  while (incoming_.size() - at >= 8 && !unplugged_) {
    const uint8_t* p = incoming_.data() + at;
    if (Taking_Updates() && p[0] == Record_Marker) {
      if (incoming_.size() - at < Update_Record_Size) break;  // the rest is on its way
      Run_Update_Record(p, when_us);
      at += Update_Record_Size;
      continue;
    }
    if (Checksum(p) != p[7]) {
      if (!in_bad_run_) ++counters_.bad_packets;
      in_bad_run_ = true;
      ++at;
      continue;
    }
    in_bad_run_ = false;
    std::array<uint8_t, 8> packet{};
    std::copy(p, p + 8, packet.begin());
    at += 8;
    Run_Packet(packet, when_us);
  }
  incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(at));
}

void Sim_Programmer::Run_Packet(const std::array<uint8_t, 8>& packet, int64_t when_us) {
  ++counters_.packets_out;
  received_.push_back(Wire_Packet{when_us, std::vector<uint8_t>(packet.begin(), packet.end())});
  if (faults_.unplug_after > 0 && counters_.packets_out >= uint64_t(faults_.unplug_after))
    unplugged_ = true;
  const uint8_t command = packet[0];
  if (command == 0xAA && packet[1] == 0x43) {
    Answer_Flash_Check(when_us);
    return;
  }
  if (command == 0x52) {
    // The end of an update: the firmware it carried is what runs now.
    if (version_pending_) Set_Firmware(pending_major_, pending_minor_);
    version_pending_ = false;
    return;
  }
  if (command >= 0x80) {
    if (command == 0x94) {
      registers_[packet[1]] = packet[2];
      if (socket_ != nullptr) socket_->Register_Written(packet[1], packet[2]);
    }
    return;
  }
  if (!Will_Answer()) return;
  std::array<uint8_t, 8> reply{};
  reply[0] = command;
  if (command == 0x22) {
    reply[1] = socket_ != nullptr ? socket_->Data_Pins() : 0;
  } else if (command == 0x56) {
    reply[1] = major_;
    reply[2] = minor_;
    reply[6] = faults_.bad_reply ? 1 : 0;
  } else {
    return;  // a command this firmware does not know is not answered
  }
  reply[7] = Checksum(reply.data());
  Send_Reply(reply, when_us);
}

void Sim_Programmer::Send_Reply(std::array<uint8_t, 8> reply, int64_t when_us) {
  ++counters_.replies;
  const int64_t arrival = when_us + int64_t{latency_ms_} * 1000;
  for (std::size_t i = 0; i < reply.size(); ++i) {
    const bool late = faults_.reply_in_pieces && i >= First_Piece;
    outgoing_.push_back(Queued_Byte{reply[i], arrival + (late ? Second_Piece_Delay_Us : 0)});
  }
  if (!reply_outstanding_) last_account_us_ = clock_.Now_Us();
  reply_outstanding_ = true;
}

}  // namespace tarnik::sim

namespace tarnik::sim {

// Counts an awaited command and tells whether the faults let it be answered.
bool Sim_Programmer::Will_Answer() {
  ++awaited_commands_;
  return !unplugged_ && !faults_.never_reply && awaited_commands_ != faults_.no_reply_to;
}

bool Sim_Programmer::Taking_Updates() const { return major_ * 256 + minor_ < 0x107; }

void Sim_Programmer::Run_Update_Record(const uint8_t* record, int64_t when_us) {
  ++counters_.packets_out;
  received_.push_back(
      Wire_Packet{when_us, std::vector<uint8_t>(record, record + Update_Record_Size)});
  std::array<uint8_t, 8> reply{};
  reply[0] = Record_Marker;
  ++records_seen_;
  // A record damaged on the way: its checksum no longer matches.
  const bool damaged = records_seen_ == faults_.corrupt_record;
  if (damaged || Checksum(record) != record[7]) {
    ++records_rejected_;
    reply[7] = Record_Rejected;
  } else {
    ++records_accepted_;
    flash_sum_ = static_cast<uint16_t>(flash_sum_ + Flash_Checksum(record, Update_Record_Size));
    if (record[1] == Record_Version) {
      version_pending_ = true;
      pending_major_ = record[8];
      pending_minor_ = record[9];
    }
    reply[7] = Checksum(reply.data());
  }
  if (Will_Answer()) Send_Reply(reply, when_us);
}

void Sim_Programmer::Answer_Flash_Check(int64_t when_us) {
  if (!Will_Answer()) return;
  std::array<uint8_t, 8> reply{};
  reply[0] = 0xAA;
  reply[2] = static_cast<uint8_t>(flash_sum_ >> 8);
  reply[3] = static_cast<uint8_t>(flash_sum_ & 0xFF);
  reply[7] = Checksum(reply.data());
  Send_Reply(reply, when_us);
}

}  // namespace tarnik::sim
