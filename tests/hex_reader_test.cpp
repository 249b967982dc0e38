#include "files/hex_reader.h"

#include <gtest/gtest.h>

#include "tests/fixture.h"
#include "tests/test_files.h"
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "files/file_types.h"
#include "files/hex_writers.h"

namespace tarnik::testing {
namespace {


Hex_Read_Result Read(const std::string& text, int file_type, int32_t device_end,
                     uint8_t background = 0xEE) {
  return Read_Hex_Image(text, file_type, device_end, Image_Of(background));
}

// The image a read should give: the background with `bytes` from `position`.
Prom_Image Expected(std::size_t position, const std::vector<uint8_t>& bytes,
                    uint8_t background = 0xEE) {
  Prom_Image image = Image_Of(background);
  for (std::size_t i = 0; i < bytes.size(); ++i) image[position + i] = bytes[i];
  return image;
}

std::vector<uint8_t> Counting(std::size_t length, uint8_t first = 0) {
  std::vector<uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

std::string Digits_Of(const std::vector<uint8_t>& bytes) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string text;
  for (const uint8_t b : bytes) {
    text += Digits[b >> 4];
    text += Digits[b & 0xF];
  }
  return text;
}

const std::string Data_16 = Digits_Of(Counting(16, 0xA0));

void Expect_Image(const Hex_Read_Result& read, const Prom_Image& expected) {
  ASSERT_TRUE(read.Succeeded()) << *read.error;
  for (std::size_t i = 0; i < Prom_Size; ++i)
    ASSERT_EQ(read.image[i], expected[i]) << "position " << i;
}

void Expect_Error(const Hex_Read_Result& read, const std::string& field) {
  ASSERT_FALSE(read.Succeeded());
  EXPECT_EQ(*read.error, "'" + field + "' is not a valid integer value");
}

TEST(Hex_Reader, Intel_Records_Fold_Onto_The_Device_Range) {
  struct Case {
    const char* address;
    int32_t device_end;
    std::size_t position;
  };
  const Case cases[] = {{"1230", 255, 0x30}, {"0018", 31, 0x18},   {"0000", 1023, 0},
                        {"FFF0", 1023, 0x3F0}, {"1230", 0, 0},     {"0130", 511, 0x130},
                        {"0008", 7, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const std::string text = std::string(":10") + c.address + "00" + Data_16 + "00\r\n:00000001FF\r\n";
    Expect_Image(Read(text, File_Intel_Hex, c.device_end), Expected(c.position, Counting(16, 0xA0)));
  }
}

TEST(Hex_Reader, An_Extended_Address_Record_Has_No_Effect) {
  const std::string text = ":020000040003F7\r\n:02000002F0000C\r\n:0400100011223344XX\r\n";
  Expect_Image(Read(text, File_Intel_Hex, 255), Expected(0x10, {0x11, 0x22, 0x33, 0x44}));
}

TEST(Hex_Reader, Record_Checksums_And_What_Follows_The_Data_Are_Not_Read) {
  for (const char* tail : {"00", "FF", "ZZ junk", "", "7"}) {
    SCOPED_TRACE(tail);
    Expect_Image(Read(std::string(":0200000012AB") + tail + "\r\n", File_Intel_Hex, 31),
                 Expected(0, {0x12, 0xAB}));
  }
}

TEST(Hex_Reader, Skipped_Intel_Record_Types_Are_Not_Parsed_Further) {
  for (const char* type : {"02", "03", "04", "05", "06", "FF"}) {
    SCOPED_TRACE(type);
    Expect_Image(Read(std::string(":020000") + type + "GGGG\r\n", File_Intel_Hex, 31),
                 Image_Of(0xEE));
  }
}

TEST(Hex_Reader, Nothing_After_The_Intel_End_Record_Is_Read) {
  const std::string text = ":0100000011EE\r\n:00000001FF\r\n:0100010022DD\r\nrubbish GG\r\n";
  Expect_Image(Read(text, File_Intel_Hex, 31), Expected(0, {0x11}));
}

TEST(Hex_Reader, S_Records_Of_Every_Address_Length) {
  const std::string text =
      "S00600004844521B\r\n"
      "S1050010AABB00\r\n"
      "S206000020CCDD00\r\n"
      "S30700000030EEFF00\r\n"
      "S5030003F9\r\n";
  Prom_Image expected = Image_Of(0);
  expected[0x10] = 0xAA;
  expected[0x11] = 0xBB;
  expected[0x20] = 0xCC;
  expected[0x21] = 0xDD;
  expected[0x30] = 0xEE;
  expected[0x31] = 0xFF;
  Expect_Image(Read_Hex_Image(text, File_Motorola_Hex, 255, Image_Of(0)), expected);
}

TEST(Hex_Reader, The_First_S7_S8_Or_S9_Ends_The_Read) {
  for (const char end : {'7', '8', '9'}) {
    SCOPED_TRACE(end);
    const std::string text = std::string("S1040000119A\r\nS") + end + "030000FC\r\nS1040001229A\r\n";
    Expect_Image(Read(text, File_Motorola_Hex, 31), Expected(0, {0x11}));
  }
}

TEST(Hex_Reader, S_Record_Types_Without_Data_And_Odd_Marks_Are_Skipped) {
  const std::string text =
      "S0GGGG\r\nS4GGGG\r\nS5GGGG\r\nS6GGGG\r\nSXGGGG\r\nS\r\ns1040000119A\r\n S1040000119A\r\n";
  Expect_Image(Read(text, File_Motorola_Hex, 31), Image_Of(0xEE));
}

TEST(Hex_Reader, S_Record_Data_Count_Of_Zero_Or_Less_Stores_Nothing) {
  for (const char* line : {"S103000000", "S1020000", "S20400000000", "S30400000000", "S1000000"}) {
    SCOPED_TRACE(line);
    Expect_Image(Read(std::string(line) + "\r\n", File_Motorola_Hex, 31), Image_Of(0xEE));
  }
}

TEST(Hex_Reader, A_High_S3_Address_Folds_Like_Any_Other) {
  const std::string text = "S3090FFFFFF0010203040000\r\nS309FFFFFFF8A1A2A3A40000\r\n";
  Prom_Image expected = Image_Of(0xEE);
  for (std::size_t i = 0; i < 4; ++i) {
    expected[0x3F0 + i] = static_cast<uint8_t>(1 + i);
    expected[0x3F8 + i] = static_cast<uint8_t>(0xA1 + i);
  }
  Expect_Image(Read(text, File_Motorola_Hex, 1023), expected);
}

TEST(Hex_Reader, Ascii_Hex_Lines_Run_On_From_Line_To_Line) {
  Expect_Image(Read("0011\r\n2233", File_Ascii_Hex, 31), Expected(0, {0x00, 0x11, 0x22, 0x33}));
  Expect_Image(Read("0011\n\n\r2233\r", File_Ascii_Hex, 31), Expected(0, {0x00, 0x11, 0x22, 0x33}));
}

TEST(Hex_Reader, Ascii_Hex_Is_Neither_Folded_Nor_Bounded_By_The_Device_End) {
  const std::vector<uint8_t> bytes = Counting(100, 1);
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += 10)
    text += Digits_Of({bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 10)}) +
            "\r\n";
  Expect_Image(Read(text, File_Ascii_Hex, 31), Expected(0, bytes));
}

TEST(Hex_Reader, A_Long_Ascii_Line_Gives_80_Bytes_And_Loses_The_Rest) {
  const std::string long_line = Digits_Of(Counting(100, 0));  // 200 digits
  const Hex_Read_Result read = Read(long_line + "\r\n4455\r\n", File_Ascii_Hex, 1023);
  std::vector<uint8_t> expected = Counting(80, 0);
  expected.push_back(0x44);
  expected.push_back(0x55);
  Expect_Image(read, Expected(0, expected));
}

TEST(Hex_Reader, The_Line_Window_Bounds_A_Record) {
  // An Intel record carries at most 76 whole bytes in the window.
  const std::string digits = Digits_Of(Counting(80, 0));
  Expect_Image(Read(":4C000000" + digits + "\r\n", File_Intel_Hex, 1023), Expected(0, Counting(76, 0)));
  Expect_Error(Read(":4D000000" + digits + "\r\n", File_Intel_Hex, 1023), "$");
  // An S2 record: 75 whole bytes, and the 76th converts from its first digit.
  std::vector<uint8_t> s2 = Counting(75, 0x10);
  s2.push_back(0x05);
  Expect_Image(Read("S250000000" + Digits_Of(Counting(75, 0x10)) + "5A00\r\n", File_Motorola_Hex, 1023),
               Expected(0, s2));
}

TEST(Hex_Reader, A_Field_Cut_Short_By_The_End_Of_The_File_Converts_Its_One_Digit) {
  Expect_Image(Read(":03000000AABBC", File_Intel_Hex, 31), Expected(0, {0xAA, 0xBB, 0x0C}));
}

TEST(Hex_Reader, Ctrl_Z_Ends_The_Text) {
  const std::string text = ":0100000011EE\r\n\x1A:0100010022DD\r\n";
  Expect_Image(Read(text, File_Intel_Hex, 31), Expected(0, {0x11}));
  Expect_Image(Read(std::string("0011\x1A") + "2233", File_Ascii_Hex, 31), Expected(0, {0x00, 0x11}));
}

TEST(Hex_Reader, Lower_Case_Digits_Read_As_Upper_Case_Ones) {
  const std::string upper = ":10123000" + Data_16 + "00\r\n";
  std::string lower = upper;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(Read(lower, File_Intel_Hex, 255).image, Read(upper, File_Intel_Hex, 255).image);
  Expect_Image(Read("S1040000ab00\r\n", File_Motorola_Hex, 31), Expected(0, {0xAB}));
  Expect_Image(Read("abCDef\r\n", File_Ascii_Hex, 31), Expected(0, {0xAB, 0xCD, 0xEF}));
}

TEST(Hex_Reader, Lines_Without_The_Mark_Are_Skipped) {
  const std::string text = " :0100000011EE\r\n\t:0100000011EE\r\nS1040000119A\r\n;comment\r\n\r\n";
  Expect_Image(Read(text, File_Intel_Hex, 31), Image_Of(0xEE));
  Expect_Image(Read(":0100000011EE\r\n\tS1040000119A\r\n", File_Motorola_Hex, 31), Image_Of(0xEE));
}

TEST(Hex_Reader, Later_Data_Overwrites_Earlier) {
  const std::string text = ":020010001122CC\r\n:0100110033BB\r\n:0100000044BB\r\n";
  Expect_Image(Read(text, File_Intel_Hex, 31), [] {
    Prom_Image image = Image_Of(0xEE);
    image[0] = 0x44;
    image[0x10] = 0x11;
    image[0x11] = 0x33;
    return image;
  }());
}

TEST(Hex_Reader, A_Record_Near_The_Device_End_Runs_On_Past_It) {
  // Device end 31: 16 bytes at 0x0018 fill 0x18 to 0x27.
  const std::string text = ":10001800" + Data_16 + "00\r\n";
  Expect_Image(Read(text, File_Intel_Hex, 31), Expected(0x18, Counting(16, 0xA0)));
}

TEST(Hex_Reader, Conversion_Errors_Name_The_Field) {
  struct Case {
    const char* text;
    int file_type;
    const char* field;
  };
  const Case cases[] = {
      {":02000000G011\r\n", File_Intel_Hex, "$G0"},
      {"00 11\r\n", File_Ascii_Hex, "$ 1"},
      {"001\r\n", File_Ascii_Hex, "$1\r"},
      {"001\n", File_Ascii_Hex, "$1\n"},
      {":10000000\r\n", File_Ascii_Hex, "$:1"},
      {":", File_Intel_Hex, "$"},
      {":\r\n", File_Intel_Hex, "$\r"},
      {":0Z", File_Intel_Hex, "$0Z"},
      {":0100000", File_Intel_Hex, "$"},
      {":01000000", File_Intel_Hex, "$"},
      {"S1G4000011\r\n", File_Motorola_Hex, "$G4"},
      {"S104000\r\n", File_Motorola_Hex, "$000\r"},
      {"S2050000-0AA\r\n", File_Motorola_Hex, "$0000-0"},
      {"S1050000AA\r\n", File_Motorola_Hex, "$\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Expect_Error(Read(c.text, c.file_type, 31), c.field);
  }
}

TEST(Hex_Reader, A_Read_Stops_At_The_Error) {
  // The bytes before the error are in the result's image; the command above
  // throws the whole result away.
  const Hex_Read_Result read = Read("00 11\r\n22\r\n", File_Ascii_Hex, 31);
  Expect_Error(read, "$ 1");
  EXPECT_EQ(read.image[0], 0x00);
  EXPECT_EQ(read.image[1], 0xEE);
}

TEST(Hex_Reader, A_File_Of_The_Other_Record_Form_Stores_Nothing) {
  const std::string intel = ":0100000011EE\r\n:00000001FF\r\n";
  const std::string motorola = "S1040000119A\r\nS9030000FC\r\n";
  Expect_Image(Read(motorola, File_Intel_Hex, 31), Image_Of(0xEE));
  Expect_Image(Read(intel, File_Motorola_Hex, 31), Image_Of(0xEE));
  for (const int other : {File_Binary, 4, -1})
    Expect_Image(Read(intel + motorola + "0011\r\n", other, 31), Image_Of(0xEE));
}

TEST(Hex_Reader, An_Empty_Text_Stores_Nothing) {
  for (const int file_type : {File_Intel_Hex, File_Motorola_Hex, File_Ascii_Hex})
    Expect_Image(Read("", file_type, 31), Image_Of(0xEE));
}

TEST(Hex_Reader, Nothing_Is_Stored_Past_Position_1023) {
  struct Case {
    std::string text;
    int file_type;
    int32_t device_end;
    std::size_t stored;
    std::size_t dropped;
  };
  std::string long_ascii;
  for (int line = 0; line < 14; ++line) long_ascii += Digits_Of(Counting(80, 0)) + "\r\n";
  const Case cases[] = {
      {":1003F800" + Data_16 + "00\r\n", File_Intel_Hex, 1023, 8, 8},
      {":10FFF800" + Data_16 + "00\r\n", File_Intel_Hex, -1, 0, 16},
      {":10100000" + Data_16 + "00\r\n", File_Intel_Hex, 5000, 0, 16},
      {"S3150000FFF8" + Data_16 + "00\r\n", File_Motorola_Hex, 65535, 0, 16},
      {"S2140003FC" + Data_16 + "00\r\n", File_Motorola_Hex, 1023, 4, 12},
      {long_ascii, File_Ascii_Hex, 31, 1024, 14 * 80 - 1024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 12));
    const Hex_Read_Result read = Read(c.text, c.file_type, c.device_end);
    ASSERT_TRUE(read.Succeeded()) << *read.error;
    EXPECT_EQ(read.dropped, c.dropped);
    std::size_t changed = 0;
    for (const uint8_t b : read.image) changed += b != 0xEE;
    EXPECT_LE(changed, c.stored);
  }
}

// Files that srec_cat, an independent tool, writes from random images.



uint32_t Hex_At(const std::string& line, std::size_t at, std::size_t width) {
  return static_cast<uint32_t>(std::stoul(line.substr(at, width), nullptr, 16));
}

struct Oracle {
  Prom_Image image{};
  std::size_t dropped = 0;
  std::size_t data_bytes = 0;
};

// What a file of well-formed records must load to: each data record's bytes
// from its address AND the device end on. Also checks, as it goes, that the
// tool put the random bytes at the addresses asked for.
Oracle Expected_Load(const std::string& text, bool intel, int32_t device_end,
                     const std::string& source, uint32_t offset, const Prom_Image& start) {
  Oracle oracle;
  oracle.image = start;
  uint32_t linear_base = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    uint32_t address = 0;
    std::size_t data_at = 0;
    std::size_t count = 0;
    if (intel && line.size() > 9 && line[0] == ':') {
      const uint32_t type = Hex_At(line, 7, 2);
      if (type == 4) linear_base = Hex_At(line, 9, 4) << 16;
      if (type != 0) continue;
      count = Hex_At(line, 1, 2);
      address = Hex_At(line, 3, 4);
      data_at = 9;
    } else if (!intel && line.size() > 4 && line[0] == 'S' && line[1] >= '1' && line[1] <= '3') {
      const std::size_t address_digits = static_cast<std::size_t>(line[1] - '0' + 1) * 2;
      count = Hex_At(line, 2, 2) - address_digits / 2 - 1;
      address = Hex_At(line, 4, address_digits);
      data_at = 4 + address_digits;
    } else {
      continue;
    }
    const uint32_t absolute = intel ? linear_base + address : address;
    for (std::size_t i = 0; i < count; ++i) {
      const auto byte = static_cast<uint8_t>(Hex_At(line, data_at + 2 * i, 2));
      EXPECT_EQ(byte, static_cast<uint8_t>(source.at(absolute + i - offset)));
      const int64_t position = int64_t{static_cast<int32_t>(address) & device_end} + static_cast<int64_t>(i);
      if (position > Prom_Last)
        ++oracle.dropped;
      else
        oracle.image[static_cast<std::size_t>(position)] = byte;
      ++oracle.data_bytes;
    }
  }
  return oracle;
}

