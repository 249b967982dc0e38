#pragma once
// The Qt window: builds one widget for every control of the window model and
// mirrors every change of the model onto it. User input goes to the form's
// handlers; the widgets hold no state of their own that the logic reads.

#include <QWidget>
#include <map>
#include <string>

#include "app/main_form.h"
#include "window/window_model.h"

namespace tarnik::ui {

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
  void Apply_Geometry(Bounds bounds);
  void Record_Geometry();

  Main_Form& form_;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  bool syncing_geometry_ = false;
};

// The font a Linux desktop has that stands in for the window's own.
[[nodiscard]] QFont Stand_In_Font(const Font_Spec& font);

}  // namespace tarnik::ui
