// The diagnosis, the part's picture and the search by a chip's number,
// through the real widgets offscreen.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/maker_parts_file.h"
#include "app/programmer_choice.h"
#include "app/options.h"
#include "devices/device_catalogue.h"
#include "tests/test_files.h"
#include "tests/test_host.h"
#include "ui/bit_map_view.h"
#include "ui/main_window.h"

namespace tarnik::testing {
namespace {

// A state file of an 82S129 holding random nibbles; `image` gets them.
std::string Random_82S129(std::vector<uint8_t>& image) {
  std::mt19937 random(17);
  image.assign(256, 0);
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(random() & 0x0F);
  std::string text = "type 82S129\n";
  for (std::size_t at = 0; at < image.size(); at += 16) {
    char line[24];
    std::snprintf(line, sizeof line, "%03zX:", at);
    text += line;
    for (std::size_t i = at; i < at + 16; ++i) {
      std::snprintf(line, sizeof line, " %02X", image[i]);
      text += line;
    }
    text += "\n";
  }
  return text;
}

class Window_Run {
 public:
  explicit Window_Run(const std::vector<std::string>& args) {
    host.on_pump = [] { QApplication::processEvents(); };
    const Parse_Result parsed = Parse_Options(args, false);
    EXPECT_TRUE(parsed.options) << parsed.error;
    backend = std::make_unique<Programmer_Choice>(To_Programmer_Settings(*parsed.options),
                                                  host.Time());
    form = std::make_unique<Main_Form>(backend->Driver(), host);
    std::vector<std::string> problems;
    form->maker_parts = Load_Maker_Parts("/nonexistent", "", problems);
    window = std::make_unique<ui::Main_Window>(*form);
    backend->Attach(*form, [](const std::string&) {});
    form->FormCreate();
    window->show();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    form->Start_Up();
  }
  ~Window_Run() {
    if (window->isVisible()) window->close();
  }

