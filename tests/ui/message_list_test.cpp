// The message list as the user sees it after a check, through the real
// widgets offscreen: its last lines in view, a scroll bar when its lines do
// not fit, a link fault of a load shown, and a heap that stays level over
// many checks.

#include <malloc.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/programmer_choice.h"
#include "devices/device_catalogue.h"
#include "devices/difference_summary.h"
#include "sim/sim_programmer.h"
#include "tests/test_files.h"
#include "tests/test_host.h"
#include "ui/main_window.h"

namespace tarnik::testing {
namespace {

// The window on the simulated programmer, shown and started as the program
// starts it, with a part of `type` in the socket.
class Shown_Window {
 public:
  Shown_Window(const Temp_Dir& folder, const char* type) {
    host.current_directory = folder.Path().string();
    host.on_pump = [] { QApplication::processEvents(); };
    const Parse_Result parsed = Parse_Options({"--simulate"}, false);
    options = *parsed.options;
    backend = std::make_unique<Programmer_Choice>(To_Programmer_Settings(options), host.Time());
    form = std::make_unique<Main_Form>(backend->Driver(), host);
    window = std::make_unique<ui::Main_Window>(*form);
    backend->Attach(*form, [this](const std::string& error) { form->Show_Error_Box(error); });
    form->FormCreate();
    window->show();
    QApplication::processEvents();
    form->FormActivate();
    if (!form->window.Get("Device_Box").visible) form->Click("Device");
    form->Event("Device_Box", Event_Kind::Click, Find_Device_Type(type)->row);
  }

  // Programs the part with every bit the type has, so that every location
  // fails a blank check.
  void Program_All_Ones() {
    form->Prom_Buffer.fill(0xFF);
    form->Click("Program_Eprom");
  }
  void Click(const char* button) const { QTest::mouseClick(window->Widget(button), Qt::LeftButton); }

  [[nodiscard]] QPlainTextEdit* Memo() const {
    return qobject_cast<QPlainTextEdit*>(window->Widget("Memo1"));
  }
  [[nodiscard]] QString Line(int index) const {
    return Memo()->document()->findBlockByNumber(index).text();
  }
  [[nodiscard]] int Line_Count() const { return Memo()->document()->blockCount(); }
  // Whether the whole of the line, wrapped or not, is within the visible
  // part of the pane as it stands.
  [[nodiscard]] bool Line_In_View(int index) const {
    QPlainTextEdit* pane = Memo();
    const QTextBlock block = pane->document()->findBlockByNumber(index);
    QTextCursor start(block);
    QTextCursor end(block);
    end.movePosition(QTextCursor::EndOfBlock);
    const QRect view = pane->viewport()->rect();
    return view.contains(pane->cursorRect(start)) && view.contains(pane->cursorRect(end));
  }
  [[nodiscard]] bool Scroll_Bar_Shown() const { return Memo()->verticalScrollBar()->isVisible(); }

