// The whole job through the real widgets: clicks and keys on the buttons,
// lists, edit boxes and the hex view of the Qt window, over the simulated
// programmer with a part in its socket, exactly as `tarnik --simulate` runs
// it. The host answers the message boxes and file dialogs; every check reads
// the widgets.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "app/image_identity.h"
#include "app/options.h"
#include "app/programmer_choice.h"
#include "devices/difference_summary.h"
#include "devices/device_catalogue.h"
#include "tests/known_images.h"
#include "tests/test_files.h"
#include "tests/test_host.h"
#include "ui/main_window.h"

// Failures show the widgets' texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace tarnik::testing {
namespace {

const QColor Red(255, 0, 0);
const QColor Lime(0, 255, 0);

// One run of the window in `folder`, started as the program starts it.
class Window_Run {
 public:
  Window_Run(const Temp_Dir& folder, const std::vector<std::string>& args) {
    host.current_directory = folder.Path().string();
    // The window is painted and takes input whenever the logic pumps.
    host.on_pump = [] { QApplication::processEvents(); };
    const Parse_Result parsed = Parse_Options(args, false);
    EXPECT_TRUE(parsed.options) << parsed.error;
    options = *parsed.options;
    backend = std::make_unique<Programmer_Choice>(To_Programmer_Settings(options),
                                                  host.Time());
    form = std::make_unique<Main_Form>(backend->Driver(), host);
    window = std::make_unique<ui::Main_Window>(*form);
    backend->Attach(*form, [this](const std::string& error) { form->Show_Error_Box(error); });
    form->FormCreate();
    window->show();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    if (backend->Simulation()->Refused()) form->Show_Error_Box(backend->Simulation()->Error());
    form->FormActivate();
  }
  ~Window_Run() {
    if (window->isVisible()) window->close();
  }

  [[nodiscard]] QWidget* Widget(const char* name) const { return window->Widget(name); }
  [[nodiscard]] QString Text(const char* name) const {
    QWidget* widget = Widget(name);
    if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    return qobject_cast<QPlainTextEdit*>(widget)->toPlainText();
  }
  [[nodiscard]] QStringList Lines(const char* name) const {
    return Text(name).split('\n', Qt::SkipEmptyParts);
  }
  [[nodiscard]] QColor Status_Colour() const {
    return Widget("StaticText3")->palette().color(QPalette::Window);
  }
  [[nodiscard]] bool Shown(const char* name) const { return Widget(name)->isVisible(); }

  void Click(const char* button) {
    ASSERT_TRUE(Widget(button)->isEnabled()) << button;
    QTest::mouseClick(Widget(button), Qt::LeftButton);
  }
  void Choose_Row(const char* list_name, int row) {
    auto* list = qobject_cast<QListWidget*>(Widget(list_name));
    ASSERT_TRUE(list != nullptr && list->isVisible()) << list_name;
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(row)).center());
  }
  // The device list opens from the Device button unless it is up already.
  void Choose_Device(const char* caption) {
    if (!Shown("Device_Box")) Click("Device");
    Choose_Row("Device_Box", Find_Device_Type(caption)->row);
  }
  // Keys go where the keyboard focus is, as a user's typing does.
  static void Type(const QString& keys) {
    for (const QChar key : keys) {
      if (key == '\r')
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      else
        QTest::keyClicks(QApplication::focusWidget(), QString(key));
    }
  }
  void Fill_Typed(const QString& value) {
    Click("Fill");
    Choose_Row("FillBox", 2);
    Type(value + "\r");
  }

  Test_Host host;
  Options options;
  std::unique_ptr<Programmer_Choice> backend;
  std::unique_ptr<Main_Form> form;
  std::unique_ptr<ui::Main_Window> window;
};

std::vector<std::string> Simulate(const Temp_Dir& folder) {
  return {"--simulate=" + folder.File("part.txt")};
}

