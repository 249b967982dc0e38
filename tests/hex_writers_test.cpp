#include "files/hex_writers.h"

#include <gtest/gtest.h>

#include "tests/fixture.h"
#include "tests/test_files.h"
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/file_types.h"
#include "files/hex_reader.h"

namespace tarnik::testing {
namespace {

const int32_t Device_Ends[] = {31, 255, 511, 1023, 0};


Prom_Image Counting_Image() {
  Prom_Image image;
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i);
  return image;
}

Prom_Image Random_Image(unsigned seed) {
  std::mt19937 random(seed);
  Prom_Image image;
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(random() & 0xFF);
  return image;
}

// The lines of a text whose every line ends in CR LF; fails the test on any
// other line end.
std::vector<std::string> Crlf_Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "text does not end in CR LF";
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  for (const std::string& line : lines)
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line end in " << line;
  return lines;
}

TEST(Hex_Writers, Hex_Digits_Are_Upper_Case_And_Zero_Padded) {
  EXPECT_EQ(Hex_Digits(0, 2), "00");
  EXPECT_EQ(Hex_Digits(0xAB, 2), "AB");
  EXPECT_EQ(Hex_Digits(0x3F0, 4), "03F0");
  EXPECT_EQ(Hex_Digits(0x10, 6), "000010");
  EXPECT_EQ(Hex_Digits(0x1FE, 2), "FE");
}

TEST(Hex_Writers, Emit_Hex_Byte_Appends_Sums_And_Advances) {
  Prom_Image image = Image_Of(0);
  image[5] = 0xC8;
  image[6] = 0x9A;
  Hex_Line_State state;
  state.Save_Pos = 5;
  state.Hex_Line = "X";
  state.Line_Sum = 0x10;
  Emit_Hex_Byte(image, state);
  Emit_Hex_Byte(image, state);
  EXPECT_EQ(state.Hex_Line, "XC89A");
  EXPECT_EQ(state.Line_Sum, static_cast<uint8_t>(0x10 + 0xC8 + 0x9A));
  EXPECT_EQ(state.Save_Pos, 7);
}

TEST(Hex_Writers, Emit_Hex_Byte_Never_Reads_Past_The_Image) {
  Hex_Line_State state;
  state.Save_Pos = 1024;
  EXPECT_THROW(Emit_Hex_Byte(Image_Of(0), state), std::out_of_range);
  state.Save_Pos = -1;
  EXPECT_THROW(Emit_Hex_Byte(Image_Of(0), state), std::out_of_range);
}

TEST(Hex_Writers, Sample_Lines_Of_A_32_By_8_Buffer) {
  const Prom_Image image = Counting_Image();
  EXPECT_EQ(Write_Intel_Records(image, 31),
            ":020000020000FC\r\n"
            ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
            ":10001000101112131415161718191A1B1C1D1E1F68\r\n"
            ":00000001FF\r\n");
  EXPECT_EQ(Write_Motorola_Records(image, 31),
            "S214000000000102030405060708090A0B0C0D0E0F73\r\n"
            "S214000010101112131415161718191A1B1C1D1E1F63\r\n"
            "S804000000FB\r\n");
  EXPECT_EQ(Write_Ascii_Lines(image, 31),
            "000102030405060708090A0B0C0D0E0F\r\n"
            "101112131415161718191A1B1C1D1E1F\r\n");
}

TEST(Hex_Writers, Checksums_Of_A_32_By_8_Buffer_Of_FF) {
  const std::string ffs(32, 'F');
  EXPECT_EQ(Crlf_Lines(Write_Intel_Records(Image_Of(0xFF), 31)),
            (std::vector<std::string>{":020000020000FC", ":10000000" + ffs + "00",
                                      ":10001000" + ffs + "F0", ":00000001FF"}));
  EXPECT_EQ(Crlf_Lines(Write_Motorola_Records(Image_Of(0xFF), 31)),
            (std::vector<std::string>{"S214000000" + ffs + "FB", "S214000010" + ffs + "EB",
                                      "S804000000FB"}));
}