  Test_Host host;
  Options options;
  std::unique_ptr<Programmer_Choice> backend;
  std::unique_ptr<Main_Form> form;
  std::unique_ptr<ui::Main_Window> window;
};

TEST(Message_List, The_Summary_Of_A_Long_List_Is_In_View_With_A_Scroll_Bar) {
  Temp_Dir folder;
  Shown_Window run(folder, "82S129");
  // A part whose four data bits are all fused: after the burn only the
  // all-ones warning stands in the list, which fits without a scroll bar.
  run.form->Prom_Buffer.fill(0x0F);
  run.form->Click("Program_Eprom");
  ASSERT_EQ(run.form->window.Get("StaticText3").caption, "Device is Programmed....");
  ASSERT_TRUE(run.Memo()->isVisible());
  ASSERT_EQ(run.Line_Count(), 1);
  EXPECT_TRUE(run.Line_In_View(0));
  EXPECT_FALSE(run.Scroll_Bar_Shown());

  run.Click("Blank_Chk");
  ASSERT_EQ(run.form->window.Get("StaticText3").caption, "Device is NOT Erased....");
  ASSERT_TRUE(run.Memo()->isVisible());
  ASSERT_EQ(run.Line_Count(), 258);
  EXPECT_EQ(run.Line(0), "0000  EXPECTED-00 FOUND-0F");
  EXPECT_EQ(run.Line(256), "256 Locations Differ: 0 Bits Missing, 1024 Bits Extra");
  EXPECT_EQ(run.Line(257), "Every Location Reads 0F: Is the Socket Empty or the Part Turned Round?");
  // Where the eye lands when the check ends: the summary and the warning,
  // whole; the scroll bar says that more lines stand above.
  EXPECT_TRUE(run.Line_In_View(256));
  EXPECT_TRUE(run.Line_In_View(257));
  EXPECT_FALSE(run.Line_In_View(0));
  EXPECT_TRUE(run.Scroll_Bar_Shown());
  const QScrollBar* bar = run.Memo()->verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
  // Painting held while the lines came is given back with the ready state.
  EXPECT_TRUE(run.Memo()->updatesEnabled());
}

// A line added to the list is added to the pane: nothing of what it shows
// already is taken out and set again, at the end or at the top.
TEST(Message_List, An_Added_Line_Is_Added_Not_The_Whole_List_Set_Again) {
  Temp_Dir folder;
  Shown_Window run(folder, "82S129");
  Window_Model& model = run.form->window;
  model.Set_Visible("Memo1", true);
  for (const char* line : {"0000  EXPECTED-00 FOUND-01", "0001  EXPECTED-00 FOUND-02"})
    model.Append_Line("Memo1", line);
  struct Edit {
    int position;
    int removed;
    int added;
  };
  std::vector<Edit> edits;
  QObject::connect(run.Memo()->document(), &QTextDocument::contentsChange,
                   [&edits](int position, int removed, int added) {
                     edits.push_back({position, removed, added});
                   });
  const int length = run.Memo()->document()->characterCount();
  model.Append_Line("Memo1", "0002  EXPECTED-00 FOUND-04");
  const std::size_t appended = edits.size();
  model.Insert_Line("Memo1", 0, "USB Device Write TimeOut ...");
  ASSERT_TRUE(appended > 0 && edits.size() > appended);
  for (const Edit& edit : edits) EXPECT_EQ(edit.removed, 0) << edit.position;
  EXPECT_EQ(edits.front().position, length - 1);  // after the last line
  EXPECT_EQ(edits[appended].position, 0);         // before the first
  EXPECT_EQ(run.Memo()->toPlainText().toStdString(),
            "USB Device Write TimeOut ...\n0000  EXPECTED-00 FOUND-01\n"
            "0001  EXPECTED-00 FOUND-02\n0002  EXPECTED-00 FOUND-04");
}

TEST(Message_List, A_Link_Fault_At_The_End_Of_A_Load_Is_Shown) {
  Temp_Dir folder;
  folder.Write("image.bin", std::string(256, '\x05'));
  Shown_Window run(folder, "82S129");
  sim::Sim_Programmer* simulator = run.backend->Simulator();
  ASSERT_NE(simulator, nullptr);
  // The load's closing idle sequence goes out in the next USB write; it
  // comes out a byte short.
  simulator->Faults().short_write_at = simulator->Write_Calls() + 1;
  run.host.paths.push_back(folder.File("image.bin"));
  run.Click("Load_But");
  EXPECT_EQ(run.form->Prom_Buffer[0xFF], 0x05);
  ASSERT_TRUE(run.Memo()->isVisible());
  EXPECT_EQ(run.Line(0), "USB Device Write TimeOut ...");
  EXPECT_TRUE(run.Line_In_View(0));
  // The status line the user reads says the link stopped the command.
  auto* status = qobject_cast<QLabel*>(run.window->Widget("StaticText3"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text(), "Stopped: Programmer Link Fault.... While Loading the File");
}

// The bytes the allocator has handed out and not had back.
std::size_t Heap_In_Use() { return mallinfo2().uordblks; }

// A sanitizer's allocator stands in for the one whose count is read here.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Allocator_Replaced = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Allocator_Replaced = true;
#else
constexpr bool Allocator_Replaced = false;
#endif
#else
constexpr bool Allocator_Replaced = false;
#endif

// A day of checks costs no more heap than the first few: after the tenth
// failed check of a 1k part and after the hundredth, the heap the
// allocator has handed out differs by no more than a few hundred kilobytes.
TEST(Message_List, The_Heap_Stays_Level_Over_A_Hundred_Checks) {
  Temp_Dir folder;
  if (Allocator_Replaced) GTEST_SKIP() << "the heap is counted by the C library's allocator only";
  Shown_Window run(folder, "82S181");
  run.Program_All_Ones();
  std::size_t after_tenth = 0;
  for (int check = 1; check <= 100; ++check) {
    run.Click("Blank_Chk");
    ASSERT_EQ(run.Line_Count(), 1026) << check;  // lines, summary, warning
    if (check == 10) after_tenth = Heap_In_Use();
  }
  const std::size_t after_last = Heap_In_Use();
  EXPECT_LT(after_last, after_tenth + 300 * 1024) << after_tenth << " then " << after_last;
}

}  // namespace
}  // namespace tarnik::testing