TEST(Whole_Job, Program_Blank_Check_And_Move_An_82S129) {
  Temp_Dir folder;
  Window_Run run(folder, {"--simulate"});
  EXPECT_EQ(run.Text("StaticText3"), "Usb Programmer Found - FirmWare Version 1.07");
  ASSERT_TRUE(run.Shown("Device_Box"));  // no type chosen yet

  // The placement picture stands beside its box until the box is confirmed.
  std::vector<bool> picture_up;
  run.host.on_box = [&](const Message_Box_Request&) { picture_up.push_back(run.Shown("Upper")); };
  run.Choose_Device("82S129");
  EXPECT_EQ(picture_up, std::vector<bool>{true});
  EXPECT_FALSE(run.Shown("Upper"));
  EXPECT_EQ(run.Text("Device"), "82S129");
  EXPECT_EQ(run.Text("End_Add"), "Device End=0FF");

  // A 4-bit part cannot take FF: its upper nibbles stay 0.
  run.Click("Fill");
  run.Choose_Row("FillBox", 1);
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=FF00");
  run.Click("Program_Eprom");
  EXPECT_EQ(run.Text("StaticText3"), "Device Did NOT Program....");
  EXPECT_EQ(run.Status_Colour(), Red);
  ASSERT_TRUE(run.Shown("Memo1"));
  // One line per location, the bit summary, and the warning that every
  // location reads all ones in the part's four data bits.
  ASSERT_EQ(run.Lines("Memo1").size(), 258);
  EXPECT_EQ(run.Lines("Memo1").front(), "0000  EXPECTED-FF FOUND-0F");
  EXPECT_EQ(run.Lines("Memo1")[256],
            "256 Locations Differ Only in Bits 4-7, Which This 4-Bit Part Does Not Have");
  EXPECT_EQ(run.Lines("Memo1")[257],
            "Every Location Reads 0F: Is the Socket Empty or the Part Turned Round?");

  // Another type and back: a fresh part in the socket.
  run.Choose_Device("82S126");
  run.Choose_Device("82S129");
  run.Fill_Typed("0F");
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0F00");
  run.Click("Program_Eprom");
  EXPECT_EQ(run.Text("StaticText3"), "Device is Programmed....");
  EXPECT_EQ(run.Status_Colour(), Lime);
  // 0F is all ones in a 4-bit part's data bits: the list shows only the
  // empty-socket warning.
  EXPECT_EQ(run.Lines("Memo1"),
            QStringList{"Every Location Reads 0F: Is the Socket Empty or the Part Turned Round?"});

  run.Click("Blank_Chk");
  EXPECT_EQ(run.Text("StaticText3"), "Device is NOT Erased....");
  EXPECT_EQ(run.Status_Colour(), Red);
  ASSERT_TRUE(run.Shown("Memo1"));
  const QStringList lines = run.Lines("Memo1");
  ASSERT_EQ(lines.size(), 258);
  EXPECT_EQ(lines[0], "0000  EXPECTED-00 FOUND-0F");
  EXPECT_EQ(lines[255], "00FF  EXPECTED-00 FOUND-0F");
  EXPECT_EQ(lines[256], "256 Locations Differ: 0 Bits Missing, 1024 Bits Extra");

  run.Click("Fill");
  run.Choose_Row("FillBox", 0);
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0000");
  run.Click("Move_Eprom");
  EXPECT_EQ(run.Text("StaticText3"), "Device Has Been Moved to Buffer....");
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0F00");
  run.Click("Fill");  // an empty value changes nothing
  run.Choose_Row("FillBox", 2);
  Window_Run::Type("\r");
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0F00");
  run.Click("Chk_Sum_But");
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0F00");
  EXPECT_EQ(run.Status_Colour(), Lime);
}

