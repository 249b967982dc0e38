#include "diagnose/diagnosis.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "diagnose/masked_match.h"

namespace tarnik::diagnose {
namespace {

Prom_Image Random_Image(uint32_t seed, uint8_t mask) {
  std::mt19937 random(seed);
  Prom_Image image{};
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(random() & mask);
  return image;
}

// How many of the first `locations` bytes have `bit` at `level`, counted
// here so that the expected texts do not come from the code under test.
int Count_With(const Prom_Image& image, int32_t locations, int bit, int level) {
  int count = 0;
  for (int32_t a = 0; a < locations; ++a) count += ((image[a] >> bit) & 1) == level;
  return count;
}

struct Fault_Case {
  const char* name;
  int32_t end;
  uint8_t mask;
  // The part's fault applied to the good image: what the reads give.
  std::function<Prom_Image(const Prom_Image&)> fault;
  std::vector<std::string> alone;  // findings over the read alone
  // Findings against the good image; "{N}" stands for `differences`.
  std::vector<std::string> against_good;
  std::function<int(const Prom_Image&)> differences;
};

Prom_Image With_Bit(const Prom_Image& good, int bit, int level) {
  Prom_Image read = good;
  for (uint8_t& byte : read)
    byte = level != 0 ? static_cast<uint8_t>(byte | (1u << bit)) : static_cast<uint8_t>(byte & ~(1u << bit));
  return read;
}

Prom_Image With_Line(const Prom_Image& good, int line, int level) {
  Prom_Image read = good;
  for (std::size_t a = 0; a < read.size(); ++a)
    read[a] = good[level != 0 ? (a | (1u << line)) : (a & ~(1u << line))];
  return read;
}

TEST(Diagnosis, Each_Fault_Of_The_Part_Is_Named_Alone_And_Against_The_Good_Image) {
  const std::vector<Fault_Case> cases = {
      {"bit 3 reads 0 on a 256 x 4 part", 0xFF, 0x0F, [](const Prom_Image& g) { return With_Bit(g, 3, 0); },
       {"Bit 3 Reads 0 at Every Location: an Unused Output, or an Open One"},
       {"Bit 3 Reads 0 at Every Location: an Unused Output, or an Open One",
        "All {N} Differences Are Bit 3 Reading 0: Output O3 May Be Dead"},
       [](const Prom_Image& g) { return Count_With(g, 256, 3, 1); }},
      {"bit 6 reads 1 on a 32 x 8 part", 0x1F, 0xFF, [](const Prom_Image& g) { return With_Bit(g, 6, 1); },
       {"Bit 6 Reads 1 at Every Location: an Unused Output, or an Open One"},
       {"Bit 6 Reads 1 at Every Location: an Unused Output, or an Open One",
        "All {N} Differences Are Bit 6 Reading 1: Output O6 May Be Stuck High"},
       [](const Prom_Image& g) { return Count_With(g, 32, 6, 0); }},
      {"open A8 on a 512 x 4 part", 0x1FF, 0x0F, [](const Prom_Image& g) { return With_Line(g, 8, 0); },
       {"Locations 100-1FF Repeat 000-0FF: A8 Has No Effect (an Open Line, a Smaller Part, or an "
        "Image Written Twice)"},
       {"Every Difference Reads Its A8-Clear Twin: A8 May Be Stuck Low"}, nullptr},
      {"A5 stuck low on a 1k x 8 part", 0x3FF, 0xFF, [](const Prom_Image& g) { return With_Line(g, 5, 0); },
       {"Every Location With A5 Set Repeats Its A5-Clear Twin: A5 Has No Effect (an Open Line, or "
        "an Image Written Twice)"},
       {"Every Difference Reads Its A5-Clear Twin: A5 May Be Stuck Low"}, nullptr},
      {"A0 stuck high on a 256 x 8 part", 0xFF, 0xFF, [](const Prom_Image& g) { return With_Line(g, 0, 1); },
       {"Every Location With A0 Set Repeats Its A0-Clear Twin: A0 Has No Effect (an Open Line, or "
        "an Image Written Twice)"},
       {"Every Difference Reads Its A0-Set Twin: A0 May Be Stuck High"}, nullptr},
  };
  for (const Fault_Case& c : cases) {
    const Prom_Image good = Random_Image(7, c.mask);
    const Prom_Image read = c.fault(good);
    const Part_Dump dump{read, c.end, c.mask};
    EXPECT_EQ(Finding_Texts(Diagnose(dump, nullptr)), c.alone) << c.name;
    std::vector<std::string> expected = c.against_good;
    for (std::string& line : expected)
      if (const std::size_t at = line.find("{N}"); at != std::string::npos)
        line.replace(at, 3, std::to_string(c.differences(good)));
    EXPECT_EQ(Finding_Texts(Diagnose(dump, &good)), expected) << c.name;
  }
}

TEST(Diagnosis, A_Thousand_Healthy_Random_Parts_Give_No_Finding) {
  const int32_t ends[] = {0x1F, 0xFF, 0x1FF, 0x3FF};
  std::mt19937 random(2026);
  int judged = 0;
  for (int i = 0; i < 1000; ++i) {
    const int32_t end = ends[random() % 4];
    const uint8_t mask = (random() & 1) != 0 ? 0x0F : 0xFF;
    const Prom_Image image = Random_Image(static_cast<uint32_t>(random()), mask);
    // A reference one grown-back fuse away: a single difference is no pattern.
    Prom_Image one_off = image;
    one_off[random() % static_cast<uint32_t>(end + 1)] ^= static_cast<uint8_t>(1u << (random() % 4));
    const Part_Dump dump{image, end, mask};
    EXPECT_TRUE(Diagnose(dump, nullptr).empty()) << i;
    EXPECT_TRUE(Diagnose(dump, &image).empty()) << i;
    EXPECT_TRUE(Diagnose(dump, &one_off).empty()) << i;
    ++judged;
  }
  EXPECT_EQ(judged, 1000);
}

TEST(Diagnosis, Uniform_Parts_And_Images_That_Leave_A_Bit_Unused_Give_No_Finding) {
  const Prom_Image good = Random_Image(3, 0x7F);  // bit 7 unused by the image
  const Prom_Image doubled = With_Line(Random_Image(4, 0xFF), 8, 0);
  struct Case {
    const char* name;
    Prom_Image read;
    const Prom_Image* reference;
  } cases[] = {
      {"blank", Prom_Image{}, nullptr},
      {"all ones", [] { Prom_Image i; i.fill(0xFF); return i; }(), nullptr},
      {"every location 5A", [] { Prom_Image i; i.fill(0x5A); return i; }(), nullptr},
      {"the known image leaves bit 7 at 0", good, &good},
      {"the image is written twice on purpose", doubled, &doubled},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(Diagnose(Part_Dump{c.read, 0x3FF, 0xFF}, c.reference).empty()) << c.name;
  // Without the known image the unused bit is named, neutrally.
  EXPECT_EQ(Finding_Texts(Stuck_Bits(Part_Dump{good, 0x3FF, 0xFF}, nullptr)),
            std::vector<std::string>{"Bit 7 Reads 0 at Every Location: an Unused Output, or an Open One"});
}

TEST(Diagnosis, A_Partly_Failing_Output_Is_Not_Called_Dead) {
  const Prom_Image good = Random_Image(11, 0xFF);
  Prom_Image read = good;
  int cleared = 0;
  for (std::size_t a = 0; a < 256 && cleared < 5; ++a)
    if ((read[a] & 0x08) != 0) {
      read[a] = static_cast<uint8_t>(read[a] & ~0x08);
      ++cleared;
    }
  EXPECT_FALSE(Difference_Pattern(Part_Dump{read, 0xFF, 0xFF}, good));
}

TEST(Diagnosis, The_Known_Image_Is_Found_With_The_Fault_Set_Aside) {
  const Prom_Image good_image = Random_Image(21, 0x0F);
  const std::vector<uint8_t> good(good_image.begin(), good_image.begin() + 512);
  const Prom_Image decoy_image = Random_Image(22, 0x0F);
  const std::vector<uint8_t> decoy(decoy_image.begin(), decoy_image.begin() + 512);
  const std::vector<Known_Image> known = {{"decoy in other", &decoy}, {"col.6f in board", &good}};
  struct Case {
    const char* name;
    Prom_Image read;
    std::vector<std::string> lines;
  } cases[] = {
      {"bit 2 stuck", With_Bit(good_image, 2, 0),
       {"Known Image if Bit 2 Is Ignored: col.6f in board \u2014 Every Other Bit Agrees"}},
      {"A8 open", With_Line(good_image, 8, 0),
       {"Known Image if A8 Is Held Low: col.6f in board \u2014 Every Location With A8 Low Agrees"}},
      {"A8 held high", With_Line(good_image, 8, 1),
       {"Known Image if A8 Is Held High: col.6f in board \u2014 Every Location With A8 High Agrees"}},
  };
  for (const Case& c : cases) {
    const Part_Dump dump{c.read, 0x1FF, 0x0F};
    std::vector<std::string> lines;
    for (const Masked_Match& match : Masked_Matches(dump, Diagnose(dump, nullptr), known))
      lines.push_back(match.text);
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

}  // namespace
}  // namespace tarnik::diagnose
