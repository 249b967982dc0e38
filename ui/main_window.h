#pragma once
// The Qt window: builds one widget for every control of the window model and
// mirrors every change of the model onto it. User input goes to the form's
// handlers; the widgets hold no state of their own that the logic reads.

#include <QTimer>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "window/window_model.h"

class QPlainTextEdit;

namespace tarnik::ui {

class Bit_Map_View;

class Main_Window final : public QWidget {
  Q_OBJECT

 public:
  explicit Main_Window(Main_Form& form);

  [[nodiscard]] QWidget* Widget(const std::string& control_name) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Make_Widget(const Control& control, QWidget* parent);
  void Build();
  void Mirror(const Control& control, Change change, std::size_t line);
  void Apply_All(const Control& control, QWidget* widget);
  void Apply_Text(const Control& control, QWidget* widget);
  void Apply_Colour(const Control& control, QWidget* widget);
  void Connect_Events(const Control& control, QWidget* widget);
  // Lines come faster than anyone reads them: a pane that takes lines is
  // painted once a frame while they come, not once a line, and at once when
  // the window returns to its ready state.
  void Hold_Painting(QPlainTextEdit* pane);
  void Paint_Held_Panes();
  void Apply_Geometry(Bounds bounds);
  // The part's picture beside the hex editor, while the editor is shown and
  // a read, verify or blank check has judged the part.
  void Update_Bit_Map();
  void Record_Geometry();

  Main_Form& form_;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  bool syncing_geometry_ = false;
  QTimer list_frame_;
  std::vector<QPlainTextEdit*> held_panes_;
  int followed_line_ = 0;  // the message list's line added last
  Bit_Map_View* bit_map_ = nullptr;
};

// How often a pane taking lines is painted, in milliseconds.
inline constexpr int List_Frame_Ms = 40;

// The font a Linux desktop has that stands in for the window's own.
[[nodiscard]] QFont Stand_In_Font(const Font_Spec& font);

}  // namespace tarnik::ui