// The programmer pulled out in the middle of a blank check: the status line
// never shows a verdict, not even for one paint, one box says the
// programmer was lost, and the list shows what happened.
TEST(Whole_Job, A_Programmer_Pulled_Out_During_A_Check_Shows_One_Box_And_No_Verdict) {
  Temp_Dir folder;
  Window_Run run(folder, {"--simulate"});
  run.Choose_Device("82S123");
  sim::Sim_Programmer& programmer = run.backend->Simulation()->Programmer();
  programmer.Faults().unplug_after = static_cast<int>(programmer.Counters().packets_out) + 30;
  QStringList painted;
  run.host.on_pump = [&] {
    QApplication::processEvents();
    const QString status = run.Text("StaticText3");
    if (painted.isEmpty() || painted.back() != status) painted.push_back(status);
  };
  const std::size_t boxes = run.host.boxes.size();
  run.Click("Blank_Chk");
  EXPECT_FALSE(painted.contains("Device is Erased....")) << painted.join(" | ").toStdString();
  EXPECT_FALSE(painted.contains("Device is NOT Erased...."));
  EXPECT_EQ(run.Text("StaticText3"), "Stopped: Programmer Lost....");
  EXPECT_EQ(run.Status_Colour(), Red);
  ASSERT_EQ(run.host.boxes.size(), boxes + 1);
  EXPECT_EQ(run.host.boxes.back().text,
            Usb_Access::Lost_Text("FT_Write", FT_IO_ERROR));
  ASSERT_TRUE(run.Shown("Memo1"));
  EXPECT_EQ(run.Lines("Memo1"), QStringList{"Device no longer present ... PortStatus-4 USB-0"});
  // Nothing more goes to a device that is gone, until it is looked for again.
  EXPECT_FALSE(run.Widget("Blank_Chk")->isEnabled());
  run.window->close();
  EXPECT_EQ(run.host.boxes.size(), boxes + 1);
}

// A click the link stopped says on the status line in which step it
// stopped and what that left of the part; packets count from the click.
TEST(Whole_Job, A_Stopped_Burn_Or_Load_Names_Its_Step_On_The_Status_Line) {
  Temp_Dir folder;
  const std::string file = folder.File("image.bin");
  folder.Write("image.bin", std::string(256, '\x0F'));
  const auto packets_out = [](const Window_Run& run) {
    return static_cast<int>(run.backend->Simulation()->Programmer().Counters().packets_out);
  };
  int burn_packets = 0;
  {
    Window_Run clean(folder, {"--simulate"});
    clean.Choose_Device("82S129");
    clean.Fill_Typed("0F");
    const int before = packets_out(clean);
    clean.Click("Program_Eprom");
    ASSERT_EQ(clean.Text("StaticText3"), "Device is Programmed....");
    burn_packets = packets_out(clean) - before;
  }
  ASSERT_GT(burn_packets, 1000);
  const struct {
    const char* button;
    int cut_after;
    const char* status;
  } cases[] = {
      {"Program_Eprom", 1, "Stopped: Programmer Lost.... While Programming: Nothing Was Burned"},
      {"Program_Eprom", burn_packets / 2,
       "Stopped: Programmer Lost.... While Programming: the Part Is Partly Burned"},
      {"Program_Eprom", burn_packets - 100,
       "Stopped: Programmer Lost.... in the Verify After Programming"},
      {"Load_But", 1, "Stopped: Programmer Lost.... While Loading the File"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " cut after " + std::to_string(c.cut_after));
    Window_Run run(folder, {"--simulate"});
    run.Choose_Device("82S129");
    run.Fill_Typed("0F");
    run.host.paths.push_back(file);
    sim::Sim_Programmer& programmer = run.backend->Simulation()->Programmer();
    programmer.Faults().unplug_after = packets_out(run) + c.cut_after;
    run.Click(c.button);
    EXPECT_EQ(run.Text("StaticText3"), c.status);
    EXPECT_EQ(run.Status_Colour(), Red);
    EXPECT_TRUE(run.Shown("Memo1"));
  }
}

TEST(Whole_Job, Typing_After_Choosing_The_Fill_Row_Goes_Into_The_Box) {
  Temp_Dir folder;
  Window_Run run(folder, {"--simulate"});
  run.Choose_Device("82S181");
  run.Click("Fill");
  run.Choose_Row("FillBox", 2);
  ASSERT_TRUE(run.Shown("Fill_Edit"));
  EXPECT_EQ(QApplication::focusWidget(), run.Widget("Fill_Edit"));
  Window_Run::Type("3c");
  EXPECT_EQ(run.Text("Fill_Edit"), "3C");
  Window_Run::Type("\r");
  EXPECT_FALSE(run.Shown("Fill_Edit"));
  EXPECT_FALSE(run.Shown("FillBox"));
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=F000");  // 1024 x 3C
}

