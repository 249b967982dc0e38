#include "diagnose/bit_map.h"

#include <gtest/gtest.h>
#include <png.h>

#include <random>
#include <string>
#include <vector>

#include "buffer/buffer_marks.h"
#include "files/png_file.h"
#include "tests/test_files.h"

namespace tarnik::diagnose {
namespace {

Prom_Image Random_Image(uint32_t seed, uint8_t mask) {
  std::mt19937 random(seed);
  Prom_Image image{};
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(random() & mask);
  return image;
}

Rgb Cell_Colour(const Raster& raster, const Bit_Map_Input& input, int32_t address, int bit) {
  const Cell_Place cell = Cell_Of(input, address, bit);
  return raster.At(cell.x + 1, cell.y + 1);
}

TEST(Bit_Map, Each_Bit_Shows_Its_Value_Or_How_It_Differs) {
  const Prom_Image good = Random_Image(1, 0xFF);
  Prom_Image read = good;
  for (uint8_t& byte : read) byte = static_cast<uint8_t>(byte & ~0x08);  // bit 3 dead
  read[0x40] = static_cast<uint8_t>(read[0x40] | 0x80);
  Prom_Image unstable{};
  unstable[0x41] = 0x01;
  const Bit_Map_Input input{&read, 0x1FF, 8, &good, &unstable};
  const Raster raster = Draw_Bit_Map(input);
  ASSERT_EQ(raster.rgb.size(), static_cast<std::size_t>(raster.width * raster.height) * 3);
  for (int32_t address = 0; address <= 0x1FF; ++address) {
    for (int bit = 0; bit < 8; ++bit) {
      const bool want = (good[address] >> bit) & 1;
      const bool have = (read[address] >> bit) & 1;
      Rgb expected = have ? Bit_One_Colour : Bit_Zero_Colour;
      if (want != have) expected = have ? Unmendable_Colour : Mendable_Colour;
      if (address == 0x41 && bit == 0) expected = Unstable_Colour;
      ASSERT_EQ(Cell_Colour(raster, input, address, bit), expected) << address << ":" << bit;
    }
  }
}

TEST(Bit_Map, A_Dead_Output_Is_A_Stripe_And_A_Repeated_Half_Two_Equal_Halves) {
  Prom_Image read = Random_Image(2, 0x0F);
  for (std::size_t a = 0x100; a < 0x200; ++a) read[a] = read[a - 0x100];
  for (uint8_t& byte : read) byte = static_cast<uint8_t>(byte & ~0x04);
  const Bit_Map_Input input{&read, 0x1FF, 4, nullptr, nullptr};
  const Raster raster = Draw_Bit_Map(input);
  for (int32_t address = 0; address < 0x100; ++address) {
    EXPECT_EQ(Cell_Colour(raster, input, address, 2), Bit_Zero_Colour) << address;
    for (int bit = 0; bit < 4; ++bit)
      ASSERT_EQ(Cell_Colour(raster, input, address, bit),
                Cell_Colour(raster, input, address + 0x100, bit));
  }
  // The halves stand side by side: the second starts right of the first.
  EXPECT_GT(Cell_Of(input, 0x100, 3).x, Cell_Of(input, 0xFF, 0).x);
  EXPECT_EQ(Cell_Of(input, 0x100, 3).y, Cell_Of(input, 0, 3).y);
}

TEST(Bit_Map, The_Png_Reads_Back_With_Every_Pixel) {
  const Prom_Image read = Random_Image(3, 0xFF);
  const Raster raster = Draw_Bit_Map(Bit_Map_Input{&read, 0x3FF, 8, nullptr, nullptr});
  testing::Temp_Dir folder;
  std::string error;
  ASSERT_TRUE(Save_Png(raster.width, raster.height, raster.rgb, folder.File("map.png"), error))
      << error;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_file(&image, folder.File("map.png").c_str()), 0);
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0);
  EXPECT_EQ(static_cast<int>(image.width), raster.width);
  EXPECT_EQ(static_cast<int>(image.height), raster.height);
  EXPECT_EQ(pixels, raster.rgb);
}

TEST(Bit_Map, A_Picture_That_Cannot_Be_Saved_Says_Why) {
  const std::vector<uint8_t> pixel = {1, 2, 3};
  struct Case {
    int width, height;
    std::vector<uint8_t> rgb;
    std::string path;
    std::string error;
  } cases[] = {
      {1, 1, pixel, "/nonexistent/folder/map.png", "cannot write /nonexistent/folder/map.png"},
      {2, 1, pixel, "/tmp/never.png", "the picture has no pixels to save"},
      {0, 0, {}, "/tmp/never.png", "the picture has no pixels to save"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Save_Png(c.width, c.height, c.rgb, c.path, error));
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace tarnik::diagnose
