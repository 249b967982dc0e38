#include "usb/ftdi_transport.h"

#include <ftdi.h>

#include <vector>

namespace tarnik::usb {

namespace {

constexpr int Usb_Poll_Timeout_Ms = 20;

// A libftdi context that frees itself.
struct Context {
  Context() : ftdi(ftdi_new()) {}
  ~Context() {
    if (ftdi != nullptr) ftdi_free(ftdi);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ftdi_context* ftdi;
};

// Every FTDI device attached, in the order of the product list.
class Device_List {
 public:
  explicit Device_List(ftdi_context* ftdi) : ftdi_(ftdi) {
    for (const int product : Ftdi_Products) {
      ftdi_device_list* list = nullptr;
      const int found = ftdi_usb_find_all(ftdi, &list, Ftdi_Vendor, product);
      if (found < 0) {
        error_ = found;
        continue;
      }
      lists_.push_back(list);
      for (ftdi_device_list* at = list; at != nullptr; at = at->next) devices_.push_back(at->dev);
    }
  }
  ~Device_List() {
    for (ftdi_device_list* list : lists_) ftdi_list_free(&list);
  }
  Device_List(const Device_List&) = delete;
  Device_List& operator=(const Device_List&) = delete;

  [[nodiscard]] int Count() const {
    return devices_.empty() && error_ != 0 ? error_ : static_cast<int>(devices_.size());
  }
  [[nodiscard]] libusb_device* At(std::size_t index) const {
    return index < devices_.size() ? devices_[index] : nullptr;
  }

 private:
  ftdi_context* ftdi_;
  std::vector<ftdi_device_list*> lists_;
  std::vector<libusb_device*> devices_;
  int error_ = 0;
};

class Libftdi_Transport final : public Ftdi_Transport {
 public:
  ~Libftdi_Transport() override { Close(); }

  int Count_Devices() override {
    Context listing;  // its own context: listing never disturbs the open device
    if (listing.ftdi == nullptr) return -1;
    return Device_List(listing.ftdi).Count();
  }

  int Strings_Of(int index, Device_Strings& strings) override {
    Context listing;
    if (listing.ftdi == nullptr) return -1;
    Device_List devices(listing.ftdi);
    libusb_device* device = devices.At(static_cast<std::size_t>(index));
    if (device == nullptr) return -3;
    char description[128] = {};
    char serial[128] = {};
    const int status = ftdi_usb_get_strings(listing.ftdi, device, nullptr, 0, description,
                                            sizeof description, serial, sizeof serial);
    strings.description = description;
    strings.serial_number = serial;
    return status;
  }

  int Open(const char* serial_number) override {
    Close();
    ftdi_ = ftdi_new();
    if (ftdi_ == nullptr) return -1;
    ftdi_->module_detach_mode = AUTO_DETACH_SIO_MODULE;
    int status = -3;
    for (const int product : Ftdi_Products) {
      status = ftdi_usb_open_desc(ftdi_, Ftdi_Vendor, product, nullptr, serial_number);
      if (status != -3) break;  // found: opened, or refused for a reason worth reporting
    }
    if (status != 0) {
      error_text_ = ftdi_get_error_string(ftdi_);
      ftdi_free(ftdi_);
      ftdi_ = nullptr;
      return status;
    }
    ftdi_->usb_read_timeout = Usb_Poll_Timeout_Ms;
    return 0;
  }

  int Reset_And_Flush() override {
    if (ftdi_ == nullptr) return -666;
    const int status = ftdi_set_bitmode(ftdi_, 0, BITMODE_RESET);
    return status < 0 ? status : ftdi_tcioflush(ftdi_);
  }

  int Set_Latency(uint8_t ms) override {
    return ftdi_ == nullptr ? -666 : ftdi_set_latency_timer(ftdi_, ms);
  }

  int Read(uint8_t* buffer, int size) override {
    return ftdi_ == nullptr ? -666 : ftdi_read_data(ftdi_, buffer, size);
  }

  int Write(const uint8_t* buffer, int size) override {
    return ftdi_ == nullptr ? -666 : ftdi_write_data(ftdi_, buffer, size);
  }

  void Close() override {
    if (ftdi_ == nullptr) return;
    ftdi_usb_close(ftdi_);
    ftdi_free(ftdi_);
    ftdi_ = nullptr;
  }

  [[nodiscard]] std::string Error_Text() const override {
    return ftdi_ != nullptr ? ftdi_get_error_string(ftdi_) : error_text_;
  }

 private:
  ftdi_context* ftdi_ = nullptr;
  std::string error_text_;
};

}  // namespace

std::unique_ptr<Ftdi_Transport> Make_Libftdi_Transport() {
  return std::make_unique<Libftdi_Transport>();
}

}  // namespace tarnik::usb