TEST(Whole_Job, Bytes_Edited_In_The_Hex_View_Come_Back_From_An_Intel_Hex_File) {
  Temp_Dir folder;
  Window_Run run(folder, {"--simulate"});
  run.Choose_Device("82S181");
  run.Click("Edit");
  ASSERT_TRUE(run.Shown("Edit_1"));
  EXPECT_EQ(QApplication::focusWidget(), run.Widget("Edit_1"));
  Window_Run::Type("41A5");  // locations 0000 and 0001
  auto* view = qobject_cast<QPlainTextEdit*>(run.Widget("Edit_1"));
  EXPECT_EQ(view->document()->findBlockByNumber(1).text().left(12), "0000  41 A5 ");

  run.Click("File_But");
  run.Choose_Row("File_Type", 1);
  EXPECT_EQ(run.Text("File_But"), "Intel Hex File");
  const std::string file = folder.File("edited.hex");
  run.host.paths.push_back(file);
  run.Click("Save_But");
  EXPECT_NE(Read_File(file).find(":1000000041A5"), std::string::npos);

  run.Click("Fill");
  run.Choose_Row("FillBox", 0);
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0000");
  run.host.paths.push_back(file);
  run.Click("Load_But");
  EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=00E6");  // 41 + A5
  EXPECT_EQ(run.Text("StaticText4"), QString::fromStdString("Last File Loaded in Buffer=" + file));
  run.Click("Edit");
  EXPECT_EQ(view->document()->findBlockByNumber(1).text().left(15), "0000  41 A5 00 ");
}

TEST(Whole_Job, A_New_Start_Finds_The_Window_And_The_Part_As_They_Were_Left) {
  Temp_Dir folder;
  const std::string file = folder.File("image.hex");
  {
    Window_Run run(folder, Simulate(folder));
    run.Choose_Device("82S129");
    run.Fill_Typed("0F");
    run.Click("Program_Eprom");
    ASSERT_EQ(run.Text("StaticText3"), "Device is Programmed....");
    run.Click("File_But");
    run.Choose_Row("File_Type", 1);
    run.host.paths.push_back(file);
    run.Click("Save_But");
    run.host.paths.push_back(file);
    run.Click("Load_But");
    run.Click("Scale");
    run.window->resize(760, 540);
    run.window->move(40, 30);
    QApplication::processEvents();
    EXPECT_TRUE(run.window->close());
  }
  Window_Run again(folder, Simulate(folder));
  EXPECT_EQ(again.Text("Device"), "82S129");
  EXPECT_EQ(again.Text("End_Add"), "Device End=00FF");
  EXPECT_EQ(again.Text("File_But"), "Intel Hex File");
  EXPECT_EQ(again.window->size(), QSize(760, 540));
  EXPECT_EQ(again.window->pos(), QPoint(40, 30));
  EXPECT_EQ(again.Text("Scale"), "Small Buttons");
  EXPECT_EQ(again.Widget("Program_Eprom")->size(), QSize(131, 24));  // 110 x 20 enlarged
  EXPECT_EQ(again.Text("StaticText4"),
            QString::fromStdString("Last File Loaded in Buffer=" + file));
  EXPECT_FALSE(again.Shown("Device_Box"));
  // The part kept its fuses: it verifies against the file, and is not blank.
  again.Click("Verify_Eprom");
  EXPECT_EQ(again.Text("StaticText3"), "Device Verified to Buffer....");
  EXPECT_EQ(again.Status_Colour(), Lime);
  again.Click("Blank_Chk");
  EXPECT_EQ(again.Text("StaticText3"), "Device is NOT Erased....");
  EXPECT_EQ(again.Lines("Memo1").size(), 258);  // 256 locations, the summary, the warning
}

TEST(Whole_Job, A_State_File_Keeps_Its_Part_And_Says_So_Once) {
  Temp_Dir folder;
  folder.Write("part.txt", "type 82S129\n000: 0F\n");
  Window_Run run(folder, Simulate(folder));
  run.Choose_Device("82S181");
  ASSERT_TRUE(run.Shown("Memo1"));
  EXPECT_TRUE(run.Text("Memo1").startsWith("Simulated socket holds a 82S129, not a 82S181"));
  run.Click("Move_Eprom");
  // The 82S129 drives 4 data bits; the upper pins float high.
  run.Click("Edit");
  auto* view = qobject_cast<QPlainTextEdit*>(run.Widget("Edit_1"));
  EXPECT_EQ(view->document()->findBlockByNumber(1).text().left(15), "0000  FF F0 F0 ");
  run.Choose_Device("82S123");
  EXPECT_FALSE(run.Shown("Memo1"));
}

