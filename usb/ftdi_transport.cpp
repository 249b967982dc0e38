#include "usb/ftdi_transport.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <array>
#include <deque>
#include <memory>
#include <sys/time.h>
#include <vector>

namespace tarnik::usb {

namespace {

constexpr int Device_Unavailable = -666;  // libftdi's code for a context without a device
constexpr std::size_t Text_Capacity = 256;

// A libftdi context that frees itself, closing its device if it has one.
class Context {
 public:
  Context() : ftdi_(ftdi_new()) {}
  ~Context() {
    if (ftdi_ != nullptr) ftdi_free(ftdi_);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  [[nodiscard]] ftdi_context* Get() const { return ftdi_; }

 private:
  ftdi_context* ftdi_;
};

// The devices with one pair of ids, as libftdi finds them.
class Device_List {
 public:
  Device_List(ftdi_context* ftdi, int vendor, int product)
      : found_(ftdi_usb_find_all(ftdi, &list_, vendor, product)) {}
  ~Device_List() {
    if (list_ != nullptr) ftdi_list_free(&list_);
  }
  Device_List(const Device_List&) = delete;
  Device_List& operator=(const Device_List&) = delete;

  // The count found, or libftdi's failure code.
  [[nodiscard]] int Found() const { return found_; }
  [[nodiscard]] libusb_device* At(int index) const {
    ftdi_device_list* at = list_;
    for (int i = 0; at != nullptr && i < index; ++i) at = at->next;
    return at != nullptr ? at->dev : nullptr;
  }

 private:
  ftdi_device_list* list_ = nullptr;
  int found_;
};

// A device without a serial number string has string index 0, which libftdi
// cannot read; such a device lists an empty serial number, as D2XX does.
bool Has_Serial_Number(libusb_device* device) {
  libusb_device_descriptor descriptor{};
  return libusb_get_device_descriptor(device, &descriptor) != 0 || descriptor.iSerialNumber != 0;
}

// A bulk read from the chip kept in flight with libusb's asynchronous
// transfers. A look handles what libusb has completed without waiting,
// keeps the data, drops the two modem status bytes that start every USB
// packet from the chip, and submits the next transfer. The chip ends a
// transfer with a short packet at every tick of its latency timer.
class In_Flight_Read {
 public:
  explicit In_Flight_Read(ftdi_context* ftdi)
      : ftdi_(ftdi), transfer_(libusb_alloc_transfer(0)), chunk_(Chunk_Size) {}
  ~In_Flight_Read() {
    Cancel();
    libusb_free_transfer(transfer_);
  }
  In_Flight_Read(const In_Flight_Read&) = delete;
  In_Flight_Read& operator=(const In_Flight_Read&) = delete;

  int Submit() {
    if (transfer_ == nullptr) return LIBUSB_ERROR_NO_MEM;
    libusb_fill_bulk_transfer(transfer_, ftdi_->usb_dev, static_cast<unsigned char>(ftdi_->out_ep),
                              chunk_.data(), static_cast<int>(chunk_.size()), &In_Flight_Read::Done,
                              this, 0);
    const int code = libusb_submit_transfer(transfer_);
    pending_ = code == 0;
    return code;
  }

  // A count taken from what has come, or a libusb code.
  int Look(uint8_t* out, int size) {
    timeval no_wait{0, 0};
    const int code = libusb_handle_events_timeout_completed(ftdi_->usb_ctx, &no_wait, nullptr);
    if (code < 0) return code;
    if (failure_ < 0) {
      const int failure = failure_;
      failure_ = 0;
      return failure;
    }
    if (!pending_) {
      const int submitted = Submit();
      if (submitted < 0) return submitted;
    }
    const auto count = static_cast<int>(std::min<std::size_t>(arrived_.size(), std::size_t(size)));
    std::copy(arrived_.begin(), arrived_.begin() + count, out);
    arrived_.erase(arrived_.begin(), arrived_.begin() + count);
    return count;
  }

