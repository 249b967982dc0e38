#include "ui/hex_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <string>

#include "window/errors.h"
#include "tests/fixture.h"
#include "ui/main_window.h"

namespace tarnik::testing {
namespace {

// The editor, its view and its address box in a window of their own, wired
// as the main window wires them: one handler at a time, errors caught, and
// the visibility of both controls mirrored from the window model.
struct Editor_Window {
  Editor_Window() {
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i);
    window.resize(662, 476);
    view->setObjectName("Edit_1");
    view->setGeometry(138, 53, 511, 263);
    view->setFont(ui::Stand_In_Font(app.form.window.Get("Edit_1").font));
    box->setObjectName("Chg_Edit_Add");
    box->setGeometry(166, 30, 59, 23);
    app.form.window.Subscribe([this](const Control& control, Change change, std::size_t) {
      if (change != Change::Visible) return;
      if (control.name == "Edit_1") view->setVisible(control.visible);
      if (control.name == "Chg_Edit_Add") box->setVisible(control.visible);
    });
    view->hide();
    box->hide();
    window.show();
    // Focus moves only inside the active window.
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
  }

  void Run(const std::function<void()>& handler) {
    if (running) return;
    running = true;
    try {
      handler();
    } catch (const Handler_Error& error) {
      errors.emplace_back(error.what());
    }
    running = false;
  }
  void View_Event(Event_Kind kind, int value) {
    Run([&] {
      switch (kind) {
        case Event_Kind::Key_Down: editor.Edit_1KeyDown(value); break;
        case Event_Kind::Key_Press: editor.Edit_1KeyPress(static_cast<char>(value)); break;
        case Event_Kind::Key_Up: editor.Edit_1KeyUp(value); break;
        case Event_Kind::Mouse_Down: editor.Edit_1MouseDown(value); break;
        case Event_Kind::Exit: editor.Edit_1Exit(); break;
        case Event_Kind::Click:
        case Event_Kind::Double_Click: break;
      }
    });
  }
  void Box_Event(Event_Kind kind, int value) {
    Run([&] {
      if (kind == Event_Kind::Key_Press) editor.Chg_Edit_AddKeyPress(static_cast<char>(value));
      if (kind == Event_Kind::Exit) editor.Chg_Edit_AddExit();
    });
  }

  static void Press(QWidget* target, int key, const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &up);
  }
  void Type(QWidget* target, const std::string& keys) {
    for (const char c : keys) {
      const int key = c == '\r' ? Qt::Key_Return : std::toupper(static_cast<unsigned char>(c));
      Press(target, key, QString(QChar(c)));
    }
  }
  // A left click just right of the left edge of a character of the view.
  void Click(int line, int column) {
    QTextCursor place(view->document()->findBlockByNumber(line));
    place.setPosition(place.block().position() + column);
    const QPoint at = view->cursorRect(place).center() + QPoint(1, 0);
    Click_At(at);
  }
  void Click_At(QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, view->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, view->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &release);
  }
  [[nodiscard]] std::string Line(int index) const {
    return view->document()->findBlockByNumber(index).text().toStdString();
  }

  Sim_App app;
  Prom_Image image{};
  int32_t device_end = 1023;
  int checksums = 0;
  Hex_Editor editor{app.form.window, image, device_end, app.form.states,
                    app.form.link,   app.form.pump, [this] { ++checksums; }};
  bool running = false;
  std::vector<std::string> errors;
  QWidget window;
  ui::Hex_View* view = new ui::Hex_View(
      editor, [this](Event_Kind kind, int value) { View_Event(kind, value); }, &window);
  ui::Address_Box* box = new ui::Address_Box(
      editor, [this](Event_Kind kind, int value) { Box_Event(kind, value); }, &window);
};

