#include "app/help_scale.h"

#include <cmath>
#include <filesystem>

#include "window/text_file.h"

namespace tarnik {

namespace {

constexpr double Large = 486.0;
constexpr double Small = 408.0;

int Scaled(int value, double factor) {
  return static_cast<int>(std::lround(static_cast<double>(value) * factor));
}

}  // namespace

std::optional<std::string> Help_And_Scale::Read_Help_Text() const {
  const std::filesystem::path here = std::filesystem::path(host_.Current_Directory()) / Help_File_Name;
  if (std::optional<std::string> text = Read_Whole_File(here.string())) return text;
  if (Installed_Dir.empty()) return std::nullopt;
  return Read_Whole_File((std::filesystem::path(Installed_Dir) / Help_File_Name).string());
}

void Help_And_Scale::Help_1Click() {
  states_.Enable_Commands();
  window_.Set_Visible("Memo1", false);
  const std::optional<std::string> text = Read_Help_Text();
  if (!text) return;
  std::vector<std::string> lines = Split_Text_Lines(*text);
  if (lines.empty()) lines.emplace_back();
  window_.Set_Lines("Help1", std::move(lines));
  window_.Set_Visible("Help1", true);
}

void Help_And_Scale::Scale_Controls(bool enlarge) {
  const double factor = enlarge ? Large / Small : Small / Large;
  for (const Control& control : std::vector<Control>(window_.Controls())) {
    Font_Spec font = control.font;
    font.pixel_height = Scaled(font.pixel_height, factor);
    window_.Set_Font(control.name, font);
    if (control.kind == Control_Kind::Form) continue;  // the window keeps its size and place
    const Bounds b = control.bounds;
    window_.Set_Bounds(control.name, Bounds{Scaled(b.left, factor), Scaled(b.top, factor),
                                            Scaled(b.width, factor), Scaled(b.height, factor)});
  }
}

void Help_And_Scale::ScaleClick() {
  const bool enlarge = window_.Get("Scale").tag == 0;
  Scale_Controls(enlarge);
  window_.Set_Tag("Scale", enlarge ? 1 : 0);
  window_.Set_Caption("Scale", enlarge ? "Small Buttons" : "Large Buttons");
}

}  // namespace tarnik
