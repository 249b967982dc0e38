#include "files/hex_reader.h"

#include <algorithm>
#include <optional>

#include "window/text_file.h"
#include "files/file_types.h"

namespace tarnik {

namespace {

constexpr char Ctrl_Z = '\x1A';
// Intel record types 00 to 05 exist; S4 is the one S-record type that does not.
constexpr int32_t Intel_Last_Known_Type = 0x05;
constexpr int S_Unknown_Type = 4;

// Raised inside the reader when a hex field does not convert; carries the
// field as the error text shows it.
struct Conversion_Failure {
  std::string field;
};

int Hex_Digit_Value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Splits the text into lines: each runs up to and including the first CR or
// LF, or up to the end of the text. A CR LF pair thus gives a second line
// holding the LF alone.
class Line_Source {
 public:
  explicit Line_Source(std::string_view text) : text_(text.substr(0, text.find(Ctrl_Z))) {}

  [[nodiscard]] bool Ended() const { return at_ >= text_.size(); }

  // The next line, cut to the line window.
  std::string_view Next_Line() {
    const std::size_t line_end = text_.find_first_of("\r\n", at_);
    const std::size_t length =
        line_end == std::string_view::npos ? text_.size() - at_ : line_end - at_ + 1;
    const std::string_view line = text_.substr(at_, std::min(length, Hex_Line_Window));
    cut_ = length > Hex_Line_Window;
    // The LF of a CR LF pair comes as a line of its own but is no new line
    // for the person who reads the file.
    const bool lf_after_cr = at_ > 0 && text_[at_] == '\n' && text_[at_ - 1] == '\r';
    if (!lf_after_cr) ++editor_line_;
    at_ += length;
    return line;
  }

  // The editor's number of the line last taken, from 1.
  [[nodiscard]] std::size_t Editor_Line() const { return editor_line_; }
  // Whether the line window cut the line last taken.
  [[nodiscard]] bool Cut() const { return cut_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t editor_line_ = 0;
  bool cut_ = false;
};

class Hex_Reader {
 public:
  Hex_Reader(int file_type, int32_t device_end, Hex_Read_Result& result)
      : file_type_(file_type), device_end_(device_end), result_(result) {}

  void Read(std::string_view text) {
    Line_Source lines(text);
    while (!load_done_ && !lines.Ended()) {
      const std::string_view line = lines.Next_Line();
      line_number_ = lines.Editor_Line();
      line_cut_ = lines.Cut();
      Read_Line(line);
    }
  }

  [[nodiscard]] std::size_t Line_Number() const { return line_number_; }

 private:
  void Read_Line(std::string_view line) {
    hex_line_ = line.substr(1);
    const char mark = line.front();
    if (file_type_ == File_Intel_Hex && mark == ':') Read_Intel_Record();
    if (file_type_ == File_Motorola_Hex && mark == 'S') Read_S_Record();
    if (file_type_ == File_Ascii_Hex) Read_Ascii_Line(line);
  }

  // The next `width` characters of the line, or as many as are left.
  std::string_view Take(std::size_t width) {
    const std::string_view field = hex_line_.substr(0, width);
    hex_line_.remove_prefix(field.size());
    return field;
  }

