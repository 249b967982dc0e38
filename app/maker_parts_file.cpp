#include "app/maker_parts_file.h"

#include <filesystem>
#include <optional>

#include "window/text_file.h"

namespace tarnik {

namespace fs = std::filesystem;

namespace {
// The table is a few kilobytes; anything far longer is no table.
constexpr std::size_t Table_Limit = 256 * 1024;
}  // namespace

Maker_Parts Load_Maker_Parts(const std::string& current_dir, const std::string& installed_dir,
                             std::vector<std::string>& problems) {
  std::vector<fs::path> places = {fs::path(current_dir)};
  if (!installed_dir.empty()) places.emplace_back(installed_dir);
  places.emplace_back(TARNIK_DATA_DIR);
  for (const fs::path& place : places) {
    const fs::path file = place / Maker_Parts_File_Name;
    const Bounded_File text = Read_Bounded_File(file.string(), Table_Limit);
    if (text.too_long) {
      problems.push_back(Too_Long_Text(file.string(), Table_Limit));
      continue;
    }
    if (!text.bytes) continue;
    std::vector<std::string> row_problems;
    Maker_Parts table = Maker_Parts::Parse(*text.bytes, row_problems);
    for (const std::string& problem : row_problems) problems.push_back(file.string() + ": " + problem);
    return table;
  }
  return {};
}

}  // namespace tarnik
