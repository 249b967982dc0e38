#include "ui/main_window.h"

#include <QApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/fixture.h"
#include "tests/test_files.h"
#include "ui/qt_host.h"

namespace tarnik::testing {
namespace {

QString Text_Of(QWidget* widget) {
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* pane = qobject_cast<QPlainTextEdit*>(widget)) return pane->toPlainText();
  return {};
}

TEST(Main_Window, Every_Control_Of_The_Table_Has_Its_Widget) {
  Sim_App app;
  ui::Main_Window window(app.form);
  EXPECT_EQ(window.windowTitle(), "Tarnik PROM Programmer V1.01 6 July 06");
  EXPECT_EQ(window.size(), QSize(662, 476));
  for (const Control& control : app.form.window.Controls()) {
    if (control.kind == Control_Kind::Form) continue;
    SCOPED_TRACE(control.name);
    QWidget* widget = window.Widget(control.name);
    ASSERT_NE(widget, nullptr);
    const QRect bounds(control.bounds.left, control.bounds.top, control.bounds.width,
                       control.bounds.height);
    if (control.kind == Control_Kind::Static_Text) {  // sized to its caption, never smaller
      EXPECT_EQ(widget->pos(), bounds.topLeft());
      EXPECT_EQ(widget->height(), bounds.height());
      EXPECT_GE(widget->width(), bounds.width());
    } else {
      EXPECT_EQ(widget->geometry(), bounds);
    }
    EXPECT_EQ(widget->parentWidget(), window.Widget(control.parent));
    EXPECT_EQ(widget->toolTip().toStdString(), control.hint);
    EXPECT_EQ(widget->isVisibleTo(&window), control.visible);
    EXPECT_EQ(widget->font().pixelSize(), ui::Stand_In_Font(control.font).pixelSize());
    if (control.kind == Control_Kind::Button || control.kind == Control_Kind::Static_Text) {
      EXPECT_EQ(Text_Of(widget).toStdString(), control.caption);
    }
  }
  auto* list = qobject_cast<QListWidget*>(window.Widget("File_Type"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(3)->text(), "Ascii Hex");
}

TEST(Main_Window, Mirrors_The_Model_And_Turns_Green_When_The_Programmer_Answers) {
  Sim_App app;
  ui::Main_Window window(app.form);
  auto* status = qobject_cast<QLabel*>(window.Widget("StaticText3"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->palette().color(QPalette::Window), QColor(255, 255, 0));
  app.Start();
  EXPECT_EQ(status->text(), "Usb Programmer Found - FirmWare Version 1.07");
  EXPECT_EQ(status->palette().color(QPalette::Window), QColor(0, 255, 0));
  app.form.states.Disable_Commands();
  EXPECT_FALSE(window.Widget("Program_Eprom")->isEnabled());
  app.form.window.Insert_Line("Memo1", 0, "USB Device Write TimeOut ...");
  app.form.window.Set_Visible("Memo1", true);
  EXPECT_EQ(Text_Of(window.Widget("Memo1")), "USB Device Write TimeOut ...");
  EXPECT_TRUE(window.Widget("Memo1")->isVisibleTo(&window));
}

TEST(Main_Window, A_Click_On_The_Status_Line_Repeats_Discovery) {
  Sim_App app;
  ui::Main_Window window(app.form);
  app.Start();
  const int opens = app.simulator.Open_Count();
  auto* status = window.Widget("StaticText3");
  QMouseEvent press(QEvent::MouseButtonRelease, QPointF(5, 5), status->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(status, &press);
  EXPECT_EQ(app.simulator.Open_Count(), opens + 1);
}

TEST(Main_Window, Typing_Into_The_Editor_Changes_The_Buffer_Once) {
  Sim_App app;
  ui::Main_Window window(app.form);
  window.show();
  app.form.Click("Edit");
  QWidget* view = window.Widget("Edit_1");
  ASSERT_TRUE(view->isVisible());
  view->setFocus();
  for (const char* key : {"4", "1"}) {
    QKeyEvent press(QEvent::KeyPress, key[0] == '4' ? Qt::Key_4 : Qt::Key_1, Qt::NoModifier, key);
    QKeyEvent release(QEvent::KeyRelease, key[0] == '4' ? Qt::Key_4 : Qt::Key_1, Qt::NoModifier,
                      key);
    QApplication::sendEvent(view, &press);
    QApplication::sendEvent(view, &release);
  }
  QApplication::processEvents();
  EXPECT_EQ(app.form.Prom_Buffer[0], 0x41);
  EXPECT_EQ(app.form.Prom_Buffer[1], 0x00);
}

TEST(Main_Window, A_Typed_Fill_Value_Is_Taken_Once) {
  Sim_App app;
  ui::Main_Window window(app.form);
  window.show();
  app.form.Click("Fill");
  app.form.Event("FillBox", Event_Kind::Click, 2);  // a typed value
  QWidget* box = window.Widget("Fill_Edit");
  ASSERT_TRUE(box->isVisible());
  for (const auto& [key, text] : {std::pair{Qt::Key_A, "A"}, std::pair{Qt::Key_5, "5"},
                                  std::pair{Qt::Key_Return, "\r"}}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
  }
  EXPECT_EQ(app.form.Prom_Buffer[0], 0xA5);
  EXPECT_EQ(app.form.Prom_Buffer[1023], 0xA5);
}

TEST(Main_Window, Closing_The_Window_Idles_The_Programmer_And_Saves_The_Settings) {
  Temp_Dir folder;
  Sim_App app;
  app.host.current_directory = folder.Path().string();
  ui::Main_Window window(app.form);
  window.show();
  app.form.FormActivate();
  app.Take_Wire();
  EXPECT_TRUE(window.close());
  EXPECT_EQ(app.Take_Wire(), Idle_Sequence);
  EXPECT_FALSE(app.simulator.Is_Open());
  EXPECT_TRUE(std::filesystem::exists(folder.File("Tarnik.Cfg")));
}

TEST(Qt_Host, Filters_Match_Extensions_In_Any_Case) {
  EXPECT_EQ(ui::Qt_Filter("Bin|*.Bin|Hex|*.Hex|All|*.*"),
            "Bin (*.[Bb][Ii][Nn]);;Hex (*.[Hh][Ee][Xx]);;All (*)");
  EXPECT_EQ(ui::Qt_Filter_Entry("Bin|*.Bin|Hex|*.Hex|All|*.*", 2), "Hex (*.[Hh][Ee][Xx])");
}

}  // namespace
}  // namespace tarnik::testing
