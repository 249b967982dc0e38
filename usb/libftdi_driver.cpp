#include "usb/libftdi_driver.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string>

namespace tarnik::usb {

namespace {

constexpr std::size_t Pull_Chunk = 4096;

void Copy_Text(const std::string& text, char* buffer) {
  const std::size_t length = std::min<std::size_t>(text.size(), FT_LIST_TEXT_MAX - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = 0;
}

}  // namespace

Libftdi_Driver::Libftdi_Driver(std::unique_ptr<Ftdi_Transport> transport, Clock& clock)
    : transport_(std::move(transport)), clock_(clock) {}

FT_HANDLE Libftdi_Driver::Own_Handle() const {
  return const_cast<void*>(static_cast<const void*>(this));
}

bool Libftdi_Driver::Handle_Valid(FT_HANDLE handle) const {
  return open_ && handle == Own_Handle();
}

FT_STATUS Libftdi_Driver::Failed(Ftdi_Call call, int code) const {
  return Map_Ftdi_Error(call, code, transport_->Last_Failure().text);
}

// A machine whose USB stack cannot be reached has no device attached.
FT_STATUS Libftdi_Driver::Count_Products(int product, int& count) {
  const int found = transport_->Count_Devices(Ftdi_Vendor, product);
  count = std::max(found, 0);
  if (found >= 0 || found == No_Usb_Bus) return FT_OK;
  return Failed(Ftdi_Call::Count, found);
}

FT_STATUS Libftdi_Driver::Count_All(uint32_t& count) {
  uint32_t total = 0;
  for (const int product : Ftdi_Products) {
    int found = 0;
    const FT_STATUS status = Count_Products(product, found);
    if (status != FT_OK) return status;
    total += static_cast<uint32_t>(found);
  }
  count = total;
  return FT_OK;
}

FT_STATUS Libftdi_Driver::Find_Place(uint32_t index, Device_Place& place) {
  for (const int product : Ftdi_Products) {
    int found = 0;
    const FT_STATUS status = Count_Products(product, found);
    if (status != FT_OK) return status;
    if (index < static_cast<uint32_t>(found)) {
      place = Device_Place{product, static_cast<int>(index)};
      return FT_OK;
    }
    index -= static_cast<uint32_t>(found);
  }
  return FT_DEVICE_NOT_FOUND;
}

FT_STATUS Libftdi_Driver::List_Text(uint32_t index, Device_Text which, char* buffer) {
  Device_Place place;
  const FT_STATUS found = Find_Place(index, place);
  if (found != FT_OK) return found;
  std::string text;
  const int status =
      transport_->Read_Device_Text(Ftdi_Vendor, place.product, place.index, which, text);
  if (status < 0) return Failed(Ftdi_Call::Strings, status);
  Copy_Text(text, buffer);
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_ListDevices(void* arg1, void* arg2, uint32_t flags) {
  if (flags == FT_LIST_NUMBER_ONLY) {
    if (arg1 == nullptr) return FT_INVALID_PARAMETER;
    return Count_All(*static_cast<uint32_t*>(arg1));
  }
  const uint32_t kind = flags & ~FT_LIST_BY_INDEX;
  const bool by_index = (flags & FT_LIST_BY_INDEX) != 0;
  if (!by_index || arg2 == nullptr ||
      (kind != FT_OPEN_BY_SERIAL_NUMBER && kind != FT_OPEN_BY_DESCRIPTION))
    return FT_INVALID_PARAMETER;
  const auto index = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg1));
  const Device_Text which =
      kind == FT_OPEN_BY_SERIAL_NUMBER ? Device_Text::Serial_Number : Device_Text::Description;
  return List_Text(index, which, static_cast<char*>(arg2));
}

// Tries the product ids in turn; a device that is there but cannot be
// opened ends the search with the reason.
FT_STATUS Libftdi_Driver::Open_First(const char* description, const char* serial_number) {
  for (const int product : Ftdi_Products) {
    const int code = transport_->Open(Ftdi_Vendor, product, description, serial_number);
    if (code >= 0) return FT_OK;
    const FT_STATUS status = Failed(Ftdi_Call::Open, code);
    if (status != FT_DEVICE_NOT_FOUND) return status;
  }
  return FT_DEVICE_NOT_FOUND;
}

// A chip left in a bit mode or with stale bytes by an earlier user starts
// afresh: serial/FIFO mode, both buffers empty, the libusb time-outs ours.
// Then a bulk read stays in flight, so that the queue status is a look at
// what has come and costs no latency period.
FT_STATUS Libftdi_Driver::Prepare_Opened() {
  FT_STATUS status = Reset_Bitmode();
  if (status == FT_OK) {
    const int code = transport_->Purge();
    status = code < 0 ? Failed(Ftdi_Call::Purge, code) : FT_OK;
  }
  if (status == FT_OK) {
    const int code = transport_->Start_Reading();
    status = code < 0 ? Failed(Ftdi_Call::Read, code) : FT_OK;
  }
  if (status != FT_OK) {
    transport_->Close();
    return status;
  }
  read_timeout_ms_ = 0;
  write_timeout_ms_ = 0;
  latency_ms_ = Default_Latency_Ms;
  Apply_Usb_Timeouts();
  received_.clear();
  open_ = true;
  return FT_OK;
}

// A chip that refuses the request to leave a bit mode answered it with a
// stall, so it is there and in the mode it powers up in, serial/FIFO:
// going on is sound. A chip that has gone away ends the opening.
FT_STATUS Libftdi_Driver::Reset_Bitmode() {
  const int code = transport_->Reset_Bitmode();
  if (code >= 0) return FT_OK;
  const FT_STATUS status = Failed(Ftdi_Call::Bitmode, code);
  return status == FT_IO_ERROR ? FT_OK : status;
}

FT_STATUS Libftdi_Driver::FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) {
  if (handle == nullptr || arg == nullptr ||
      (flags != FT_OPEN_BY_SERIAL_NUMBER && flags != FT_OPEN_BY_DESCRIPTION))
    return FT_INVALID_PARAMETER;
  if (open_) return FT_DEVICE_NOT_OPENED;  // the one device is held already
  const char* text = static_cast<const char*>(arg);
  // An empty text means the only device; libftdi matches any with null.
  const char* wanted = text[0] == 0 ? nullptr : text;
  const bool by_serial = flags == FT_OPEN_BY_SERIAL_NUMBER;
  FT_STATUS status = Open_First(by_serial ? nullptr : wanted, by_serial ? wanted : nullptr);
  if (status == FT_OK) status = Prepare_Opened();
  if (status == FT_OK) *handle = Own_Handle();
  return status;
}

