#include "window/text_file.h"

#include <gtest/gtest.h>

#include "window/errors.h"

namespace tarnik {
namespace {

TEST(Text_File, Line_Rules) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\rtwo", {"one", "two"}},
      {"a\nb\r\n", {"a\nb"}},  // a line feed alone ends nothing
      {"\r\n\r\n", {"", ""}},
      {"kept\r\n\x1A" "dropped\r\n", {"kept"}},
      {"half\x1A", {"half"}},
      {" blanks kept \r\n", {" blanks kept "}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split_Text_Lines(c.text), c.lines) << c.text;
}

TEST(Text_File, Strict_Integer_Conversion) {
  const std::pair<const char*, int32_t> good[] = {
      {"0", 0}, {"19", 19}, {"-5", -5}, {"+7", 7}, {" 12", 12}, {"$1F", 31}, {"0x3ff", 1023},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}};
  for (const auto& [text, value] : good) EXPECT_EQ(Str_To_Int(text), value) << text;
  for (const char* bad : {"", " ", "-", "12 ", "1.5", "$G0", "abc", "2147483648", "0x"}) {
    try {
      (void)Str_To_Int(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const Handler_Error& error) {
      EXPECT_EQ(std::string(error.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
}

}  // namespace
}  // namespace tarnik