  void Cancel() {
    if (!pending_) return;
    libusb_cancel_transfer(transfer_);
    for (int pass = 0; pass < Cancel_Passes && pending_; ++pass) {
      timeval wait{0, Cancel_Wait_Us};
      libusb_handle_events_timeout_completed(ftdi_->usb_ctx, &wait, nullptr);
    }
  }

 private:
  static constexpr std::size_t Chunk_Size = 4096;
  static constexpr int Cancel_Passes = 10;
  static constexpr long Cancel_Wait_Us = 100'000;

  static void LIBUSB_CALL Done(libusb_transfer* transfer) {
    auto* self = static_cast<In_Flight_Read*>(transfer->user_data);
    self->pending_ = false;
    switch (transfer->status) {
      case LIBUSB_TRANSFER_COMPLETED:
        self->Keep(transfer->buffer, transfer->actual_length);
        break;
      case LIBUSB_TRANSFER_CANCELLED:
      case LIBUSB_TRANSFER_TIMED_OUT:
        break;
      case LIBUSB_TRANSFER_NO_DEVICE: self->failure_ = LIBUSB_ERROR_NO_DEVICE; break;
      case LIBUSB_TRANSFER_STALL: self->failure_ = LIBUSB_ERROR_PIPE; break;
      case LIBUSB_TRANSFER_OVERFLOW: self->failure_ = LIBUSB_ERROR_OVERFLOW; break;
      default: self->failure_ = LIBUSB_ERROR_IO; break;
    }
  }

  void Keep(const uint8_t* data, int length) {
    Append_Packet_Data(data, length, static_cast<int>(ftdi_->max_packet_size), arrived_);
  }

  ftdi_context* ftdi_;
  libusb_transfer* transfer_;
  std::vector<uint8_t> chunk_;
  std::deque<uint8_t> arrived_;
  bool pending_ = false;
  int failure_ = 0;
};

class Libftdi_Transport final : public Ftdi_Transport {
 public:
  ~Libftdi_Transport() override { Close(); }
  Libftdi_Transport() = default;
  Libftdi_Transport(const Libftdi_Transport&) = delete;
  Libftdi_Transport& operator=(const Libftdi_Transport&) = delete;

  int Count_Devices(int vendor, int product) override {
    Context listing;
    if (listing.Get() == nullptr) return Fail(No_Usb_Bus, "libusb could not be started");
    const Device_List devices(listing.Get(), vendor, product);
    if (devices.Found() < 0) return Fail(devices.Found(), listing.Get());
    return devices.Found();
  }

  int Read_Device_Text(int vendor, int product, int index, Device_Text which,
                       std::string& text) override {
    Context listing;
    if (listing.Get() == nullptr) return Fail(No_Usb_Bus, "libusb could not be started");
    const Device_List devices(listing.Get(), vendor, product);
    libusb_device* device = devices.Found() < 0 ? nullptr : devices.At(index);
    if (device == nullptr) return Fail(No_Such_Device, "device not found");
    text.clear();
    if (which == Device_Text::Serial_Number && !Has_Serial_Number(device)) return 0;
    std::array<char, Text_Capacity> buffer{};
    const bool serial = which == Device_Text::Serial_Number;
    // The listing context holds no device, so the call opens its own handle
    // and closes that one only; the link's open device is never touched.
    const int status = ftdi_usb_get_strings2(
        listing.Get(), device, nullptr, 0, serial ? nullptr : buffer.data(),
        serial ? 0 : static_cast<int>(buffer.size()), serial ? buffer.data() : nullptr,
        serial ? static_cast<int>(buffer.size()) : 0);
    if (status < 0) return Fail(status, listing.Get());
    buffer.back() = 0;
    text = buffer.data();
    return 0;
  }

