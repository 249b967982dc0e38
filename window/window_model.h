#pragma once
// The main window as data: every control with the properties the logic reads
// and writes. Handlers change the model only through its setters, which tell
// the subscribed front end what changed so that it can mirror it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnik {

enum class Control_Kind { Form, Panel, Button, Static_Text, Memo, Rich_Text, Edit, List_Box };

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colours {
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb Lime{0, 255, 0};
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Aqua{0, 255, 255};
inline constexpr Rgb Blue{0, 0, 255};
inline constexpr Rgb Fuchsia{255, 0, 255};
inline constexpr Rgb Silver{192, 192, 192};
inline constexpr Rgb Navy{0, 0, 128};
}  // namespace colours

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Bounds&, const Bounds&) = default;
};

struct Font_Spec {
  std::string family;  // "MS Sans Serif", "Fixedsys", "Courier New"
  int pixel_height = 0;
  bool bold = false;
  friend bool operator==(const Font_Spec&, const Font_Spec&) = default;
};

struct Control {
  std::string name;
  Control_Kind kind = Control_Kind::Button;
  std::string parent;  // empty for the window itself
  Bounds bounds;
  std::string caption;
  std::string hint;
  std::optional<Rgb> colour;
  Font_Spec font;
  bool visible = true;
  bool enabled = true;
  int tag = 0;
  std::vector<std::string> lines;  // text lines of memos and views, rows of list boxes
  int item_index = -1;             // selected row of a list box
  bool vertical_scroll = false;
  bool read_only = false;
  bool upper_case = false;
  int max_length = 0;  // edit boxes; 0 = no limit
};

// Line_Added: one line was inserted or appended; the listener gets its index.
// Focus: the control is to take the keyboard focus.
enum class Change {
  Caption, Enabled, Visible, Colour, Tag, Lines, Line_Added, Item_Index, Bounds, Font, Hint, Focus
};

class Window_Model {
 public:
  using Listener = std::function<void(const Control&, Change, std::size_t line)>;

  Window_Model();

  [[nodiscard]] const Control& Get(std::string_view name) const;
  [[nodiscard]] const std::vector<Control>& Controls() const { return controls_; }

  void Set_Caption(std::string_view name, std::string caption);
  void Set_Hint(std::string_view name, std::string hint);
  void Set_Enabled(std::string_view name, bool enabled);
  void Set_Visible(std::string_view name, bool visible);
  void Set_Colour(std::string_view name, Rgb colour);
  void Set_Tag(std::string_view name, int tag);
  void Set_Bounds(std::string_view name, Bounds bounds);
  void Set_Font(std::string_view name, Font_Spec font);
  void Set_Item_Index(std::string_view name, int index);
  // Gives the control the keyboard focus, so that typing goes to it at once.
  void Set_Focus(std::string_view name);
  [[nodiscard]] const std::string& Focused() const { return focused_; }

  void Clear_Lines(std::string_view name);
  void Insert_Line(std::string_view name, std::size_t index, std::string line);
  void Append_Line(std::string_view name, std::string line);
  void Set_Lines(std::string_view name, std::vector<std::string> lines);

  // Shorthands for the two controls every command touches.
  [[nodiscard]] int Link_State() const { return Get("MainForm").tag; }
  [[nodiscard]] int Failure_Flag() const { return Get("StaticText3").tag; }

  void Subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }

 private:
  Control& Find(std::string_view name);
  void Notify(const Control& control, Change change, std::size_t line = 0);

  std::vector<Control> controls_;
  std::vector<Listener> listeners_;
  std::string focused_;
};

// The control table of the main window as it stands when the window is created.
[[nodiscard]] std::vector<Control> Initial_Controls();

inline constexpr const char* Window_Title = "Tarnik PROM Programmer";
inline constexpr const char* Window_Caption = "Tarnik PROM Programmer V1.01 6 July 06";

}  // namespace tarnik