TEST(Whole_Job, A_Damaged_State_File_Is_Named_In_A_Box_And_Left_Alone) {
  Temp_Dir folder;
  folder.Write("part.txt", "type 82S999\n");
  Window_Run run(folder, Simulate(folder));
  ASSERT_FALSE(run.host.boxes.empty());
  EXPECT_EQ(run.host.boxes.front().icon, Box_Icon::Stop);
  EXPECT_NE(run.host.boxes.front().text.find(folder.File("part.txt")), std::string::npos);
  EXPECT_EQ(run.Status_Colour(), Lime);  // the window runs on
  run.Choose_Device("82S129");
  run.Fill_Typed("03");
  run.Click("Program_Eprom");
  EXPECT_EQ(run.Text("StaticText3"), "Device is Programmed....");
  run.window->close();
  EXPECT_EQ(Read_File(folder.File("part.txt")), "type 82S999\n");
}

// The user's dats/ and roms/ name what the part holds after Move Device, in
// the message list and in the checksum button's hint.
TEST(Whole_Job, Move_Names_The_Known_Image_And_The_Nearest_From_The_Users_Folders) {
  Temp_Dir folder;
  const std::string data = folder.File("data"), cache = folder.File("cache");
  const Scoped_Env data_home("XDG_DATA_HOME", data), cache_home("XDG_CACHE_HOME", cache);
  std::filesystem::create_directories(data + "/tarnik/dats");
  std::filesystem::create_directories(data + "/tarnik/roms");
  const Bytes known = Pattern(256, 0x0F);
  Bytes drifted = known;
  drifted[0x21] &= 0xFB;
  drifted[0x80] &= 0xF7;
  ASSERT_EQ(known[0x21] & 0x04, 0x04);
  ASSERT_EQ(known[0x80] & 0x08, 0x08);
  folder.Write("data/tarnik/dats/proms.dat", Datafile("Proms", "board", Rom_Element("col.6f", known)));
  ASSERT_TRUE(Write_Zip(data + "/tarnik/roms/board.zip", {{"col.6f", known}}));
  folder.Write("drifted.bin", std::string(drifted.begin(), drifted.end()));

  Window_Run run(folder, Simulate(folder));
  run.form->identity.Find_Sources = User_Identify_Sources;
  run.Choose_Device("82S129");
  run.host.paths.push_back(folder.File("drifted.bin"));
  run.Click("Load_But");
  run.Click("Program_Eprom");
  ASSERT_EQ(run.Text("StaticText3"), "Device is Programmed....");
  run.Click("Move_Eprom");
  ASSERT_TRUE(run.Shown("Memo1"));
  const QStringList lines = run.Lines("Memo1");
  ASSERT_GE(lines.size(), 5) << lines.join("|").toStdString();
  const QStringList last = lines.mid(lines.size() - 5);
  const QString nearest = QString::fromStdString("Nearest Known Image: col.6f in board.zip, 2 Bits Differ (File: " +
                                                 std::filesystem::path(data + "/tarnik/roms/board.zip").lexically_normal().string() +
                                                 ":col.6f)");
  EXPECT_EQ(last, (QStringList{"No Known Image Matches (2 Images of This Size Searched)",
                               nearest,
                               QString("0021  BIT-2 KNOWN-1 READ-0"), QString("0080  BIT-3 KNOWN-1 READ-0"),
                               "Fill the Buffer From the Nearest Known Image to Burn a Fresh Part"}));
  EXPECT_TRUE(run.Widget("Chk_Sum_But")
                  ->toolTip()
                  .endsWith("\n" + nearest));
}

