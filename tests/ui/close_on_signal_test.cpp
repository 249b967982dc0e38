#include "ui/close_on_signal.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "tests/fixture.h"
#include "tests/test_files.h"
#include "ui/main_window.h"

namespace tarnik::testing {
namespace {

// A session's end, a hang-up or Ctrl-C closes the window the way the user
// would, so that its settings are saved.
TEST(Close_On_Signal, Each_Closing_Signal_Closes_The_Window_And_Saves) {
  for (const int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal_number);
    Temp_Dir folder;
    Sim_App app;
    app.host.current_directory = folder.Path().string();
    ui::Main_Window window(app.form);
    const ui::Close_On_Signal close_on_signal(window);
    window.show();
    app.form.FormActivate();
    ASSERT_FALSE(std::filesystem::exists(folder.File("Tarnik.Cfg")));
    std::raise(signal_number);
    EXPECT_TRUE(QTest::qWaitFor([&window] { return !window.isVisible(); }));
    EXPECT_TRUE(std::filesystem::exists(folder.File("Tarnik.Cfg")));
  }
}

// A box open when the signal comes is closed first (a question answered No),
// then the window.
TEST(Close_On_Signal, An_Open_Question_Is_Answered_No_Then_The_Window_Closes) {
  Temp_Dir folder;
  Sim_App app;
  app.host.current_directory = folder.Path().string();
  ui::Main_Window window(app.form);
  const ui::Close_On_Signal close_on_signal(window);
  window.show();
  app.form.FormActivate();
  QMessageBox box(QMessageBox::Question, "Tarnik", "Update?", QMessageBox::Yes | QMessageBox::No,
                  &window);
  QTimer::singleShot(0, [] { std::raise(SIGTERM); });
  EXPECT_EQ(box.exec(), QMessageBox::No);
  EXPECT_TRUE(QTest::qWaitFor([&window] { return !window.isVisible(); }));
  EXPECT_TRUE(std::filesystem::exists(folder.File("Tarnik.Cfg")));
}

}  // namespace
}  // namespace tarnik::testing