  // The next field converted as a hexadecimal number; 8 digits keep their
  // 32-bit pattern, so a high S3 address reads as a negative value.
  int32_t Hex_Field(std::size_t width) {
    const std::string_view field = Take(width);
    if (field.empty()) throw Conversion_Failure{"$"};
    uint32_t value = 0;
    for (const char c : field) {
      const int digit = Hex_Digit_Value(c);
      if (digit < 0) throw Conversion_Failure{"$" + std::string(field)};
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
  }

  // The two digits after a record's data, without the conversion error: a
  // checksum that is missing or no number is a wrong one, not a stop.
  std::optional<uint8_t> Checksum_Field() {
    const std::string_view field = Take(2);
    if (field.size() != 2) return std::nullopt;
    const int high = Hex_Digit_Value(field[0]);
    const int low = Hex_Digit_Value(field[1]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<uint8_t>(high * 16 + low);
  }

  void Check_Record(uint32_t sum, uint8_t complement) {
    const bool window_full = line_cut_ && hex_line_.size() < 2;
    const std::optional<uint8_t> checksum = Checksum_Field();
    if (checksum && ((sum + *checksum) & 0xFF) == complement) return;
    // A checksum the line window cut off cannot be checked; it is not wrong.
    if (!checksum && window_full) return;
    Count_Bad_Checksum();
  }

  static uint32_t Byte_Sum(uint32_t value) {
    return (value & 0xFF) + ((value >> 8) & 0xFF) + ((value >> 16) & 0xFF) + (value >> 24);
  }

  // The bytes of a record that is not stored, summed for its checksum;
  // nothing when one is no hex number, which makes the checksum wrong
  // without stopping the read.
  std::optional<uint32_t> Skipped_Bytes_Sum(int32_t count) {
    uint32_t sum = 0;
    for (int32_t i = 0; i < count; ++i) {
      const std::optional<uint8_t> value = Checksum_Field();
      if (!value) return std::nullopt;
      sum += *value;
    }
    return sum;
  }

  void Count_Bad_Checksum() {
    if (result_.bad_checksums++ == 0) result_.first_bad_checksum_line = line_number_;
  }

  void Count_Unknown_Record() {
    if (result_.unknown_records++ == 0) result_.first_unknown_line = line_number_;
  }

  void Read_Intel_Record() {
    const int32_t count = Hex_Field(2);
    const int32_t address = Hex_Field(4);
    const int32_t type = Hex_Field(2);
    // All bytes of a record, its checksum included, add up to 0.
    const uint32_t head_sum = Byte_Sum(static_cast<uint32_t>(count)) +
                              Byte_Sum(static_cast<uint32_t>(address)) +
                              Byte_Sum(static_cast<uint32_t>(type));
    if (type == 0x00) {
      Check_Record(head_sum + Store_Record_Data(address, count), 0x00);
      return;
    }
    if (type > Intel_Last_Known_Type) Count_Unknown_Record();
    Check_Skipped_Record(head_sum, count, 0x00);
    if (type == 0x01) load_done_ = true;
  }

  void Check_Skipped_Record(uint32_t head_sum, int32_t count, uint8_t complement) {
    const std::optional<uint32_t> sum = Skipped_Bytes_Sum(count);
    if (sum)
      Check_Record(head_sum + *sum, complement);
    else
      Count_Bad_Checksum();
  }

  // An S-record that stores nothing: its count, then that many bytes, the
  // last of them the checksum. A count record (S5, S6) holds a 2- or 3-byte
  // count and nothing else; one of another length is of no type the form
  // knows, as a damaged data record's type digit gives.
  void Check_Skipped_S_Record(int type) {
    const std::optional<uint8_t> byte_count = Checksum_Field();
    if (!byte_count || *byte_count == 0) {
      Count_Bad_Checksum();
      return;
    }
    const bool count_record = type == 5 || type == 6;
    if (type == S_Unknown_Type || (count_record && *byte_count != type - 2))
      Count_Unknown_Record();
    Check_Skipped_Record(*byte_count, *byte_count - 1, 0xFF);
  }

  void Read_S_Record() {
    const std::string_view type_digit = Take(1);
    const int type = !type_digit.empty() && type_digit[0] >= '0' && type_digit[0] <= '9'
                         ? type_digit[0] - '0'
                         : 0;
    if (type < 1 || type > 3) {
      Check_Skipped_S_Record(type);
      if (type >= 7) load_done_ = true;
      return;
    }
    // Count less the address bytes and the checksum byte: the data bytes.
    const int32_t byte_count = Hex_Field(2);
    const int32_t count = byte_count - 2 - type;
    const int32_t address = Hex_Field(static_cast<std::size_t>(2 + 2 * type));
    const uint32_t data_sum = Store_Record_Data(address, count);
    // The checksum is the complement of the sum of count, address and data.
    Check_Record(Byte_Sum(static_cast<uint32_t>(byte_count)) +
                     Byte_Sum(static_cast<uint32_t>(address)) + data_sum,
                 0xFF);
  }

  // Stores the record's data bytes and returns their sum.
  uint32_t Store_Record_Data(int32_t load_address, int32_t count) {
    // The AND folds the start only: a record that begins just before the
    // device end runs on past the device range.
    const int64_t start = load_address & device_end_;
    uint32_t sum = 0;
    for (int32_t i = 0; i < count; ++i) {
      const int32_t value = Hex_Field(2);
      sum += static_cast<uint32_t>(value);
      Store(start + i, value);
    }
    return sum;
  }

  // The mark is data too: the whole windowed line, its line end included,
  // gives length / 2 bytes, and the address runs on from line to line.
  void Read_Ascii_Line(std::string_view line) {
    hex_line_ = line;
    const std::size_t bytes = line.size() / 2;
    for (std::size_t i = 0; i < bytes; ++i) Store(ascii_address_++, Hex_Field(2));
  }

  void Store(int64_t position, int32_t value) {
    if (position < 0 || position > Prom_Last) {
      ++result_.dropped;
      return;
    }
    result_.image[static_cast<std::size_t>(position)] = static_cast<uint8_t>(value);
    ++result_.stored;
  }

  const int file_type_;
  const int32_t device_end_;
  Hex_Read_Result& result_;
  std::string_view hex_line_;
  int64_t ascii_address_ = 0;
  std::size_t line_number_ = 0;
  bool line_cut_ = false;
  bool load_done_ = false;
};

}  // namespace

Hex_Read_Result Read_Hex_Image(std::string_view text, int file_type, int32_t device_end,
                               const Prom_Image& start) {
  Hex_Read_Result result;
  result.image = start;
  Hex_Reader reader(file_type, device_end, result);
  try {
    reader.Read(text);
  } catch (const Conversion_Failure& failure) {
    result.error = Not_Integer_Text(failure.field);
    result.error_line = reader.Line_Number();
  }
  return result;
}

}  // namespace tarnik