// Load Buffer opens a zip: the images of the part's size are listed with
// their sizes, the one picked loads, the last-file line names it, and the
// next start loads the same member again.
TEST(Whole_Job, Load_Buffer_Picks_A_Member_Of_A_Zip_And_The_Next_Start_Loads_It_Again) {
  Temp_Dir folder;
  const std::string zip = folder.File("board.zip");
  ASSERT_TRUE(Write_Zip(zip, {{"82s123.7e", Bytes(256, 0x01)},
                              {"82s123.7f", Bytes(256, 0x03)},
                              {"pal.5e", Bytes(32, 0x07)}}));
  const QString last_file = QString::fromStdString("Last File Loaded in Buffer=" + zip + ":82s123.7f");
  {
    Window_Run run(folder, Simulate(folder));
    run.Choose_Device("82S129");
    // Cancelling the pick loads nothing, and the list says what there was.
    run.host.paths.push_back(zip);
    run.Click("Load_But");
    EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0000");
    EXPECT_TRUE(run.Lines("Memo1").join("|").contains("several members of 256 bytes"));

    run.host.paths.push_back(zip);
    run.host.choices.push_back(1);
    run.Click("Load_But");
    ASSERT_EQ(run.host.choice_requests.size(), 2u);
    EXPECT_EQ(run.host.choice_requests[1].items,
              (std::vector<std::string>{"82s123.7e (256 Bytes)", "82s123.7f (256 Bytes)"}));
    EXPECT_EQ(run.Text("Chk_Sum_But"), "CheckSum=0300");  // 256 x 03
    EXPECT_EQ(run.Text("StaticText4"), last_file);
    EXPECT_TRUE(run.window->close());
  }
  Window_Run again(folder, Simulate(folder));
  EXPECT_TRUE(again.host.choice_requests.empty());
  EXPECT_EQ(again.Text("StaticText4"), last_file);
  again.Click("Chk_Sum_But");
  EXPECT_EQ(again.Text("Chk_Sum_But"), "CheckSum=0300");
}

// A Move before the background index is ready: the list says the look-up is
// under way, the status line stays busy, and it turns only when the names
// are in. Every pump is a moment the user may see, so each is looked at.
TEST(Whole_Job, A_Move_Before_The_Index_Is_Ready_Never_Looks_Done_Before_The_Names) {
  Temp_Dir folder;
  const std::string data = folder.File("data"), cache = folder.File("cache");
  const Scoped_Env data_home("XDG_DATA_HOME", data), cache_home("XDG_CACHE_HOME", cache);
  std::filesystem::create_directories(data + "/tarnik/dats");
  const Bytes known = Pattern(256, 0x0F);
  folder.Write("data/tarnik/dats/list.xml",
               Large_Machine_List(24, "monsterb2", Rom_Element("pr-1538.55", known)));
  folder.Write("known.bin", std::string(known.begin(), known.end()));

  Window_Run run(folder, Simulate(folder));
  run.Choose_Device("82S129");
  run.host.paths.push_back(folder.File("known.bin"));
  run.Click("Load_But");
  run.Click("Program_Eprom");
  ASSERT_EQ(run.Text("StaticText3"), "Device is Programmed....");
  const QString title = run.window->windowTitle();

  run.form->identity.Find_Sources = User_Identify_Sources;
  run.form->Index_Known_Images_In_Background();
  ASSERT_FALSE(run.form->identity.Index_Ready());
  struct Moment {
    QColor status;
    QString list;
    QString title;
  };
  std::vector<Moment> moments;
  run.host.on_pump = [&] {
    QApplication::processEvents();
    moments.push_back({run.Status_Colour(), run.Text("Memo1"), run.window->windowTitle()});
  };
  run.Click("Move_Eprom");
  run.host.on_pump = [] { QApplication::processEvents(); };

  const QString name = "Known Image: pr-1538.55 in monsterb2 (list.xml)";
  ASSERT_TRUE(run.form->identity.Index_Ready());
  EXPECT_EQ(run.Text("StaticText3"), "Device Has Been Moved to Buffer....");
  EXPECT_EQ(run.Status_Colour(), Lime);
  const QStringList lines = run.Lines("Memo1");
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines.mid(lines.size() - 2), (QStringList{"Looking Up Known Images....", name}));
  EXPECT_EQ(run.window->windowTitle(), title);

  bool waited = false, indexing_shown = false;
  for (std::size_t i = 0; i < moments.size(); ++i) {
    const Moment& moment = moments[i];
    EXPECT_TRUE(moment.status != Lime || moment.list.contains(name)) << "pump " << i;
    waited = waited || (moment.list.contains("Looking Up Known Images....") &&
                        !moment.list.contains(name) && moment.status != Lime);
    indexing_shown = indexing_shown || moment.title.startsWith("Indexing Known Images ");
  }
  EXPECT_TRUE(waited);
  EXPECT_TRUE(indexing_shown);
}

}  // namespace
}  // namespace tarnik::testing
