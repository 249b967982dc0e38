#include "sim/sim_programmer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "link/update_file.h"

namespace tarnik::sim {

namespace {
constexpr int64_t Write_Base_Us = 1000;
constexpr int64_t Write_Per_Byte_Us = 1;
constexpr int64_t Second_Piece_Delay_Us = 10000;
constexpr std::size_t First_Piece = 3;
constexpr std::size_t Short_Reply_Bytes = 5;

uint8_t Checksum(const uint8_t* bytes) {
  return static_cast<uint8_t>(std::accumulate(bytes, bytes + 7, 0u) & 0xFF);
}
}  // namespace

Sim_Programmer::Sim_Programmer(Clock& clock, Sim_Faults faults, Wire_Record record)
    : clock_(clock), faults_(faults), record_(record) {}

void Sim_Programmer::Record_Packet(int64_t when_us, const uint8_t* bytes, std::size_t count) {
  if (record_ == Wire_Record::Kept)
    received_.push_back(Wire_Packet{when_us, std::vector<uint8_t>(bytes, bytes + count)});
}

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
  firmware_.clear();
  chip_tx_.clear();
  host_rx_.clear();
  reply_bytes_pending_ = 0;
  incoming_.clear();
  return FT_OK;
}

int64_t Sim_Programmer::Wall_Us() const {
  if (counters_.first_write_us < 0) return 0;
  return counters_.last_transfer_us - counters_.first_write_us;
}

void Sim_Programmer::Account_Waiting() {
  const int64_t now = clock_.Now_Us();
  if (reply_bytes_pending_ > 0) counters_.link_us += now - last_account_us_;
  last_account_us_ = now;
}

int64_t Sim_Programmer::Next_Firmware_Done() const {
  const Firmware_Item& item = firmware_.front();
  const int64_t done = std::max(item.arrival_us, firmware_free_us_) + packet_us_ + item.extra_us;
  // A firmware that waited for room finishes no earlier than the room came.
  return std::max(done, model_us_);
}

bool Sim_Programmer::Firmware_Blocked() const {
  return chip_tx_.size() + firmware_.front().reply.size() > Chip_Tx_Capacity;
}

int64_t Sim_Programmer::Next_Tick_After(int64_t time_us) const {
  const int64_t period = int64_t{latency_ms_} * 1000;
  return (time_us / period + 1) * period;
}

void Sim_Programmer::Send_To_Host(std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    host_rx_.push_back(chip_tx_.front());
    chip_tx_.pop_front();
  }
}

int64_t Sim_Programmer::Advance_To(int64_t time_us, std::size_t until_host_has) {
  for (;;) {
    if (host_rx_.size() >= until_host_has) return model_us_;
    const bool in_flight = read_in_flight_ || reading_;
    if (in_flight && chip_tx_.size() >= Usb_Packet_Data) {
      Send_To_Host(Usb_Packet_Data);  // a full USB packet goes at once
      continue;
    }
    const bool firmware_ready = !firmware_.empty() && !Firmware_Blocked();
    // Nothing can move until the host looks again.
    if (!in_flight && !firmware_ready) break;
    const int64_t tick = Next_Tick_After(model_us_);
    const int64_t done = firmware_ready ? Next_Firmware_Done() : INT64_MAX;
    if (std::min(tick, done) > time_us) break;
    if (done <= tick) {
      model_us_ = done;
      firmware_free_us_ = done;
      const Firmware_Item& item = firmware_.front();
      chip_tx_.insert(chip_tx_.end(), item.reply.begin(), item.reply.end());
      firmware_.pop_front();
      continue;
    }
    // The latency timer: what waits goes in a short packet, which ends the
    // bulk read in flight.
    model_us_ = tick;
    if (in_flight) {
      Send_To_Host(chip_tx_.size());
      read_in_flight_ = false;
      if (Quiet() && !reading_) break;
    }
  }
  model_us_ = std::max(model_us_, time_us);
  return model_us_;
}

