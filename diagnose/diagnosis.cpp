#include "diagnose/diagnosis.h"

#include "window/hex_text.h"

namespace tarnik::diagnose {

namespace {

// At least two differences before a pattern is named: one grown-back fuse
// falls in one bit and one line by itself.
constexpr int Fewest_Patterned_Differences = 2;

int32_t Locations(const Part_Dump& dump) { return Loop_End(dump.device_end) + 1; }

uint8_t Data(const Part_Dump& dump, int32_t address) {
  return static_cast<uint8_t>(dump.image[static_cast<std::size_t>(address)] & dump.data_mask);
}

uint8_t Data(const Prom_Image& image, uint8_t mask, int32_t address) {
  return static_cast<uint8_t>(image[static_cast<std::size_t>(address)] & mask);
}

std::string Address_Text(int32_t address) {
  return Hex_Digits_At_Least(static_cast<uint32_t>(address), 3);
}

std::string Line_Name(int line) { return "A" + std::to_string(line); }

// The value of each data bit at location 0, and the bits that ever differ
// from it.
uint8_t Varying_Bits(const Prom_Image& image, uint8_t mask, int32_t locations) {
  const uint8_t first = Data(image, mask, 0);
  uint8_t varying = 0;
  for (int32_t address = 1; address < locations; ++address)
    varying = static_cast<uint8_t>(varying | (Data(image, mask, address) ^ first));
  return varying;
}

bool Line_Has_Effect(const Prom_Image& image, uint8_t mask, int32_t locations, int line) {
  const int32_t twin = int32_t{1} << line;
  for (int32_t address = 0; address < locations; ++address)
    if ((address & twin) == 0 && Data(image, mask, address) != Data(image, mask, address | twin))
      return true;
  return false;
}

std::string Idle_Line_Text(int line, int32_t locations) {
  const int32_t half = int32_t{1} << line;
  const std::string effect = Line_Name(line) + " Has No Effect";
  if (half * 2 == locations)
    return "Locations " + Address_Text(half) + "-" + Address_Text(locations - 1) + " Repeat " +
           Address_Text(0) + "-" + Address_Text(half - 1) + ": " + effect +
           " (an Open Line, a Smaller Part, or an Image Written Twice)";
  return "Every Location With " + Line_Name(line) + " Set Repeats Its " + Line_Name(line) +
         "-Clear Twin: " + effect + " (an Open Line, or an Image Written Twice)";
}

struct Difference_Bits {
  int locations = 0;
  uint8_t read_high = 0;  // bits that read 1 where the reference has 0
  uint8_t read_low = 0;   // bits that read 0 where the reference has 1
};

Difference_Bits Count_Differences(const Part_Dump& dump, const Prom_Image& reference) {
  Difference_Bits bits;
  for (int32_t address = 0; address < Locations(dump); ++address) {
    const uint8_t read = Data(dump, address);
    const uint8_t wanted = Data(reference, dump.data_mask, address);
    if (read == wanted) continue;
    ++bits.locations;
    bits.read_high = static_cast<uint8_t>(bits.read_high | (read & ~wanted));
    bits.read_low = static_cast<uint8_t>(bits.read_low | (wanted & ~read));
  }
  return bits;
}

int Single_Bit(uint8_t bits) {
  for (int bit = 0; bit < 8; ++bit)
    if (bits == (1u << bit)) return bit;
  return -1;
}

std::optional<Finding> Dead_Output(const Part_Dump& dump, const Difference_Bits& bits) {
  if ((bits.read_high != 0) == (bits.read_low != 0)) return std::nullopt;
  const int level = bits.read_high != 0 ? 1 : 0;
  const int bit = Single_Bit(level != 0 ? bits.read_high : bits.read_low);
  if (bit < 0) return std::nullopt;
  // The bit reads its one value at every location, not only where it
  // differs: an output that fails now and then is not a dead one.
  const uint8_t mask = static_cast<uint8_t>(1u << bit);
  for (int32_t address = 0; address < Locations(dump); ++address)
    if (((Data(dump, address) & mask) != 0) != (level != 0)) return std::nullopt;
  const std::string cause = level == 0 ? " May Be Dead" : " May Be Stuck High";
  return Finding{Finding_Kind::Dead_Output, bit, level,
                 "All " + std::to_string(bits.locations) + " Differences Are Bit " +
                     std::to_string(bit) + " Reading " + std::to_string(level) + ": Output O" +
                     std::to_string(bit) + cause};
}

// Whether every differing location has `line` at the level opposite to
// `level` and reads what its twin with the line at `level` should hold.
bool Differences_Read_Twins(const Part_Dump& dump, const Prom_Image& reference, int line,
                            int level) {
  const int32_t twin_bit = int32_t{1} << line;
  for (int32_t address = 0; address < Locations(dump); ++address) {
    const uint8_t read = Data(dump, address);
    if (read == Data(reference, dump.data_mask, address)) continue;
    if (((address & twin_bit) != 0) == (level != 0)) return false;
    const int32_t twin = level != 0 ? (address | twin_bit) : (address & ~twin_bit);
    if (read != Data(reference, dump.data_mask, twin)) return false;
  }
  return true;
}

std::optional<Finding> Stuck_Line(const Part_Dump& dump, const Prom_Image& reference) {
  for (int line = 0; line < Address_Lines(Locations(dump)); ++line) {
    for (int level = 0; level <= 1; ++level) {
      if (!Differences_Read_Twins(dump, reference, line, level)) continue;
      const std::string name = Line_Name(line);
      const std::string side = level == 0 ? "-Clear" : "-Set";
      return Finding{Finding_Kind::Stuck_Line, line, level,
                     "Every Difference Reads Its " + name + side + " Twin: " + name +
                         " May Be Stuck " + (level == 0 ? "Low" : "High")};
    }
  }
  return std::nullopt;
}

}  // namespace

int Address_Lines(int32_t locations) {
  int lines = 0;
  while ((int32_t{1} << lines) < locations) ++lines;
  return lines;
}

std::vector<Finding> Stuck_Bits(const Part_Dump& dump, const Prom_Image* reference) {
  const int32_t locations = Locations(dump);
  const uint8_t varying = Varying_Bits(dump.image, dump.data_mask, locations);
  if (varying == 0) return {};
  const uint8_t unused_in_reference =
      reference == nullptr
          ? 0
          : static_cast<uint8_t>(~Varying_Bits(*reference, dump.data_mask, locations) &
                                 ~(Data(*reference, dump.data_mask, 0) ^ Data(dump, 0)));
  std::vector<Finding> found;
  for (int bit = 0; bit < 8; ++bit) {
    const auto mask = static_cast<uint8_t>(1u << bit);
    if ((dump.data_mask & mask) == 0 || (varying & mask) != 0 || (unused_in_reference & mask) != 0)
      continue;
    const int level = (Data(dump, 0) & mask) != 0 ? 1 : 0;
    found.push_back(Finding{Finding_Kind::Stuck_Bit, bit, level,
                            "Bit " + std::to_string(bit) + " Reads " + std::to_string(level) +
                                " at Every Location: an Unused Output, or an Open One"});
  }
  return found;
}

std::vector<Finding> Idle_Lines(const Part_Dump& dump, const Prom_Image* reference) {
  const int32_t locations = Locations(dump);
  if (Varying_Bits(dump.image, dump.data_mask, locations) == 0) return {};
  std::vector<Finding> found;
  for (int line = 0; line < Address_Lines(locations); ++line) {
    if (Line_Has_Effect(dump.image, dump.data_mask, locations, line)) continue;
    if (reference != nullptr && !Line_Has_Effect(*reference, dump.data_mask, locations, line))
      continue;
    found.push_back(Finding{Finding_Kind::Idle_Line, line, 0, Idle_Line_Text(line, locations)});
  }
  return found;
}

std::optional<Finding> Difference_Pattern(const Part_Dump& dump, const Prom_Image& reference) {
  const Difference_Bits bits = Count_Differences(dump, reference);
  if (bits.locations < Fewest_Patterned_Differences) return std::nullopt;
  if (std::optional<Finding> output = Dead_Output(dump, bits)) return output;
  return Stuck_Line(dump, reference);
}

std::vector<Finding> Diagnose(const Part_Dump& dump, const Prom_Image* reference) {
  std::vector<Finding> found = Stuck_Bits(dump, reference);
  std::vector<Finding> lines = Idle_Lines(dump, reference);
  std::optional<Finding> pattern;
  if (reference != nullptr) pattern = Difference_Pattern(dump, *reference);
  for (Finding& line : lines) {
    // A line the differences already name as stuck is said once, there.
    const bool named = pattern && pattern->kind == Finding_Kind::Stuck_Line &&
                       pattern->index == line.index;
    if (!named) found.push_back(std::move(line));
  }
  if (pattern) found.push_back(std::move(*pattern));
  return found;
}

std::vector<std::string> Finding_Texts(const std::vector<Finding>& findings) {
  std::vector<std::string> texts;
  texts.reserve(findings.size());
  for (const Finding& finding : findings) texts.push_back(finding.text);
  return texts;
}

}  // namespace tarnik::diagnose