// A transfer from the chip may take as long as the read time-out, and never
// less than one latency period and a margin, so that a transfer that is
// about to bring data is not cut off. A write time-out of 0 keeps libftdi's.
void Libftdi_Driver::Apply_Usb_Timeouts() {
  const int shortest_read_ms = latency_ms_ + Transfer_Margin_Ms;
  const int read_ms = read_timeout_ms_ > static_cast<uint32_t>(shortest_read_ms)
                          ? static_cast<int>(std::min<uint32_t>(read_timeout_ms_, INT_MAX))
                          : shortest_read_ms;
  const int write_ms = static_cast<int>(std::min<uint32_t>(write_timeout_ms_, INT_MAX));
  transport_->Set_Usb_Timeouts(read_ms, write_ms);
}

FT_STATUS Libftdi_Driver::FT_SetTimeouts(FT_HANDLE handle, uint32_t read_ms, uint32_t write_ms) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  read_timeout_ms_ = read_ms;
  write_timeout_ms_ = write_ms;
  Apply_Usb_Timeouts();
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (ms == 0) return FT_INVALID_PARAMETER;
  const int code = transport_->Set_Latency(ms);
  if (code < 0) return Failed(Ftdi_Call::Latency, code);
  latency_ms_ = ms;
  Apply_Usb_Timeouts();
  return FT_OK;
}