  [[nodiscard]] QWidget* Widget(const char* name) const { return window->Widget(name); }
  [[nodiscard]] std::string Memo() const {
    return qobject_cast<QPlainTextEdit*>(Widget("Memo1"))->toPlainText().toStdString();
  }
  [[nodiscard]] std::string Label(const char* name) const {
    QWidget* widget = Widget(name);
    if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text().toStdString();
    return qobject_cast<QLabel*>(widget)->text().toStdString();
  }
  void Click(const char* button) {
    ASSERT_TRUE(Widget(button)->isEnabled()) << button;
    QTest::mouseClick(Widget(button), Qt::LeftButton);
  }
  void Choose_Device(const char* caption) {
    Click("Device");
    auto* list = qobject_cast<QListWidget*>(Widget("Device_Box"));
    QListWidgetItem* item = list->item(Find_Device_Type(caption)->row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
  }
  [[nodiscard]] ui::Bit_Map_View* Bit_Map() const {
    return window->findChild<ui::Bit_Map_View*>("Bit_Map");
  }

  Test_Host host;
  std::unique_ptr<Programmer_Choice> backend;
  std::unique_ptr<Main_Form> form;
  std::unique_ptr<ui::Main_Window> window;
};

TEST(Part_Diagnosis_Window, A_Dead_Output_Is_Named_And_Shows_As_A_Stripe_Beside_The_Editor) {
  Temp_Dir folder;
  std::vector<uint8_t> image;
  folder.Write("part.txt", Random_82S129(image));
  Window_Run run({"--simulate=" + folder.File("part.txt"), "--sim-fault", "stuck-bit=2:0"});
  run.Choose_Device("82S129");
  // Every pump is a moment the user may see: the status line must not turn
  // to its result before the findings are in the list.
  bool turned_early = false;
  run.host.on_pump = [&] {
    QApplication::processEvents();
    const bool ready = run.form->window.Get("StaticText3").colour == colours::Lime;
    if (ready && run.Memo().find("Bit 2 Reads 0") == std::string::npos) turned_early = true;
  };
  run.Click("Move_Eprom");
  run.host.on_pump = [] { QApplication::processEvents(); };
  EXPECT_FALSE(turned_early) << "the status line turned before the findings were in";
  EXPECT_NE(run.Memo().find("Bit 2 Reads 0 at Every Location: an Unused Output, or an Open One"),
            std::string::npos)
      << run.Memo();
  EXPECT_EQ(run.Label("StaticText3"), "Device Has Been Moved to Buffer....") << "the result stays";
  ASSERT_NE(run.Bit_Map(), nullptr);
  EXPECT_FALSE(run.Bit_Map()->isVisible()) << "the picture stands beside the editor only";
  run.Click("Edit");
  QApplication::processEvents();
  ASSERT_TRUE(run.Bit_Map()->isVisible());
  EXPECT_GE(run.Bit_Map()->x(), run.Widget("Edit_1")->geometry().right());
  EXPECT_LE(run.Bit_Map()->geometry().right(), run.window->width());
  // The picture shown is the part's: bit 2 is a white stripe down every
  // location, and the other bits read as the part holds them.
  const auto* picture = qobject_cast<QLabel*>(run.Bit_Map()->widget());
  const QImage shown = picture->pixmap().toImage();
  const diagnose::Bit_Map_Input input = *run.form->diagnosis.Picture();
  int ones_seen = 0;
  for (int32_t address = 0; address < 256; ++address) {
    for (int bit = 0; bit < 4; ++bit) {
      const diagnose::Cell_Place cell = diagnose::Cell_Of(input, address, bit);
      const QColor colour = shown.pixelColor(cell.x + 1, cell.y + 1);
      const bool one = bit != 2 && ((image[address] >> bit) & 1);
      ones_seen += one;
      ASSERT_EQ(colour, one ? QColor(40, 40, 40) : QColor(255, 255, 255)) << address << ":" << bit;
    }
  }
  EXPECT_GT(ones_seen, 300);
}

TEST(Part_Diagnosis_Window, The_Search_Box_Chooses_By_A_Chips_Number_And_Program_Asks_First) {
  Temp_Dir folder;
  Window_Run run({"--simulate=" + folder.File("part.txt")});
  run.Click("Device");
  QWidget* search = run.Widget("Device_Find");
  ASSERT_TRUE(search->isVisible());
  QTest::mouseClick(search, Qt::LeftButton);
  QTest::keyClicks(search, "tbp24s10n");
  EXPECT_EQ(qobject_cast<QLineEdit*>(search)->text().toStdString(), "TBP24S10N");
  EXPECT_EQ(run.Label("Device_Found"), "TBP24S10 (TI, Reads as 82S129)");
  auto* list = qobject_cast<QListWidget*>(run.Widget("Device_Box"));
  EXPECT_EQ(list->currentRow(), Find_Device_Type("82S129")->row) << "the match stands selected";
  QTest::keyClick(search, Qt::Key_Return);
  EXPECT_FALSE(run.Widget("Device_Box")->isVisible());
  EXPECT_FALSE(search->isVisible());
  EXPECT_EQ(run.Label("Device"), "82S129");
  EXPECT_NE(run.Memo().find("Read as 82S129: Program Refused, TBP24S10 Parts Need Their Maker's Pulse"),
            std::string::npos);

  const uint64_t packets = run.backend->Simulator()->Counters().packets_out;
  ASSERT_GT(packets, 0u);
  run.host.boxes.clear();
  run.Click("Program_Eprom");  // the scripted host answers No, as Enter would
  ASSERT_EQ(run.host.boxes.size(), 1u);
  EXPECT_TRUE(run.host.boxes[0].default_no);
  EXPECT_EQ(run.host.boxes[0].buttons, Box_Buttons::Yes_No);
  EXPECT_EQ(run.Label("StaticText3"),
            "Read as 82S129: Program Refused, TBP24S10 Parts Need Their Maker's Pulse");
  EXPECT_EQ(run.backend->Simulator()->Counters().packets_out, packets) << "nothing was sent";
  // A row chosen from the list is the catalogue's own part: no question.
  run.Choose_Device("82S129");
  run.host.boxes.clear();
  run.Click("Program_Eprom");
  EXPECT_TRUE(run.host.boxes.empty());
  EXPECT_EQ(run.Label("StaticText3"), "Device is Programmed....");
}

}  // namespace
}  // namespace tarnik::testing