TEST(Hex_Writers, A_1k_By_8_Buffer_Gives_64_Records_In_Each_Form) {
  const Prom_Image image = Random_Image(7);
  const auto intel = Crlf_Lines(Write_Intel_Records(image, 1023));
  const auto motorola = Crlf_Lines(Write_Motorola_Records(image, 1023));
  const auto ascii = Crlf_Lines(Write_Ascii_Lines(image, 1023));
  ASSERT_EQ(intel.size(), 66u);
  ASSERT_EQ(motorola.size(), 65u);
  ASSERT_EQ(ascii.size(), 64u);
  EXPECT_EQ(intel[64].substr(0, 9), ":1003F000");
  EXPECT_EQ(motorola[63].substr(0, 10), "S2140003F0");
  for (std::size_t r = 0; r < 64; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(intel[r + 1].size(), 1 + 2 + 4 + 2 + 32 + 2u);
    EXPECT_EQ(intel[r + 1].substr(3, 4), Hex_Digits(static_cast<uint32_t>(r * 16), 4));
    EXPECT_EQ(motorola[r].substr(4, 6), Hex_Digits(static_cast<uint32_t>(r * 16), 6));
    EXPECT_EQ(ascii[r].size(), 32u);
  }
  EXPECT_EQ(intel.back(), ":00000001FF");
  EXPECT_EQ(motorola.back(), "S804000000FB");
}

TEST(Hex_Writers, Device_End_Zero) {
  const Prom_Image image = Counting_Image();
  EXPECT_EQ(Crlf_Lines(Write_Intel_Records(image, 0)),
            (std::vector<std::string>{":020000020000FC",
                                      ":10000000000102030405060708090A0B0C0D0E0F78",
                                      ":00000001FF"}));
  EXPECT_EQ(Crlf_Lines(Write_Motorola_Records(image, 0)),
            (std::vector<std::string>{"S20500000000FA", "S804000000FB"}));
  EXPECT_EQ(Write_Ascii_Lines(image, 0), "00\r\n");
}

TEST(Hex_Writers, A_Motorola_Record_Stops_At_The_Device_End) {
  const Prom_Image image = Image_Of(0x01);
  // Device end 19: one record of 16 bytes, then one of 4.
  EXPECT_EQ(Crlf_Lines(Write_Motorola_Records(image, 19)),
            (std::vector<std::string>{"S21400000001010101010101010101010101010101DB",
                                      "S20800001001010101E3", "S804000000FB"}));
  // The Intel writer does not: its record holding the device end is whole.
  EXPECT_EQ(Crlf_Lines(Write_Intel_Records(image, 19)).size(), 4u);
  EXPECT_EQ(Crlf_Lines(Write_Ascii_Lines(image, 19)),
            (std::vector<std::string>{"01010101010101010101010101010101",
                                      "01010101"}));
}

TEST(Hex_Writers, Device_Ends_Outside_The_Image_Stay_Inside_It) {
  const Prom_Image image = Random_Image(11);
  for (const int file_type : {File_Intel_Hex, File_Motorola_Hex, File_Ascii_Hex}) {
    SCOPED_TRACE(file_type);
    EXPECT_EQ(Write_Hex_Image(file_type, image, 5000), Write_Hex_Image(file_type, image, 1023));
    EXPECT_EQ(Write_Hex_Image(file_type, image, 1024), Write_Hex_Image(file_type, image, 1023));
    EXPECT_EQ(Write_Hex_Image(file_type, image, -7), Write_Hex_Image(file_type, image, 0));
  }
}

TEST(Hex_Writers, A_File_Type_Outside_The_Hex_Forms_Writes_Nothing) {
  for (const int file_type : {File_Binary, 4, -1, 99})
    EXPECT_EQ(Write_Hex_Image(file_type, Counting_Image(), 31), "") << file_type;
}