FT_STATUS Libftdi_Driver::Pull(std::size_t& pulled) {
  pulled = 0;
  const std::size_t room = Receive_Capacity - received_.size();
  if (room == 0) return FT_OK;
  std::array<uint8_t, Pull_Chunk> chunk{};
  const int size = static_cast<int>(std::min(room, chunk.size()));
  const int count = transport_->Read(chunk.data(), size);
  if (count < 0) return Failed(Ftdi_Call::Read, count);
  pulled = static_cast<std::size_t>(std::min(count, size));
  received_.insert(received_.end(), chunk.begin(),
                   chunk.begin() + static_cast<std::ptrdiff_t>(pulled));
  return FT_OK;
}

uint32_t Libftdi_Driver::Take(uint8_t* out, uint32_t count) {
  const auto taken = static_cast<uint32_t>(std::min<std::size_t>(count, received_.size()));
  const auto end = received_.begin() + static_cast<std::ptrdiff_t>(taken);
  std::copy(received_.begin(), end, out);
  received_.erase(received_.begin(), end);
  return taken;
}

FT_STATUS Libftdi_Driver::FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rx_bytes) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (rx_bytes == nullptr) return FT_INVALID_PARAMETER;
  std::size_t pulled = 0;
  const FT_STATUS status = Pull(pulled);
  if (status != FT_OK) return status;
  *rx_bytes = static_cast<uint32_t>(received_.size());
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count,
                                   uint32_t* written) {
  if (written != nullptr) *written = 0;
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (buffer == nullptr || written == nullptr || count > INT_MAX) return FT_INVALID_PARAMETER;
  if (count == 0) return FT_OK;
  const int sent = transport_->Write(static_cast<const uint8_t*>(buffer), static_cast<int>(count));
  if (sent < 0) return Failed(Ftdi_Call::Write, sent);
  *written = static_cast<uint32_t>(sent);
  return FT_OK;
}

int64_t Libftdi_Driver::Read_Wait_Us() const {
  return read_timeout_ms_ == 0 ? Untimed_Read_Limit_Us : int64_t{read_timeout_ms_} * 1000;
}

FT_STATUS Libftdi_Driver::FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) {
  if (read != nullptr) *read = 0;
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  if (buffer == nullptr || read == nullptr) return FT_INVALID_PARAMETER;
  auto* out = static_cast<uint8_t*>(buffer);
  const int64_t deadline = clock_.Now_Us() + Read_Wait_Us();
  uint32_t taken = Take(out, count);
  while (taken < count) {
    std::size_t pulled = 0;
    const FT_STATUS status = Pull(pulled);
    taken += Take(out + taken, count - taken);
    *read = taken;
    if (status != FT_OK) return status;
    const int64_t now = clock_.Now_Us();
    if (taken == count || now >= deadline) break;
    // Nothing came: pause instead of spinning a core on the bus.
    if (pulled == 0) clock_.Sleep_Until_Us(std::min(now + Poll_Pause_Us, deadline));
  }
  *read = taken;
  return FT_OK;
}

FT_STATUS Libftdi_Driver::FT_Close(FT_HANDLE handle) {
  if (!Handle_Valid(handle)) return FT_INVALID_HANDLE;
  transport_->Stop_Reading();
  const int code = transport_->Close();
  open_ = false;
  received_.clear();
  return code < 0 ? Failed(Ftdi_Call::Close, code) : FT_OK;
}

std::unique_ptr<Ftd2xx> Make_Libftdi_Driver(Clock& clock) {
  return std::make_unique<Libftdi_Driver>(Make_Libftdi_Transport(), clock);
}

}  // namespace tarnik::usb
