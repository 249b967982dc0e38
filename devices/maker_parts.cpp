#include "devices/maker_parts.h"

#include <cctype>
#include <sstream>

namespace tarnik {

namespace {

// Letters a maker puts before the part number ("N", "DM", "SN", "MMI").
constexpr std::size_t Most_Prefix_Letters = 3;

// A chip's number as compared: capitals, without blanks; `dash_before[i]`
// says whether a dash stood before character i.
struct Marking {
  std::string text;
  std::vector<bool> dash_before;
};

Marking Normalised(std::string_view raw) {
  Marking marking;
  bool dash = false;
  for (const char c : raw) {
    if (c == '-') {
      dash = true;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c)) || c == '/') continue;
    marking.text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    marking.dash_before.push_back(dash);
    dash = false;
  }
  return marking;
}

bool All_Letters(std::string_view text) {
  for (const char c : text)
    if (!std::isalpha(static_cast<unsigned char>(c))) return false;
  return true;
}

// Whether `core` stands in `marking` as a part number: a few letters before
// it, and after it letters, or digits only past a dash ("6301-1J"), so that
// "82S1291" is no 82S129.
bool Names(const Marking& marking, const std::string& core) {
  if (core.empty()) return false;
  for (std::size_t at = marking.text.find(core); at != std::string::npos;
       at = marking.text.find(core, at + 1)) {
    const std::string_view prefix = std::string_view(marking.text).substr(0, at);
    if (prefix.size() > Most_Prefix_Letters || !All_Letters(prefix)) continue;
    const std::size_t after = at + core.size();
    if (after == marking.text.size()) return true;
    const bool digit_after = std::isdigit(static_cast<unsigned char>(marking.text[after])) != 0;
    if (!digit_after || marking.dash_before[after]) return true;
  }
  return false;
}

std::optional<Blank_State> Blank_From(const std::string& text) {
  if (text == "0") return Blank_State::Zeros;
  if (text == "1") return Blank_State::Ones;
  if (text == "?") return Blank_State::Unknown;
  return std::nullopt;
}

std::optional<Maker_Part> Parse_Row(const std::string& line) {
  std::istringstream words(line.substr(0, line.find('#')));
  std::string maker, part, type, pulse, blank, extra;
  if (!(words >> maker >> part >> type >> pulse >> blank) || (words >> extra)) return std::nullopt;
  Maker_Part row;
  row.maker = maker;
  row.part = Normalised(part).text;
  row.type = Find_Device_Type(type);
  const std::optional<Blank_State> state = Blank_From(blank);
  if (row.type == nullptr || !state || (pulse != "own" && pulse != "other")) return std::nullopt;
  row.own_pulse = pulse == "own";
  row.blank = *state;
  return row;
}

}  // namespace

Maker_Parts Maker_Parts::Parse(std::string_view text, std::vector<std::string>& problems) {
  Maker_Parts table;
  std::istringstream lines{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    if (std::optional<Maker_Part> row = Parse_Row(line))
      table.rows_.push_back(std::move(*row));
    else
      problems.push_back("line " + std::to_string(number) + " is no maker's part");
  }
  return table;
}

std::optional<Part_Choice> Maker_Parts::Find(std::string_view raw) const {
  const Marking marking = Normalised(raw);
  std::optional<Part_Choice> best;
  std::size_t best_length = 0;
  const auto consider = [&](const std::string& core, Part_Choice choice) {
    if (core.size() > best_length && Names(marking, core)) {
      best_length = core.size();
      best = std::move(choice);
    }
  };
  for (const Device_Type& type : Device_Types())
    consider(Normalised(type.caption).text, Part_Choice{&type, std::nullopt});
  for (const Maker_Part& row : rows_) consider(row.part, Part_Choice{row.type, row});
  return best;
}

std::vector<Part_Choice> Maker_Parts::Search(std::string_view raw) const {
  const std::string text = Normalised(raw).text;
  std::vector<Part_Choice> found;
  if (text.empty()) return found;
  for (const Device_Type& type : Device_Types())
    if (Normalised(type.row_text).text.find(text) != std::string::npos)
      found.push_back(Part_Choice{&type, std::nullopt});
  for (const Maker_Part& row : rows_)
    if (row.part.find(text) != std::string::npos) found.push_back(Part_Choice{row.type, row});
  // A chip's whole number ("N82S129AN") names its type even where no name
  // contains it.
  if (found.empty())
    if (std::optional<Part_Choice> named = Find(raw)) found.push_back(std::move(*named));
  return found;
}

std::string Foreign_Pulse_Line(const Maker_Part& part) {
  if (part.own_pulse || part.type == nullptr) return {};
  return "Read as " + std::string(part.type->caption) + ": Program Refused, " + part.part +
         " Parts Need Their Maker's Pulse";
}

std::string Blank_State_Line(const Maker_Part& part) {
  switch (part.blank) {
    case Blank_State::Ones:
      return "Blank Checked Against FF: " + part.part + " Parts Are Blank With Every Bit 1";
    case Blank_State::Unknown:
      return "Blank Checked Against 00: the Blank State of " + part.part + " Parts Is Not Known";
    case Blank_State::Zeros: break;
  }
  return {};
}

std::string Choice_Name(const Part_Choice& choice) {
  if (!choice.maker_part) return choice.type == nullptr ? std::string() : std::string(choice.type->caption);
  return choice.maker_part->part + " (" + choice.maker_part->maker + ", Reads as " +
         std::string(choice.type->caption) + ")";
}

}  // namespace tarnik
