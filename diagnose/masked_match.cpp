#include "diagnose/masked_match.h"

#include "window/hex_text.h"

namespace tarnik::diagnose {

namespace {

int32_t Locations(const Part_Dump& dump) { return Loop_End(dump.device_end) + 1; }

bool Matches_Ignoring(const Part_Dump& dump, const std::vector<uint8_t>& known, uint8_t ignored) {
  const auto mask = static_cast<uint8_t>(dump.data_mask & ~ignored);
  for (int32_t address = 0; address < Locations(dump); ++address)
    if (((dump.image[static_cast<std::size_t>(address)] ^ known[static_cast<std::size_t>(address)]) &
         mask) != 0)
      return false;
  return true;
}

// The dump, whose halves read alike, against the half of `known` where the
// line is at `level`.
bool Matches_Folded(const Part_Dump& dump, const std::vector<uint8_t>& known, int line, int level) {
  const int32_t twin = int32_t{1} << line;
  for (int32_t address = 0; address < Locations(dump); ++address) {
    if (((address & twin) != 0) != (level != 0)) continue;
    if (((dump.image[static_cast<std::size_t>(address)] ^ known[static_cast<std::size_t>(address)]) &
         dump.data_mask) != 0)
      return false;
  }
  return true;
}

}  // namespace

std::vector<Masked_Match> Masked_Matches(const Part_Dump& dump, const std::vector<Finding>& findings,
                                         std::span<const Known_Image> known, std::size_t most) {
  std::vector<Masked_Match> matches;
  const auto add = [&](std::size_t index, const std::string& condition, const std::string& note) {
    if (matches.size() < most)
      matches.push_back({"Known Image if " + condition + ": " + known[index].name + " \u2014 " + note,
                         index});
  };
  for (const Finding& finding : findings) {
    for (std::size_t i = 0; i < known.size(); ++i) {
      const std::vector<uint8_t>& data = *known[i].data;
      if (data.size() < static_cast<std::size_t>(Locations(dump))) continue;
      const std::string bit = "Bit " + std::to_string(finding.index);
      const std::string line = "A" + std::to_string(finding.index);
      if (finding.kind == Finding_Kind::Stuck_Bit &&
          Matches_Ignoring(dump, data, static_cast<uint8_t>(1u << finding.index)))
        add(i, bit + " Is Ignored", "Every Other Bit Agrees");
      if (finding.kind != Finding_Kind::Idle_Line) continue;
      for (int level = 0; level <= 1; ++level)
        if (Matches_Folded(dump, data, finding.index, level))
          add(i, line + " Is Held " + (level == 0 ? "Low" : "High"),
              "Every Location With " + line + (level == 0 ? " Low" : " High") + " Agrees");
    }
  }
  return matches;
}

}  // namespace tarnik::diagnose
