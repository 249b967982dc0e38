// The hex view's marks and legend, through the real widgets offscreen.

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"
#include "ui/hex_view.h"
#include "ui/main_window.h"

namespace tarnik::testing {
namespace {

struct Span {
  int line;
  int column;
  std::string text;
  QColor colour;
  friend bool operator==(const Span&, const Span&) = default;
};

std::vector<Span> Spans_Of(const ui::Hex_View& view) {
  std::vector<Span> spans;
  for (const QTextEdit::ExtraSelection& selection : view.extraSelections()) {
    const QTextBlock block = selection.cursor.block();
    spans.push_back(Span{block.blockNumber(), selection.cursor.selectionStart() - block.position(),
                         selection.cursor.selectedText().toStdString(),
                         selection.format.background().color()});
  }
  return spans;
}

QColor Colour(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

TEST(Hex_View_Marks, A_Verify_Colours_The_Differing_Bytes_And_Shows_The_Legend) {
  Sim_App app;
  std::string error;
  auto part = sim::Make_Sim_Part("74S188", error);
  sim::Seat_Part(app.simulator, *part);
  ui::Main_Window window(app.form);
  window.show();
  app.Start();
  app.form.Click("Device");
  app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("74S188")->row);
  app.form.Prom_Buffer[0x12] = 0x0F;
  app.form.Click("Program_Eprom");
  app.form.Prom_Buffer[0x03] = 0x41;  // the part holds 00: bits missing
  app.form.Prom_Buffer[0x12] = 0x07;  // the part holds 0F: a bit extra
  app.form.Click("Verify_Eprom");
  app.form.Click("Edit");
  QApplication::processEvents();

  auto* view = qobject_cast<ui::Hex_View*>(window.Widget("Edit_1"));
  ASSERT_NE(view, nullptr);
  // The text is the editor's own, column for column.
  std::vector<std::string> shown;
  for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next())
    shown.push_back(block.text().toStdString());
  EXPECT_EQ(shown, app.form.editor.View_Lines());
  // Row 0 (line 1) byte 3 and row 1 (line 2) byte 2: the hex digits, then the
  // character.
  const QColor mendable = Colour(Mendable_Colour);
  const QColor unmendable = Colour(Unmendable_Colour);
  EXPECT_EQ(Spans_Of(*view), (std::vector<Span>{{1, 15, "41", mendable},
                                                {1, 59, "A", mendable},
                                                {2, 12, "07", unmendable},
                                                {2, 58, ".", unmendable}}));
  const QLabel* legend = view->Legend();
  ASSERT_NE(legend, nullptr);
  EXPECT_TRUE(legend->isVisible());
  EXPECT_TRUE(legend->text().contains(Mendable_Legend));
  EXPECT_TRUE(legend->text().contains(Unmendable_Legend));
  EXPECT_GE(legend->y(), view->geometry().bottom());
  EXPECT_LE(legend->sizeHint().width(), view->width());  // the whole legend is seen

  // Typing over byte 3 takes its mark away; the other stays.
  view->setFocus();
  app.form.Event("Edit_1", Event_Kind::Mouse_Down, 74 + 5 + 3 * 3);
  app.form.Event("Edit_1", Event_Kind::Key_Press, '5');
  QApplication::processEvents();
  EXPECT_EQ(Spans_Of(*view), (std::vector<Span>{{2, 12, "07", unmendable},
                                                {2, 58, ".", unmendable}}));
  EXPECT_TRUE(legend->isVisible());

  // The next operation takes every mark away, and the legend with them.
  app.form.Click("Blank_Chk");
  app.form.Prom_Buffer.fill(0);
  app.form.Click("Edit");
  QApplication::processEvents();
  // The blank check marks the one location that is not blank.
  EXPECT_EQ(Spans_Of(*view), (std::vector<Span>{{2, 12, "00", unmendable},
                                                {2, 58, ".", unmendable}}));
  app.form.Click("Move_Eprom");
  QApplication::processEvents();
  EXPECT_TRUE(Spans_Of(*view).empty());
  EXPECT_FALSE(legend->isVisible());
}

TEST(Hex_View_Marks, The_Window_Title_Shows_The_Progress_Of_A_Read) {
  Sim_App app;
  std::string error;
  auto part = sim::Make_Sim_Part("82S147", error);
  sim::Seat_Part(app.simulator, *part);
  ui::Main_Window window(app.form);
  app.Start();
  app.form.Click("Device");
  app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S147")->row);
  const QString title = window.windowTitle();
  QStringList titles;
  app.host.on_pump = [&] {
    if (titles.isEmpty() || titles.back() != window.windowTitle()) titles << window.windowTitle();
  };
  app.form.Click("Move_Eprom");
  app.host.on_pump = nullptr;
  ASSERT_GT(titles.size(), 10);
  EXPECT_TRUE(titles.filter(QRegularExpression("^Reading 5\\d % \u2013 \\d+:\\d\\d left \u2013 ")).size() > 0)
      << titles.join("\n").toStdString();
  EXPECT_EQ(window.windowTitle(), title);
}

}  // namespace
}  // namespace tarnik::testing
