// The dump identity against tools that have nothing to do with this code:
// the published check values of CRC-32 and SHA-1, and sha1sum and Python's
// zlib run over the same bytes while the test runs.

#include "buffer/image_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace tarnik::testing {
namespace {

// The lines a shell command prints.
std::vector<std::string> Command_Lines(const std::string& command) {
  std::vector<std::string> lines;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
      std::string line = buffer;
      lines.push_back(line.substr(0, line.find('\n')));
    }
    pclose(pipe);
  }
  return lines;
}

Prom_Image Image_From(const char* text) {
  Prom_Image image{};
  std::memcpy(image.data(), text, std::strlen(text));
  return image;
}

TEST(Image_Digest, Published_Check_Values) {
  // "123456789" is the check input of CRC-32 (CBF43926); "abc" is the first
  // example of the SHA-1 standard.
  EXPECT_EQ(Digest_Device_Range(Image_From("123456789"), 8).crc32, 0xCBF43926u);
  EXPECT_EQ(Digest_Device_Range(Image_From("abc"), 2).sha1,
            "a9993e364706816aba3e25717850c26c9cd0d89d");
  // Nothing at all: a negative device end.
  const Image_Digest empty = Digest_Device_Range(Image_From(""), -1);
  EXPECT_EQ(empty.crc32, 0u);
  EXPECT_EQ(empty.sha1, "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Identity_Line(Image_Digest{0x0000ABCD, "00ff"}), "CRC32=0000abcd SHA1=00ff");
}

TEST(Image_Digest, Agrees_With_Sha1sum_And_Python_Zlib) {
  TARNIK_NEED_DIGEST_TOOLS();
  Prom_Image image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 37 + 11);
  Temp_Dir folder;
  const int32_t device_ends[] = {0, 31, 255, 511, 1023, 5000};
  std::string files;
  for (int32_t device_end : device_ends) {
    const std::size_t length = static_cast<std::size_t>(device_end > 1023 ? 1023 : device_end) + 1;
    const std::string file = folder.File("end_" + std::to_string(device_end) + ".bin");
    Write_File(file, std::string_view(reinterpret_cast<const char*>(image.data()), length));
    files += " '" + file + "'";
  }
  // One run of each tool for all the files: a line per file, in order.
  const std::vector<std::string> sha1s = Command_Lines("sha1sum" + files);
  const std::vector<std::string> crcs = Command_Lines(
      "python3 -c 'import sys, zlib\nfor f in sys.argv[1:]: print(\"%08x\" % "
      "zlib.crc32(open(f, \"rb\").read()))'" + files);
  ASSERT_EQ(sha1s.size(), std::size(device_ends));
  ASSERT_EQ(crcs.size(), std::size(device_ends));
  for (std::size_t i = 0; i < std::size(device_ends); ++i)
    EXPECT_EQ(Identity_Line(Digest_Device_Range(image, device_ends[i])),
              "CRC32=" + crcs[i] + " SHA1=" + sha1s[i].substr(0, 40))
        << device_ends[i];
}

}  // namespace
}  // namespace tarnik::testing
