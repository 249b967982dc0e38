#pragma once
// The Qt face of the hex editor: the view Edit_1, a read-only, unwrapped text
// pane in a fixed-pitch font that shows the editor's text and caret and hands
// every key and click to the editor's handlers, and the address box
// Chg_Edit_Add, whose text the editor keeps.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <deque>
#include <functional>
#include <string_view>

#include "app/main_form.h"
#include "buffer/buffer_marks.h"
#include "buffer/hex_editor.h"

namespace tarnik::ui {

// Runs a control's handler for one event: a virtual-key code for key downs
// and ups, a character code 0 to 255 for key presses, the caret offset for
// mouse downs, nothing for the exit.
using Editor_Event = std::function<void(Event_Kind kind, int value)>;

// The virtual-key code a Qt key sends; 0 for a key without one.
[[nodiscard]] int Virtual_Key_Code(int qt_key);

class Hex_View final : public QPlainTextEdit {
  Q_OBJECT

 public:
  // Takes over the editor's view and focus hooks for its lifetime. Focus
  // moves the editor asks for go to the control of that name in this
  // widget's window.
  Hex_View(Hex_Editor& editor, Editor_Event on_event, QWidget* parent = nullptr);
  ~Hex_View() override;
  Hex_View(const Hex_View&) = delete;
  Hex_View& operator=(const Hex_View&) = delete;

  // Shows the editor's text if it changed and puts the caret where the
  // editor wants it.
  void Refresh();
  // Colours the bytes of the page that `marks` holds, without touching the
  // text, and shows a legend under the view while any byte is marked. The
  // marks must outlive the view.
  void Show_Marks(Buffer_Marks& marks);
  [[nodiscard]] const QLabel* Legend() const { return legend_; }
  // The caret's offset as the editor counts it: two characters a line break.
  [[nodiscard]] int Caret_Offset() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Key_Stroke {
    bool pressed = true;
    int key = 0;
    QString text;
    bool auto_repeat = false;
  };

  [[nodiscard]] QTextCursor Cursor_For_Click(QPoint point) const;
  void Move_Focus(std::string_view control);
  void Handle_Key(Key_Stroke stroke);
  void Report_Key(const Key_Stroke& stroke);
  void Paint_Marks();
  void Place_Legend();
  [[nodiscard]] QTextEdit::ExtraSelection Mark_Span(int line, int column, int length,
                                                    Byte_Mark mark) const;

  Hex_Editor& editor_;
  const Buffer_Marks* marks_ = nullptr;
  QLabel* legend_ = nullptr;
  Editor_Event on_event_;
  bool moving_focus_ = false;  // the editor is moving the focus away itself
  bool handling_key_ = false;
  std::deque<Key_Stroke> waiting_keys_;
};

// Upper case, at most six characters, hex digits and backspace only: every
// typed character goes to the box's key handler, which edits the text the
// editor keeps; the box shows that text.
class Address_Box final : public QLineEdit {
  Q_OBJECT

 public:
  Address_Box(Hex_Editor& editor, Editor_Event on_event, QWidget* parent = nullptr);

  // Shows the text the editor keeps for the box.
  void Show_Editor_Text();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Type(const QString& text);

  Hex_Editor& editor_;
  Editor_Event on_event_;
};

}  // namespace tarnik::ui
