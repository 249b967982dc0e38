#include "app/named_image_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace tarnik {

namespace {

constexpr std::array<std::string_view, 2> Image_Line_Starts = {"Known Image: ",
                                                                "Nearest Known Image: "};

bool Starts_An_Image_Line(std::string_view line) {
  return std::any_of(Image_Line_Starts.begin(), Image_Line_Starts.end(),
                     [line](std::string_view start) { return line.starts_with(start); });
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// A set's short name is a word; a file is a zip's member or a path.
bool Names_A_File(std::string_view word) {
  const std::string lower = Lower(word);
  const std::size_t member = lower.find(".zip:");
  if (member != std::string::npos) return member > 0 && member + 5 < lower.size();
  return word.find('/') != std::string_view::npos;
}

}  // namespace

std::optional<std::string> Named_Image_File(const std::string& line) {
  if (!Starts_An_Image_Line(line)) return std::nullopt;
  const std::size_t in = line.find(" in ");
  if (in == std::string::npos) return std::nullopt;
  const std::size_t start = in + 4;
  // The name ends where the line's description, count or catalogue begins.
  const std::size_t end = line.find_first_of(" ,", start);
  std::string word = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (!Names_A_File(word)) return std::nullopt;
  return word;
}

}  // namespace tarnik
