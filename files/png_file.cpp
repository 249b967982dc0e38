#include "files/png_file.h"

#include <png.h>

#include "window/text_file.h"

namespace tarnik {

namespace {

void Append_Bytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void No_Flush(png_structp) {}

// The picture encoded in memory; empty when libpng refuses it.
std::string Encode(int width, int height, const std::vector<uint8_t>& rgb) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return {};
  png_infop info = png_create_info_struct(png);
  std::string out;
  // libpng reports its errors by a long jump back here.
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Append_Bytes, No_Flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int row = 0; row < height; ++row)
    png_write_row(png, rgb.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width) * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

bool Save_Png(int width, int height, const std::vector<uint8_t>& rgb, const std::string& path,
              std::string& error) {
  const std::size_t expected =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  if (width <= 0 || height <= 0 || rgb.size() != expected) {
    error = "the picture has no pixels to save";
    return false;
  }
  const std::string bytes = Encode(width, height, rgb);
  if (bytes.empty()) {
    error = "the picture cannot be encoded as PNG";
    return false;
  }
  if (!Write_File_Atomically(path, bytes)) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace tarnik
