#include "app/named_image_file.h"

#include <array>

namespace tarnik {

namespace {

constexpr std::string_view File_Opening = " (File: ";

bool Names_A_Known_Image(std::string_view line) {
  constexpr std::array<std::string_view, 2> Openings = {"Known Image: ", "Nearest Known Image: "};
  for (const std::string_view opening : Openings)
    if (line.substr(0, opening.size()) == opening) return true;
  return false;
}

}  // namespace

std::optional<std::string> Loadable_File_Named(std::string_view line) {
  if (!Names_A_Known_Image(line) || line.empty() || line.back() != ')') return std::nullopt;
  // The note stands last on the line, after the names.
  const std::size_t opening = line.rfind(File_Opening);
  if (opening == std::string_view::npos) return std::nullopt;
  const std::size_t start = opening + File_Opening.size();
  const std::string_view file = line.substr(start, line.size() - 1 - start);
  if (file.empty()) return std::nullopt;
  return std::string(file);
}

}  // namespace tarnik