TEST(Hex_Writers, Every_Form_Reads_Back_To_The_Same_Positions) {
  for (const int file_type : {File_Intel_Hex, File_Motorola_Hex, File_Ascii_Hex}) {
    for (const int32_t end : Device_Ends) {
      SCOPED_TRACE(::testing::Message() << "type " << file_type << " end " << end);
      const Prom_Image saved = Random_Image(static_cast<unsigned>(end + 100 * file_type));
      const std::string text = Write_Hex_Image(file_type, saved, end);
      Crlf_Lines(text);
      const Hex_Read_Result read = Read_Hex_Image(text, file_type, end, Image_Of(0x5C));
      ASSERT_TRUE(read.Succeeded()) << *read.error;
      EXPECT_EQ(read.dropped, 0u);
      // The Intel writer's one record for device end 0 carries 16 bytes.
      const int32_t written_end = file_type == File_Intel_Hex && end == 0 ? 15 : end;
      for (int32_t a = 0; a <= Prom_Last; ++a) {
        const auto at = static_cast<std::size_t>(a);
        ASSERT_EQ(read.image[at], a <= written_end ? saved[at] : 0x5C) << a;
      }
    }
  }
}

// srec_cat, an independent tool, must read every file we write with its
// checksums checked and find the same bytes at the same addresses.



struct Conversion {
  int status = -1;
  std::string bytes;
  std::string errors;
};

Conversion Srec_Cat_To_Binary(const Temp_Dir& dir, const std::string& text, const char* format) {
  std::ofstream(dir.File("in.txt"), std::ios::binary) << text;
  const std::string command = "srec_cat '" + dir.File("in.txt") + "' " + format + " -o '" +
                              dir.File("out.bin") + "' -Binary 2>'" + dir.File("err.txt") + "'";
  Conversion result;
  result.status = std::system(command.c_str());
  result.bytes = Read_File(dir.File("out.bin"));
  result.errors = Read_File(dir.File("err.txt"));
  return result;
}

TEST(Srec_Cat_Hex_Writers, Intel_Files_Read_Silently_With_The_Same_Bytes) {
  TARNIK_NEED_SREC_CAT();
  Temp_Dir dir;
  for (const int32_t end : Device_Ends) {
    SCOPED_TRACE(end);
    const Prom_Image image = Random_Image(static_cast<unsigned>(end + 1));
    const Conversion got = Srec_Cat_To_Binary(dir, Write_Intel_Records(image, end), "-Intel");
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.errors, "");
    const std::size_t length = end == 0 ? 16 : static_cast<std::size_t>(end) + 1;
    EXPECT_EQ(got.bytes, std::string(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)));
  }
}

TEST(Srec_Cat_Hex_Writers, Motorola_Files_Read_With_The_Same_Bytes) {
  TARNIK_NEED_SREC_CAT();
  Temp_Dir dir;
  for (const int32_t end : Device_Ends) {
    SCOPED_TRACE(end);
    const Prom_Image image = Random_Image(static_cast<unsigned>(end + 2));
    const Conversion got = Srec_Cat_To_Binary(dir, Write_Motorola_Records(image, end), "-Motorola");
    EXPECT_EQ(got.status, 0);
    // We write no S0 header record, and srec_cat says so; it says nothing else.
    std::istringstream lines(got.errors);
    for (std::string line; std::getline(lines, line);)
      EXPECT_NE(line.find("warning: no header record"), std::string::npos) << line;
    EXPECT_EQ(got.bytes, std::string(image.begin(), image.begin() + end + 1));
  }
}

TEST(Srec_Cat_Hex_Writers, A_Wrong_Checksum_Is_Caught_By_The_Check) {
  TARNIK_NEED_SREC_CAT();
  // Guards the two tests above: srec_cat does check what it reads.
  Temp_Dir dir;
  std::string text = Write_Intel_Records(Counting_Image(), 31);
  text.replace(text.find("78\r\n"), 2, "79");
  EXPECT_NE(Srec_Cat_To_Binary(dir, text, "-Intel").status, 0);
}

}  // namespace
}  // namespace tarnik::testing