  int Open(int vendor, int product, const char* description, const char* serial_number) override {
    Close();
    ftdi_ = ftdi_new();
    if (ftdi_ == nullptr) return Fail(No_Usb_Bus, "libusb could not be started");
    // The kernel's serial driver claims the chip on plug-in; it lets go here.
    ftdi_->module_detach_mode = AUTO_DETACH_SIO_MODULE;
    ftdi_set_interface(ftdi_, INTERFACE_A);
    default_read_timeout_ms_ = ftdi_->usb_read_timeout;
    default_write_timeout_ms_ = ftdi_->usb_write_timeout;
    const int status = ftdi_usb_open_desc(ftdi_, vendor, product, description, serial_number);
    if (status == 0) return 0;
    Fail(status, ftdi_);
    ftdi_free(ftdi_);
    ftdi_ = nullptr;
    return status;
  }

  int Close() override {
    Stop_Reading();
    if (ftdi_ == nullptr) return 0;
    const int status = ftdi_usb_close(ftdi_);
    if (status < 0) Fail(status, ftdi_);
    ftdi_free(ftdi_);
    ftdi_ = nullptr;
    return status;
  }

  int Reset_Bitmode() override {
    return Checked(ftdi_ == nullptr ? Device_Unavailable
                                    : ftdi_set_bitmode(ftdi_, 0, BITMODE_RESET));
  }

  int Purge() override {
    return Checked(ftdi_ == nullptr ? Device_Unavailable : ftdi_tcioflush(ftdi_));
  }

  int Set_Latency(uint8_t ms) override {
    return Checked(ftdi_ == nullptr ? Device_Unavailable : ftdi_set_latency_timer(ftdi_, ms));
  }

  void Set_Usb_Timeouts(int read_ms, int write_ms) override {
    if (ftdi_ == nullptr) return;
    ftdi_->usb_read_timeout = read_ms > 0 ? read_ms : default_read_timeout_ms_;
    ftdi_->usb_write_timeout = write_ms > 0 ? write_ms : default_write_timeout_ms_;
  }

  int Start_Reading() override {
    if (ftdi_ == nullptr) return Checked(Device_Unavailable);
    reading_ = std::make_unique<In_Flight_Read>(ftdi_);
    const int code = reading_->Submit();
    if (code == 0) return 0;
    reading_.reset();
    return Fail(code, libusb_error_name(code));
  }

  void Stop_Reading() override { reading_.reset(); }

  int Read(uint8_t* buffer, int size) override {
    if (ftdi_ == nullptr) return Checked(Device_Unavailable);
    if (!reading_) return Checked(ftdi_read_data(ftdi_, buffer, size));
    const int count = reading_->Look(buffer, size);
    return count >= 0 ? count : Fail(count, libusb_error_name(count));
  }

  int Write(const uint8_t* buffer, int size) override {
    return Checked(ftdi_ == nullptr ? Device_Unavailable : ftdi_write_data(ftdi_, buffer, size));
  }

  [[nodiscard]] Ftdi_Failure Last_Failure() const override { return last_failure_; }

 private:
  int Fail(int code, const char* text) {
    last_failure_ = Ftdi_Failure{code, text != nullptr ? text : ""};
    return code;
  }
  int Fail(int code, ftdi_context* ftdi) { return Fail(code, ftdi_get_error_string(ftdi)); }
  int Checked(int status) {
    if (status >= 0) return status;
    if (status == Device_Unavailable) return Fail(status, "USB device unavailable");
    return Fail(status, ftdi_);
  }

  ftdi_context* ftdi_ = nullptr;
  std::unique_ptr<In_Flight_Read> reading_;
  int default_read_timeout_ms_ = 0;
  int default_write_timeout_ms_ = 0;
  Ftdi_Failure last_failure_;
};

}  // namespace

void Append_Packet_Data(const uint8_t* data, int length, int packet_size,
                        std::deque<uint8_t>& out) {
  constexpr int Status_Bytes = 2;
  const int packet = std::max(packet_size, Status_Bytes + 1);
  for (int at = 0; at < length; at += packet) {
    const int end = std::min(at + packet, length);
    if (end - at > Status_Bytes) out.insert(out.end(), data + at + Status_Bytes, data + end);
  }
}

std::unique_ptr<Ftdi_Transport> Make_Libftdi_Transport() {
  return std::make_unique<Libftdi_Transport>();
}

}  // namespace tarnik::usb
