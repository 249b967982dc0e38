// The message list's lines as the user meets them, through the real widgets
// offscreen: a long list ends on a whole last line, long lines break at
// spaces, and a double-click on a line that names a loadable known image
// loads it, with the marks of what the part lacks against it.

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/programmer_choice.h"
#include "devices/device_catalogue.h"
#include "tests/known_images.h"
#include "tests/test_files.h"
#include "tests/test_host.h"
#include "ui/main_window.h"

namespace tarnik::testing {
namespace {

class Shown_Window {
 public:
  explicit Shown_Window(const Temp_Dir& folder) {
    host.current_directory = folder.Path().string();
    host.on_pump = [] { QApplication::processEvents(); };
    options = *Parse_Options({"--simulate"}, false).options;
    backend = std::make_unique<Programmer_Choice>(To_Programmer_Settings(options), host.Time());
    form = std::make_unique<Main_Form>(backend->Driver(), host);
    window = std::make_unique<ui::Main_Window>(*form);
    backend->Attach(*form, [this](const std::string& error) { form->Show_Error_Box(error); });
    form->FormCreate();
    window->show();
    QApplication::processEvents();
    form->FormActivate();
    if (!form->window.Get("Device_Box").visible) form->Click("Device");
    form->Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S129")->row);
  }

  [[nodiscard]] QPlainTextEdit* Memo() const {
    return qobject_cast<QPlainTextEdit*>(window->Widget("Memo1"));
  }
  // The lines come into a shown list, or into one hidden while a command is
  // busy and shown when it ends.
  void Show_Lines(const std::vector<std::string>& lines, bool shown_first = true) const {
    form->window.Clear_Lines("Memo1");
    form->window.Set_Visible("Memo1", shown_first);
    for (const std::string& line : lines) form->window.Append_Line("Memo1", line);
    form->window.Set_Visible("Memo1", true);
    // The ready state that ends a command paints what the list holds.
    form->window.Set_Enabled("Load_But", false);
    form->window.Set_Enabled("Load_But", true);
    QApplication::processEvents();
  }
  // The whole of line `index`, wrapped or not, stands within the viewport.
  [[nodiscard]] bool Line_In_View(int index) const {
    const QTextBlock block = Memo()->document()->findBlockByNumber(index);
    QTextCursor start(block);
    QTextCursor end(block);
    end.movePosition(QTextCursor::EndOfBlock);
    const QRect view = Memo()->viewport()->rect();
    return view.contains(Memo()->cursorRect(start)) && view.contains(Memo()->cursorRect(end));
  }
  void Double_Click_Line(int index) const {
    QTextCursor cursor(Memo()->document()->findBlockByNumber(index));
    QTest::mouseDClick(Memo()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       Memo()->cursorRect(cursor).center() + QPoint(4, 0));
  }

  Test_Host host;
  Options options;
  std::unique_ptr<Programmer_Choice> backend;
  std::unique_ptr<Main_Form> form;
  std::unique_ptr<ui::Main_Window> window;
};

std::vector<std::string> Long_List(int matches) {
  std::vector<std::string> lines;
  for (int match = 0; match < matches; ++match)
    lines.push_back("Known Image: prom.c" + std::to_string(match) +
                    " in cocoloco (mame-listxml.xml)");
  lines.push_back("Nearest Known Image: prom.c10 in cocoloco (mame-listxml.xml), 2 Bits Differ");
  lines.push_back("... and 3 More");
  return lines;
}

// Each wrapped piece of a line ends at a space or at the line's end.
bool Breaks_Only_At_Spaces(const QTextBlock& block) {
  const QString text = block.text();
  const QTextLayout* layout = block.layout();
  for (int piece = 0; piece + 1 < layout->lineCount(); ++piece) {
    const QTextLine line = layout->lineAt(piece);
    const int end = line.textStart() + line.textLength();
    if (end <= 0 || end >= text.size() || text[end - 1] != ' ') return false;
  }
  return true;
}

TEST(Message_List_Lines, A_Followed_List_Ends_On_A_Whole_Last_Line) {
  for (const int matches : {20, 21, 23, 30, 57})
  for (const bool shown_first : {true, false}) {
    Temp_Dir folder;
    Shown_Window run(folder);
    const std::vector<std::string> lines = Long_List(matches);
    run.Show_Lines(lines, shown_first);
    const int last = static_cast<int>(lines.size()) - 1;
    EXPECT_TRUE(run.Line_In_View(last)) << matches;
    EXPECT_TRUE(run.Line_In_View(last - 1)) << matches;
    for (QTextBlock block = run.Memo()->document()->begin(); block.isValid(); block = block.next())
      EXPECT_TRUE(Breaks_Only_At_Spaces(block)) << block.text().toStdString();
  }
}

TEST(Message_List_Lines, A_Double_Click_Loads_The_Named_Image_And_Marks_What_The_Part_Lacks) {
  struct Case {
    uint8_t on_part;      // every location of the part
    const char* line_form;  // the line, %s standing for the zip's path
    bool loads;
    Byte_Mark mark;  // where the image and the part differ
  };
  const Case cases[] = {
      {0x00, "Known Image: col.6f in board.zip (File: %s:col.6f)", true, Byte_Mark::Mendable},
      {0x0F, "Nearest Known Image: col.6f in board.zip, 2 Bits Differ (File: %s:col.6f)", true,
       Byte_Mark::Unmendable},
      {0x00, "Known Image: col.6f in colset (x.dat)", false, Byte_Mark::None},
      {0x00, "Known Image: col.6f in board.zip (File: %s:absent.6f)", false, Byte_Mark::None},
  };
  for (const Case& c : cases) {
    Temp_Dir folder;
    const Bytes image = Pattern(256, 0x0F, 3);
    const std::string zip = folder.File("board.zip");
    ASSERT_TRUE(Write_Zip(zip, {{"col.6f", image}}));
    std::string line = c.line_form;
    if (const std::size_t at = line.find("%s"); at != std::string::npos) line.replace(at, 2, zip);
    Shown_Window run(folder);
    run.form->Prom_Buffer.fill(c.on_part);
    run.form->Click("Program_Eprom");
    run.form->Click("Move_Eprom");
    const Prom_Image read = run.form->Prom_Buffer;
    run.Show_Lines({"Looking Up Known Images....", line});
    run.Double_Click_Line(1);
    QApplication::processEvents();
    bool same = true;
    for (std::size_t at = 0; at < image.size(); ++at)
      same = same && run.form->Prom_Buffer[at] == (c.loads ? image[at] : read[at]);
    EXPECT_TRUE(same) << line;
    const std::string caption = run.form->window.Get("StaticText4").caption;
    EXPECT_EQ(caption.find(zip + ":col.6f") != std::string::npos, c.loads) << caption;
    const Buffer_Marks& marks = run.form->devices.operations.Marks();
    int marked = 0;
    for (int32_t address = 0; address < 256; ++address) {
      const auto at = static_cast<std::size_t>(address);
      const bool differs = c.loads && (image[at] & 0x0F) != (read[at] & 0x0F);
      EXPECT_EQ(marks.At(address), differs ? c.mark : Byte_Mark::None) << line << " @" << address;
      marked += differs ? 1 : 0;
    }
    EXPECT_EQ(marked > 0, c.loads) << line;
    EXPECT_TRUE(run.form->window.Get("Load_But").enabled) << line;
  }
}

}  // namespace
}  // namespace tarnik::testing
