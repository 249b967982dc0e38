// The window's records: the history dialog lists a read of this session and
// loads its dump back; Program Device burns a run of parts with a tally.
// Driven through the real widgets.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/programmer_choice.h"
#include "app/window_log.h"
#include "app/options.h"
#include "devices/device_catalogue.h"
#include "tests/test_files.h"
#include "tests/test_host.h"
#include "ui/history_dialog.h"
#include "ui/main_window.h"

namespace tarnik::testing {
namespace {

class Logged_Window {
 public:
  Logged_Window(const Temp_Dir& folder, const std::vector<std::string>& args)
      : log_file(folder.Path() / "state" / "log.jsonl") {
    host.current_directory = folder.Path().string();
    host.on_pump = [] { QApplication::processEvents(); };
    const Parse_Result parsed = Parse_Options(args, false);
    EXPECT_TRUE(parsed.options) << parsed.error;
    backend = std::make_unique<Programmer_Choice>(To_Programmer_Settings(*parsed.options),
                                                  host.Time());
    form = std::make_unique<Main_Form>(backend->Driver(), host);
    window = std::make_unique<ui::Main_Window>(*form);
    log = std::make_unique<Window_Log>(*form, record::Operation_Log(log_file),
                                       folder.Path() / "dumps", true, true);
    form->Offer_Another_Part = true;
    form->Next_Part = [this] { backend->Simulation()->Next_Part(); };
    backend->Attach(*form, [this](const std::string& error) { form->Show_Error_Box(error); });
    form->FormCreate();
    window->show();
    QApplication::processEvents();
    form->Start_Up();
  }