FT_STATUS Sim_Programmer::FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (unplugged_) return FT_IO_ERROR;
  if (rx_bytes == nullptr) return FT_INVALID_PARAMETER;
  Account_Waiting();
  Advance_To(clock_.Now_Us(), SIZE_MAX);
  *rx_bytes = static_cast<uint32_t>(host_rx_.size());
  read_in_flight_ = true;
  clock_.Sleep_Until_Us(clock_.Now_Us() + Poll_Cost_Us);
  Account_Waiting();
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
  ++counters_.usb_writes;
  write_sizes_.push_back(count);
  const uint32_t offered = Bytes_Offered(count);
  const int64_t start = clock_.Now_Us();
  if (counters_.first_write_us < 0) counters_.first_write_us = start;
  const int64_t end = start + Write_Base_Us + Write_Per_Byte_Us * count;
  clock_.Sleep_Until_Us(end);
  counters_.link_us += end - start;
  counters_.last_transfer_us = end;
  last_account_us_ = end;
  *written = Take_Bytes(static_cast<const uint8_t*>(buffer), offered, end);
  // A device pulled out in the middle of the write took only what came
  // before, and says so; one pulled out after its last packet fails next.
  return unplugged_ && *written < offered ? FT_IO_ERROR : FT_OK;
}

uint32_t Sim_Programmer::Bytes_Offered(uint32_t count) const {
  if (write_calls_ != faults_.short_write_at || count == 0) return count;
  if (faults_.short_write_keeps < 0) return count - 1;
  return std::min(static_cast<uint32_t>(faults_.short_write_keeps), count - 1);
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
  reading_ = true;
  int64_t now = Advance_To(start, count);
  if (host_rx_.size() < count) {
    if (read_timeout_ms_ != 0) {
      now = Advance_To(deadline, count);
    } else {
      while (!Quiet() && host_rx_.size() < count) now = Advance_To(model_us_ + 1000, count);
    }
  }
  now = std::max(now, start);
  reading_ = false;
  read_in_flight_ = true;
  const bool complete = host_rx_.size() >= count;
  clock_.Sleep_Until_Us(now);
  const auto available = static_cast<uint32_t>(std::min<std::size_t>(count, host_rx_.size()));
  auto* out = static_cast<uint8_t*>(buffer);
  for (uint32_t i = 0; i < available; ++i) {
    out[i] = host_rx_.front();
    host_rx_.pop_front();
  }
  reply_bytes_pending_ -= std::min<std::size_t>(reply_bytes_pending_, available);
  if (!complete) ++counters_.read_timeouts;
  counters_.link_us += now - start;
  counters_.last_transfer_us = now;
  last_account_us_ = now;
  *read = available;
  return FT_OK;
}

uint32_t Sim_Programmer::Take_Bytes(const uint8_t* bytes, uint32_t count, int64_t when_us) {
  const bool was_plugged = !unplugged_;
  incoming_.insert(incoming_.end(), bytes, bytes + count);
  Frame_Packets(when_us);
  if (!was_plugged || !unplugged_) return count;
  // Whatever of this write the firmware had not framed when the device went
  // never reached it.
  const auto lost = static_cast<uint32_t>(std::min<std::size_t>(incoming_.size(), count));
  incoming_.clear();
  return count - lost;
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
  firmware_.push_back(Firmware_Item{when_us, {}, 0});
  Record_Packet(when_us, packet.data(), packet.size());
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

// The reply goes out when the firmware is done with the packet that asked
// for it, which is the last item queued; in pieces, the rest follows later.
void Sim_Programmer::Send_Reply(std::array<uint8_t, 8> reply, int64_t when_us) {
  ++counters_.replies;
  if (reply_bytes_pending_ == 0) last_account_us_ = clock_.Now_Us();
  const std::size_t length =
      awaited_commands_ == faults_.short_reply_to ? Short_Reply_Bytes : reply.size();
  reply_bytes_pending_ += length;
  const std::size_t first = faults_.reply_in_pieces ? std::min(First_Piece, length) : length;
  Firmware_Item& item = firmware_.back();
  item.reply.assign(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(first));
  if (first == length) return;
  firmware_.push_back(Firmware_Item{
      when_us,
      std::vector<uint8_t>(reply.begin() + static_cast<std::ptrdiff_t>(first),
                           reply.begin() + static_cast<std::ptrdiff_t>(length)),
      Second_Piece_Delay_Us - packet_us_});
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
  firmware_.push_back(Firmware_Item{when_us, {}, 0});
  Record_Packet(when_us, record, Update_Record_Size);
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