enum class Case_Of_Digits { Upper, Lower };
enum class Line_Ends { Lf, Cr_Lf };

struct Srec_Case {
  const char* name;
  bool intel;
  const char* options;  // srec_cat output options after the format
  int32_t device_end;
  std::size_t length;
  uint32_t offset;
  Case_Of_Digits digits = Case_Of_Digits::Upper;
  Line_Ends line_ends = Line_Ends::Lf;
};

std::string Transformed(std::string text, const Srec_Case& c) {
  if (c.digits == Case_Of_Digits::Lower) {
    // Only the digits: the S of an S-record is its mark, and must stay.
    bool line_start = true;
    for (char& ch : text) {
      if (!line_start) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      line_start = ch == '\n';
    }
  }
  if (c.line_ends == Line_Ends::Cr_Lf) {
    std::string crlf;
    for (const char ch : text) {
      if (ch == '\n') crlf += '\r';
      crlf += ch;
    }
    text = crlf;
  }
  return text;
}

std::string Random_Bytes(std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(length, '\0');
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

TEST(Srec_Cat_Hex_Reader, Files_Written_By_Srec_Cat_Load_To_The_Expected_Positions) {
  TARNIK_NEED_SREC_CAT();
  const Srec_Case cases[] = {
      {"intel plain", true, "", 1023, 1024, 0},
      {"intel no extended records", true, "-address-length=2", 255, 256, 0x1200},
      {"intel folded from 64k up", true, "", 255, 256, 0x12300},
      {"intel block 8", true, "-Output_Block_Size 8", 31, 32, 0x40},
      {"intel block 20 crossing the end", true, "-Output_Block_Size 20", 255, 256, 0x12308},
      {"intel block 76", true, "-Output_Block_Size 76", 511, 512, 0},
      {"intel larger than the device", true, "", 255, 1024, 0},
      {"intel past the buffer", true, "-Output_Block_Size 16", 1023, 64, 0x3F8},
      {"intel lower case", true, "", 511, 512, 0x800, Case_Of_Digits::Lower},
      {"intel cr lf", true, "-Output_Block_Size 24", 1023, 1024, 0, Case_Of_Digits::Upper,
       Line_Ends::Cr_Lf},
      {"s1", false, "-Address_Length=2", 1023, 1024, 0},
      {"s2", false, "-Address_Length=3", 255, 256, 0x12300},
      {"s3", false, "-Address_Length=4", 31, 32, 0x7FFFFFC0},
      {"s3 high", false, "-Address_Length=4", 511, 512, 0xFFFFF000},
      {"s2 block 75", false, "-Address_Length=3 -Output_Block_Size 75", 1023, 1024, 0},
      {"s1 block 10 crossing", false, "-Address_Length=2 -Output_Block_Size 10", 31, 32, 0x1234},
      {"s-record lower case", false, "", 255, 256, 0x4500, Case_Of_Digits::Lower},
      {"s-record cr lf lower", false, "-Output_Block_Size 64", 1023, 1024, 0x10000,
       Case_Of_Digits::Lower, Line_Ends::Cr_Lf},
  };
  Temp_Dir dir;
  unsigned seed = 1;
  for (const Srec_Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = Random_Bytes(c.length, seed++);
    std::ofstream(dir.File("in.bin"), std::ios::binary) << source;
    const std::string command = "srec_cat '" + dir.File("in.bin") + "' -Binary -offset " +
                                std::to_string(c.offset) + " -o '" + dir.File("out.txt") + "' " +
                                (c.intel ? "-Intel " : "-Motorola ") + c.options;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string text = Transformed(Read_File(dir.File("out.txt")), c);
    const Prom_Image start = Image_Of(0x3C);
    const Oracle oracle = Expected_Load(text, c.intel, c.device_end, source, c.offset, start);
    ASSERT_EQ(oracle.data_bytes, c.length);
    const Hex_Read_Result read = Read_Hex_Image(
        text, c.intel ? File_Intel_Hex : File_Motorola_Hex, c.device_end, start);
    Expect_Image(read, oracle.image);
    EXPECT_EQ(read.dropped, oracle.dropped);
    // srec_cat's checksums are right, so the reader finds none wrong.
    EXPECT_EQ(read.bad_checksums, 0u);
  }
}

TEST(Srec_Cat_Hex_Reader, Aligned_Files_Fill_The_Device_Range_With_The_Source) {
  TARNIK_NEED_SREC_CAT();
  // A direct check, without the oracle: a device-sized file at a multiple
  // of the device size loads to exactly the source bytes.
  Temp_Dir dir;
  for (const int32_t end : {31, 255, 511, 1023}) {
    for (const bool intel : {true, false}) {
      SCOPED_TRACE(::testing::Message() << end << (intel ? " intel" : " motorola"));
      const auto size = static_cast<std::size_t>(end) + 1;
      const std::string source = Random_Bytes(size, static_cast<unsigned>(end));
      std::ofstream(dir.File("in.bin"), std::ios::binary) << source;
      const std::string command = "srec_cat '" + dir.File("in.bin") + "' -Binary -offset " +
                                  std::to_string(size * 5) + " -o '" + dir.File("out.txt") +
                                  "' " + (intel ? "-Intel" : "-Motorola");
      ASSERT_EQ(std::system(command.c_str()), 0);
      const Hex_Read_Result read =
          Read_Hex_Image(Read_File(dir.File("out.txt")), intel ? File_Intel_Hex : File_Motorola_Hex,
                         end, Image_Of(0));
      ASSERT_TRUE(read.Succeeded());
      EXPECT_EQ(std::string(read.image.begin(), read.image.begin() + end + 1), source);
      EXPECT_EQ(read.dropped, 0u);
    }
  }
}

TEST(Srec_Cat_Hex_Reader, Records_Longer_Than_The_Line_Window_Stop_The_Read) {
  TARNIK_NEED_SREC_CAT();
  Temp_Dir dir;
  std::ofstream(dir.File("in.bin"), std::ios::binary) << Random_Bytes(256, 99);
  const std::string command = "srec_cat '" + dir.File("in.bin") + "' -Binary -o '" +
                              dir.File("out.txt") + "' -Intel -Output_Block_Size 80";
  ASSERT_EQ(std::system(command.c_str()), 0);
  Expect_Error(Read_Hex_Image(Read_File(dir.File("out.txt")), File_Intel_Hex, 255, Image_Of(0)), "$");
}


TEST(Hex_Reader, Records_Of_An_Unknown_Type_Are_Counted_And_Skipped) {
  struct Case {
    const char* name;
    std::string text;
    int file_type;
    std::size_t unknown;
    std::size_t first_line;
  };
  const Case cases[] = {
      {"intel 05 is known", ":0400000500000000F7\r\n:0200000012AB41\r\n", File_Intel_Hex, 0, 0},
      {"intel 06", ":0200000012AB41\r\n:0000000CF4\r\n", File_Intel_Hex, 1, 2},
      {"intel two", ":0000000AF6\r\n:0200000012AB41\r\n:000000FF01\r\n", File_Intel_Hex, 2, 1},
      {"s4", "S105000012AB3D\r\nS4030000FC\r\n", File_Motorola_Hex, 1, 2},
      // An S1 whose type digit was damaged to 5: a count record is 3 bytes
      // long, so this is no S5 the form knows.
      {"s1 damaged to s5", "S105000012AB3D\r\nS505000212AB3B\r\n", File_Motorola_Hex, 1, 2},
      {"s6 of 4 bytes", "S105000012AB3D\r\nS604000001FA\r\n", File_Motorola_Hex, 0, 0},
      {"s0 s5 s9 known", "S0030000FC\r\nS105000012AB3D\r\nS5030001FB\r\nS9030000FC\r\n",
       File_Motorola_Hex, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Hex_Read_Result read = Read(c.text, c.file_type, 1023);
    ASSERT_TRUE(read.Succeeded()) << *read.error;
    EXPECT_EQ(read.unknown_records, c.unknown);
    EXPECT_EQ(read.first_unknown_line, c.first_line);
    EXPECT_EQ(read.bad_checksums, 0u);
    EXPECT_EQ(read.image[0], 0x12);
    EXPECT_EQ(read.image[1], 0xAB);
  }
}

TEST(Hex_Reader, Wrong_Record_Checksums_Are_Counted_And_Loaded_As_Read) {
  struct Case {
    const char* name;
    std::string text;
    int file_type;
    std::size_t bad;
    std::size_t first_line;
  };
  const Case cases[] = {
      {"intel good", ":0200000012AB41\r\n", File_Intel_Hex, 0, 0},
      {"intel lower-case good", ":0200000012ab41\r\n", File_Intel_Hex, 0, 0},
      {"intel wrong", ":0200000012AB42\r\n", File_Intel_Hex, 1, 1},
      {"intel missing", ":0200000012AB\r\n", File_Intel_Hex, 1, 1},
      {"intel one digit", ":0200000012AB4", File_Intel_Hex, 1, 1},
      {"intel no number", ":0200000012ABZZ\r\n", File_Intel_Hex, 1, 1},
      {"intel third line of three, cr lf", ":0200000012AB41\r\n:0200020012AB3F\r\n:0200040012AB00\r\n",
       File_Intel_Hex, 1, 3},
      {"intel lf only", ":0200000012AB41\n:0200020012AB00\n", File_Intel_Hex, 1, 2},
      {"intel two wrong", ":0200000012AB00\r\n:0200020012AB00\r\n", File_Intel_Hex, 2, 1},
      // Records the reader skips are checked too.
      {"intel type 04 good", ":02000004FFFFFC\r\n:0200000012AB41\r\n", File_Intel_Hex, 0, 0},
      {"intel type 04 wrong", ":02000004FFFF00\r\n:0200000012AB41\r\n", File_Intel_Hex, 1, 1},
      {"intel end wrong", ":0200000012AB41\r\n:00000001FE\r\n", File_Intel_Hex, 1, 2},
      {"intel end good", ":0200000012AB41\r\n:00000001FF\r\n", File_Intel_Hex, 0, 0},
      // A data record whose type byte was damaged (00 to 02) no longer adds up.
      {"intel damaged type", ":0200000012AB41\r\n:0200020212AB3F\r\n", File_Intel_Hex, 1, 2},
      {"s0 wrong", "S0030000FB\r\nS105000012AB3D\r\n", File_Motorola_Hex, 1, 1},
      {"s5 wrong", "S105000012AB3D\r\nS5030001FA\r\n", File_Motorola_Hex, 1, 2},
      {"s9 wrong", "S105000012AB3D\r\nS9030000FB\r\n", File_Motorola_Hex, 1, 2},
      {"s9 good", "S105000012AB3D\r\nS9030000FC\r\n", File_Motorola_Hex, 0, 0},

      {"s1 good", "S105000012AB3D\r\n", File_Motorola_Hex, 0, 0},
      {"s1 wrong", "S105000012AB3E\r\n", File_Motorola_Hex, 1, 1},
      {"s2 good", "S20600000012AB3C\r\n", File_Motorola_Hex, 0, 0},
      {"s3 wrong on line 2", "S0030000FC\r\nS3070000000012AB00\r\n", File_Motorola_Hex, 1, 2},
      {"ascii has no checksums", "12AB\r\n", File_Ascii_Hex, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Hex_Read_Result read = Read(c.text, c.file_type, 1023);
    ASSERT_TRUE(read.Succeeded()) << *read.error;
    EXPECT_EQ(read.bad_checksums, c.bad);
    EXPECT_EQ(read.first_bad_checksum_line, c.first_line);
    // Loaded as read, good or wrong.
    EXPECT_GE(read.stored, 2u);
    EXPECT_EQ(read.image[0], 0x12);
    EXPECT_EQ(read.image[1], 0xAB);
  }
}

TEST(Hex_Reader, Files_The_Writers_Make_Have_No_Wrong_Checksums) {
  Prom_Image image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 37 + 11);
  for (const int type : {File_Intel_Hex, File_Motorola_Hex}) {
    for (const int32_t end : {31, 255, 511, 1023}) {
      const Hex_Read_Result read =
          Read_Hex_Image(Write_Hex_Image(type, image, end), type, end, Image_Of(0));
      EXPECT_EQ(read.bad_checksums, 0u) << type << " " << end;
      EXPECT_EQ(read.stored, static_cast<std::size_t>(end) + 1) << type << " " << end;
    }
  }
}

TEST(Hex_Reader, A_Checksum_The_Line_Window_Cuts_Off_Is_Not_Counted_Wrong) {
  const std::string data = Digits_Of(Counting(76, 1));
  for (const char* checksum : {"00", "ZZ"}) {
    const Hex_Read_Result read = Read(":4C000000" + data + checksum + "\r\n", File_Intel_Hex, 1023);
    ASSERT_TRUE(read.Succeeded());
    EXPECT_EQ(read.stored, 76u);
    EXPECT_EQ(read.bad_checksums, 0u) << checksum;
  }
  // One record shorter, the checksum is inside the window and counts.
  const Hex_Read_Result read =
      Read(":4B000000" + Digits_Of(Counting(75, 1)) + "00\r\n", File_Intel_Hex, 1023);
  EXPECT_EQ(read.bad_checksums, 1u);
}

TEST(Hex_Reader, A_Conversion_Error_Tells_Its_Line) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"0011\r\n22 33\r\n", 2},
      {"0011\n\n22 33\n", 3},
      {"0011\r\r2G\r\n", 3},
      {"0G", 1},
  };
  for (const auto& [text, line] : cases) {
    const Hex_Read_Result read = Read(text, File_Ascii_Hex, 1023);
    ASSERT_FALSE(read.Succeeded()) << text;
    EXPECT_EQ(read.error_line, line) << text;
  }
}

}  // namespace
}  // namespace tarnik::testing
