#include "window/window_model.h"

#include <stdexcept>
#include <utility>

namespace tarnik {

Window_Model::Window_Model() : controls_(Initial_Controls()) {}

const Control& Window_Model::Get(std::string_view name) const {
  for (const Control& c : controls_)
    if (c.name == name) return c;
  throw std::logic_error("no control named " + std::string(name));
}

Control& Window_Model::Find(std::string_view name) {
  return const_cast<Control&>(std::as_const(*this).Get(name));
}

void Window_Model::Notify(const Control& control, Change change, std::size_t line) {
  for (const Listener& listener : listeners_) listener(control, change, line);
}

void Window_Model::Set_Caption(std::string_view name, std::string caption) {
  Control& c = Find(name);
  if (c.caption == caption) return;
  c.caption = std::move(caption);
  Notify(c, Change::Caption);
}

void Window_Model::Set_Hint(std::string_view name, std::string hint) {
  Control& c = Find(name);
  if (c.hint == hint) return;
  c.hint = std::move(hint);
  Notify(c, Change::Hint);
}

void Window_Model::Set_Enabled(std::string_view name, bool enabled) {
  Control& c = Find(name);
  if (c.enabled == enabled) return;
  c.enabled = enabled;
  Notify(c, Change::Enabled);
}

void Window_Model::Set_Visible(std::string_view name, bool visible) {
  Control& c = Find(name);
  if (c.visible == visible) return;
  c.visible = visible;
  Notify(c, Change::Visible);
}

void Window_Model::Set_Colour(std::string_view name, Rgb colour) {
  Control& c = Find(name);
  if (c.colour == colour) return;
  c.colour = colour;
  Notify(c, Change::Colour);
}

void Window_Model::Set_Tag(std::string_view name, int tag) {
  Control& c = Find(name);
  if (c.tag == tag) return;
  c.tag = tag;
  Notify(c, Change::Tag);
}

void Window_Model::Set_Bounds(std::string_view name, Bounds bounds) {
  Control& c = Find(name);
  if (c.bounds == bounds) return;
  c.bounds = bounds;
  Notify(c, Change::Bounds);
}

void Window_Model::Set_Font(std::string_view name, Font_Spec font) {
  Control& c = Find(name);
  if (c.font == font) return;
  c.font = std::move(font);
  Notify(c, Change::Font);
}

void Window_Model::Set_Item_Index(std::string_view name, int index) {
  Control& c = Find(name);
  if (c.item_index == index) return;
  c.item_index = index;
  Notify(c, Change::Item_Index);
}

void Window_Model::Set_Focus(std::string_view name) {
  Control& c = Find(name);
  focused_ = c.name;
  Notify(c, Change::Focus);
}

void Window_Model::Clear_Lines(std::string_view name) { Set_Lines(name, {}); }

void Window_Model::Insert_Line(std::string_view name, std::size_t index, std::string line) {
  Control& c = Find(name);
  if (index > c.lines.size()) index = c.lines.size();
  c.lines.insert(c.lines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
  Notify(c, Change::Line_Added, index);
}

void Window_Model::Append_Line(std::string_view name, std::string line) {
  Control& c = Find(name);
  c.lines.push_back(std::move(line));
  Notify(c, Change::Line_Added, c.lines.size() - 1);
}

void Window_Model::Set_Lines(std::string_view name, std::vector<std::string> lines) {
  Control& c = Find(name);
  c.lines = std::move(lines);
  Notify(c, Change::Lines);
}

}  // namespace tarnik