TEST(Hex_View, Typing_Into_The_View_Changes_The_Buffer) {
  Editor_Window w;
  w.editor.EditClick();
  ASSERT_TRUE(w.view->isVisible());
  EXPECT_EQ(w.view->document()->blockCount(), 17);
  EXPECT_EQ(w.Line(0), "Address = 0000              Hex Data = 00                Ascii Data = .");
  EXPECT_EQ(w.Line(3), "0020  20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F    !\"#$%&'()*+,-./");
  EXPECT_EQ(w.view->Caret_Offset(), 79);

  w.Click(3, 6 + 3 * 5);  // the high digit of address 0x25
  EXPECT_EQ(w.editor.Cursor_Address(), 0x25);
  EXPECT_EQ(w.view->Caret_Offset(), 73 + 74 * 2 + 21);
  w.Type(w.view, "41");
  EXPECT_EQ(w.image[0x25], 0x41);
  EXPECT_EQ(w.Line(3).substr(21, 2), "41");
  EXPECT_EQ(w.Line(3)[61], 'A');
  EXPECT_EQ(w.view->Caret_Offset(), 73 + 74 * 2 + 24);  // before the next byte

  w.Press(w.view, Qt::Key_Down);
  w.Press(w.view, Qt::Key_Left);
  EXPECT_EQ(w.editor.Cursor_Address(), 0x35);
  EXPECT_EQ(w.Line(0), "Address = 0035              Hex Data = 35                Ascii Data = 5");
  EXPECT_EQ(w.view->Caret_Offset(), 73 + 74 * 3 + 21);

  w.Click(5, 56 + 2);  // the character of address 0x42
  EXPECT_TRUE(w.editor.Ascii_Mode);
  w.Type(w.view, "z:");
  EXPECT_EQ(w.image[0x42], 'z');
  EXPECT_EQ(w.image[0x43], ':');
  EXPECT_EQ(w.Line(5).substr(12, 5), "7A 3A");
  EXPECT_EQ(w.view->Caret_Offset(), 73 + 74 * 4 + 60);

  w.Click_At(QPoint(20, w.view->viewport()->height() - 2));  // below the last row
  EXPECT_EQ(w.editor.Cursor_Address(), 0xFF);
  EXPECT_TRUE(w.view->isVisible());
}

TEST(Hex_View, Address_Box_Opens_From_The_Status_Line_And_Jumps) {
  Editor_Window w;
  w.editor.EditClick();
  w.Click(0, 3);
  EXPECT_EQ(QApplication::focusWidget(), w.box);
  EXPECT_TRUE(w.box->isVisible());
  EXPECT_TRUE(w.view->isVisible());
  EXPECT_EQ(w.checksums, 1);
  w.Type(w.box, "1g5x0");
  EXPECT_EQ(w.box->text(), "150");
  w.Type(w.box, "\r");
  EXPECT_EQ(QApplication::focusWidget(), w.view);
  EXPECT_FALSE(w.box->isVisible());
  EXPECT_EQ(w.editor.Page_Start, 0x150);
  EXPECT_EQ(w.Line(1).substr(0, 4), "0150");
  EXPECT_EQ(w.Line(16).substr(0, 4), "0240");
  EXPECT_TRUE(w.errors.empty());
  EXPECT_EQ(w.checksums, 1);
}

TEST(Hex_View, Focus_Leaving_For_Another_Control_Closes_The_View_Once) {
  Editor_Window w;
  auto* button = new QPushButton("Fill", &w.window);
  button->show();
  w.editor.EditClick();
  ASSERT_EQ(QApplication::focusWidget(), w.view);
  // A focus move the editor makes itself is not reported again.
  w.editor.Edit_1MouseDown(3);
  EXPECT_EQ(QApplication::focusWidget(), w.box);
  EXPECT_EQ(w.checksums, 1);
  EXPECT_TRUE(w.view->isVisible());
  w.Type(w.box, "\r");
  ASSERT_EQ(QApplication::focusWidget(), w.view);
  button->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(w.checksums, 2);
  EXPECT_FALSE(w.view->isVisible());
  EXPECT_FALSE(w.box->isVisible());
}

TEST(Hex_View, Keys_That_Arrive_While_A_Key_Down_Pumps_Follow_In_Order) {
  Editor_Window w;
  w.editor.EditClick();
  w.Click(2, 6);  // address 0x10
  bool sent = false;
  w.app.host.on_pump = [&] {
    if (sent) return;
    sent = true;
    w.Type(w.view, "1");
  };
  w.Type(w.view, "4");
  w.app.host.on_pump = nullptr;
  EXPECT_TRUE(sent);
  EXPECT_EQ(w.image[0x10], 0x41);
  EXPECT_EQ(w.editor.Cur_Col, 1);
  EXPECT_EQ(w.view->Caret_Offset(), 73 + 74 + 9);
}

TEST(Hex_View, Sends_The_Platform_Key_Codes) {
  const std::vector<std::pair<int, int>> cases = {
      {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},  {Qt::Key_Home, 36},
      {Qt::Key_Left, 37},   {Qt::Key_Up, 38},       {Qt::Key_Right, 39}, {Qt::Key_Down, 40},
      {Qt::Key_A, 65},      {Qt::Key_Z, 90},        {Qt::Key_0, 48},     {Qt::Key_9, 57},
      {Qt::Key_Return, 13}, {Qt::Key_Backspace, 8}, {Qt::Key_F1, 112},   {Qt::Key_Colon, 0},
  };
  for (const auto& [qt_key, code] : cases) EXPECT_EQ(ui::Virtual_Key_Code(qt_key), code) << qt_key;
}

}  // namespace
}  // namespace tarnik::testing
