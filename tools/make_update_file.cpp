// Builds a firmware update file for the simulated programmer and for tests:
//   tarnik-make-update X.YY OUT [SIZE]
// The flash image is SIZE bytes (default 1980) of a fixed pattern.

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "app/options.h"
#include "link/update_file.h"

int main(int argc, char** argv) {
  int major = 0;
  int minor = 0;
  if (argc < 3 || argc > 4 || !tarnik::Parse_Firmware(argv[1], major, minor)) {
    std::cerr << "usage: tarnik-make-update X.YY OUT [SIZE]\n";
    return 2;
  }
  const long size = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 1980;
  if (size < 0 || size > 8000) {
    std::cerr << "tarnik-make-update: SIZE must be 0 to 8000 bytes\n";
    return 2;
  }
  std::vector<uint8_t> image(static_cast<std::size_t>(size));
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>((i * 37 + 11) & 0xFF);
  const std::vector<uint8_t> file =
      tarnik::Build_Update_File(static_cast<uint8_t>(major), static_cast<uint8_t>(minor), image);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) {
    std::cerr << "tarnik-make-update: cannot write " << argv[2] << '\n';
    return 2;
  }
  return 0;
}