  void Click(const char* button) {
    ASSERT_TRUE(window->Widget(button)->isEnabled()) << button;
    QTest::mouseClick(window->Widget(button), Qt::LeftButton);
  }
  void Choose_Device(const char* caption) {
    Click("Device");
    auto* list = qobject_cast<QListWidget*>(window->Widget("Device_Box"));
    QListWidgetItem* item = list->item(Find_Device_Type(caption)->row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
  }
  [[nodiscard]] std::string Status() const {
    return qobject_cast<QLabel*>(window->Widget("StaticText3"))->text().toStdString();
  }

  std::filesystem::path log_file;
  Test_Host host;
  std::unique_ptr<Programmer_Choice> backend;
  std::unique_ptr<Main_Form> form;
  std::unique_ptr<ui::Main_Window> window;
  std::unique_ptr<Window_Log> log;
};

// A double-click as the mouse gives it: a click, then the second press.
void Double_Click(QTableWidget* table, const QRect& cell) {
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

void Save_Screenshot(QWidget& widget, const char* name) {
  const char* folder = std::getenv("TARNIK_SCREENSHOT_DIR");
  if (folder != nullptr) widget.grab().save(QString(folder) + "/" + name);
}

TEST(History, Lists_A_Read_Of_This_Session_And_Loads_Its_Dump_Back) {
  const Temp_Dir folder;
  // A used part: the read finds what the batch burnt into it.
  Logged_Window run(folder, {"--simulate", "--sim-batch", "used=0:5a+used=7f:c3+used=ff:01"});
  run.Choose_Device("82S135");
  run.Click("Blank_Chk");
  run.Click("Move_Eprom");
  ASSERT_EQ(run.Status(), "Device Has Been Moved to Buffer....");
  const Prom_Image read = run.form->Prom_Buffer;
  ASSERT_EQ(read[0x7F], 0xC3);
  // The buffer moves on: filled with 0.
  run.form->Prom_Buffer.fill(0);

  ui::History_Dialog dialog(*run.form, *run.log, run.window.get());
  dialog.show();
  QTableWidget* table = dialog.Table();
  ASSERT_EQ(table->rowCount(), 2);
  // Newest first: the read, then the blank check that failed.
  EXPECT_EQ(table->item(0, 1)->text(), "read");
  EXPECT_EQ(table->item(1, 1)->text(), "blank");
  EXPECT_TRUE(table->item(1, 3)->text().startsWith("failed: Device is NOT Erased"));
  // Filters: by result, by type and by text.
  const std::pair<std::function<void()>, int> filters[] = {
      {[&] { dialog.Result_Filter()->setCurrentText("failed"); }, 1},
      {[&] { dialog.Result_Filter()->setCurrentText("passed"); }, 1},
      {[&] { dialog.Result_Filter()->setCurrentIndex(0); }, 2},
      {[&] { dialog.Operation_Filter()->setCurrentText("blank"); }, 1},
      {[&] { dialog.Operation_Filter()->setCurrentText("program"); }, 0},
      {[&] { dialog.Operation_Filter()->setCurrentIndex(0); }, 2},
      {[&] { dialog.Type_Filter()->setCurrentText("82S135"); }, 2},
      {[&] { QTest::keyClicks(dialog.Text_Filter(), "zzz"); }, 0},
      {[&] { dialog.Text_Filter()->clear(); QTest::keyClicks(dialog.Text_Filter(), "MOVE"); }, 0},
      {[&] { dialog.Text_Filter()->clear(); QTest::keyClicks(dialog.Text_Filter(), "READ"); }, 1},
  };
  for (const auto& [apply, rows] : filters) {
    apply();
    EXPECT_EQ(table->rowCount(), rows);
  }
  ASSERT_EQ(table->item(0, 1)->text(), "read");
  Save_Screenshot(dialog, "history.png");
  const QRect cell = table->visualItemRect(table->item(0, 0));
  Double_Click(table, cell);
  EXPECT_EQ(run.form->Prom_Buffer, read);
  EXPECT_TRUE(dialog.Note()->text().startsWith("The buffer holds the part read at"))
      << dialog.Note()->text().toStdString();

  // A dump that is gone, or no longer the part, is said, and the buffer stays.
  const std::string sha1 = run.log->History().front().part->sha1;
  run.form->Prom_Buffer.fill(0);
  Write_File(run.log->Dump_Path(sha1).string(), "changed");
  Double_Click(table, cell);
  EXPECT_EQ(run.form->Prom_Buffer, Prom_Image{});
  EXPECT_TRUE(dialog.Note()->text().contains("no longer the part"));
  std::filesystem::remove(run.log->Dump_Path(sha1));
  Double_Click(table, cell);
  EXPECT_TRUE(dialog.Note()->text().contains("is gone"));
}

TEST(History, The_Setting_Keeps_The_Window_Out_Of_The_Log) {
  const Temp_Dir folder;
  Logged_Window run(folder, {"--simulate"});
  run.Choose_Device("82S135");
  ui::History_Dialog dialog(*run.form, *run.log, run.window.get());
  dialog.show();
  ASSERT_TRUE(dialog.Log_Setting()->isChecked());
  QTest::mouseClick(dialog.Log_Setting(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(4, dialog.Log_Setting()->height() / 2));
  EXPECT_FALSE(run.form->Log_Operations);
  EXPECT_FALSE(run.form->Current_Configuration().log_operations);
  run.Click("Move_Eprom");
  run.Click("Blank_Chk");
  EXPECT_FALSE(std::filesystem::exists(run.log_file));
  dialog.Refresh();
  EXPECT_EQ(dialog.Table()->rowCount(), 0);
}

TEST(History, Program_Device_Burns_A_Run_Of_Parts_And_Keeps_The_Tally) {
  const Temp_Dir folder;
  // The second part is burnt where the buffer wants a 0: it cannot take it.
  Logged_Window run(folder, {"--simulate", "--sim-batch", "blank,used=10:80,blank"});
  run.Choose_Device("82S135");
  for (std::size_t i = 0; i < 256; ++i) run.form->Prom_Buffer[i] = static_cast<uint8_t>(i & 0x7F);
  run.host.answers = {Box_Answer::Yes, Box_Answer::Yes, Box_Answer::No};
  run.Click("Program_Eprom");
  std::vector<std::string> questions;
  for (const auto& box : run.host.boxes)
    if (box.buttons == Box_Buttons::Yes_No) questions.push_back(box.text);
  EXPECT_EQ(questions, std::vector<std::string>(3, "Program Another Part With This Buffer?"));
  EXPECT_EQ(run.window->windowTitle().toStdString(),
            std::string(Window_Title) + " - 2 Passed, 1 Failed: Part 2");
  const std::string list =
      qobject_cast<QPlainTextEdit*>(run.window->Widget("Memo1"))->toPlainText().toStdString();
  EXPECT_NE(list.find("2 Passed, 1 Failed: Part 2"), std::string::npos) << list;
  EXPECT_TRUE(run.window->Widget("Memo1")->isVisible());
  // One record a part, newest first.
  const std::vector<record::Operation_Record> history = run.log->History();
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history[0].result, record::Result::Passed);
  EXPECT_EQ(history[1].result, record::Result::Failed);
  EXPECT_EQ(history[1].fault, "Device CAN NOT be Reprogrammed....");
  EXPECT_EQ(history[2].result, record::Result::Passed);
}

}  // namespace
}  // namespace tarnik::testing
