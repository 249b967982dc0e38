#pragma once
// The help pane and the button size.

#include <optional>
#include <string>

#include "window/control_states.h"
#include "window/host.h"
#include "window/window_model.h"

namespace tarnik {

inline constexpr const char* Help_File_Name = "Brevan.Txt";

class Help_And_Scale {
 public:
  Help_And_Scale(Window_Model& window, Host& host, Control_States& states)
      : window_(window), host_(host), states_(states) {}

  void Help_1Click();
  void ScaleClick();
  // Enlarges (factor 486/408) or shrinks (408/486) every control and font.
  void Scale_Controls(bool enlarge);

  // The installed share folder: the help text is read from there when the
  // current directory holds none. Empty: the current directory only.
  std::string Installed_Dir;

 private:
  Window_Model& window_;
  Host& host_;
  Control_States& states_;

  [[nodiscard]] std::optional<std::string> Read_Help_Text() const;
};

}  // namespace tarnik
