// Walks the window through a short tour over the simulated programmer and
// saves a picture of it at each stop: the device list, a placement picture,
// a failed blank check with its list, the hex editor and the help text,
// then the picture of a part with a dead output and of one whose A8 is open.
//
//   tarnik-screenshots OUT_DIR HELP_DIR
//
// Message boxes are answered at once (a placement box is photographed while
// it is up); time runs on a virtual clock, so the tour takes no real time.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include "app/main_form.h"
#include "app/options.h"
#include "app/programmer_choice.h"
#include "devices/device_catalogue.h"
#include "sim/sim_faults.h"
#include "ui/main_window.h"
#include "window/quiet_host.h"

namespace {

// The quiet host, with the window painted at every pump and a hook that
// photographs a message box's moment.
class Tour_Host final : public tarnik::Quiet_Host {
 public:
  using Quiet_Host::Quiet_Host;

  std::function<void()> on_box;

  void Process_Messages() override {
    Quiet_Host::Process_Messages();
    QApplication::processEvents();
  }
  tarnik::Box_Answer Message_Box(const tarnik::Message_Box_Request& request) override {
    if (on_box) on_box();
    return Quiet_Host::Message_Box(request);
  }
};

bool Snap(QWidget& window, const QString& folder, const char* name) {
  QApplication::processEvents();
  const QString path = QDir(folder).filePath(QString(name) + ".png");
  if (!window.grab().save(path)) {
    std::cerr << "tarnik-screenshots: cannot write " << path.toStdString() << '\n';
    return false;
  }
  std::cout << path.toStdString() << '\n';
  return true;
}

void Type(tarnik::Main_Form& form, const char* control, const std::string& keys) {
  for (const char key : keys) form.Event(control, tarnik::Event_Kind::Key_Press, key);
}

// A state file of a `type` part holding random data bits.
std::string Random_Part(const char* type, int locations, unsigned mask) {
  std::mt19937 random(29);
  std::string text = std::string("type ") + type + "\n";
  char word[24];
  for (int at = 0; at < locations; at += 16) {
    std::snprintf(word, sizeof word, "%03X:", at);
    text += word;
    for (int i = 0; i < 16; ++i) {
      std::snprintf(word, sizeof word, " %02X", static_cast<unsigned>(random() & mask));
      text += word;
    }
    text += "\n";
  }
  return text;
}

// A fresh window over a faulty simulated part: read it, open the editor
// with the part's picture beside it, photograph it.
bool Snap_Faulty_Part(const QString& out, const char* help_dir, const char* type, int locations,
                      unsigned mask, const char* fault, const char* name) {
  const std::filesystem::path state =
      std::filesystem::temp_directory_path() / (std::string("tarnik-tour-") + name + ".txt");
  std::ofstream(state) << Random_Part(type, locations, mask);
  Tour_Host host(help_dir);
  tarnik::Options options;
  options.simulate = true;
  options.sim_state = state.string();
  options.sim_faults = *tarnik::sim::Parse_Faults(fault);
  tarnik::Programmer_Choice backend(tarnik::To_Programmer_Settings(options), host.Time());
  tarnik::Main_Form form(backend.Driver(), host);
  tarnik::ui::Main_Window window(form);
  backend.Attach(form, [](const std::string& error) { std::cerr << error << '\n'; });
  form.FormCreate();
  window.show();
  form.Start_Up();
  form.Click("Device");
  form.Event("Device_Box", tarnik::Event_Kind::Click, tarnik::Find_Device_Type(type)->row);
  form.Click("Move_Eprom");
  form.Click("Edit");
  const bool saved = Snap(window, out, name);
  std::filesystem::remove(state);
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: tarnik-screenshots OUT_DIR HELP_DIR\n";
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  Tour_Host host(argv[2]);
  tarnik::Options options;
  options.simulate = true;
  tarnik::Programmer_Choice backend(tarnik::To_Programmer_Settings(options), host.Time());
  tarnik::Main_Form form(backend.Driver(), host);
  tarnik::ui::Main_Window window(form);
  backend.Attach(form, [](const std::string& error) { std::cerr << error << '\n'; });

  bool saved = true;
  form.FormCreate();
  window.show();
  form.FormActivate();
  saved &= Snap(window, out, "device-list");

  host.on_box = [&] { saved &= Snap(window, out, "placement"); };
  form.Event("Device_Box", tarnik::Event_Kind::Click, tarnik::Find_Device_Type("82S129")->row);
  host.on_box = nullptr;

  form.Click("Fill");
  form.Event("FillBox", tarnik::Event_Kind::Click, 2);
  Type(form, "Fill_Edit", "0F\r");
  form.Click("Program_Eprom");
  form.Click("Blank_Chk");
  saved &= Snap(window, out, "blank-check");

  form.Click("Edit");
  saved &= Snap(window, out, "hex-editor");
  form.Event("Edit_1", tarnik::Event_Kind::Exit);  // the focus leaves the editor for Help
  form.Click("Help_1");
  saved &= Snap(window, out, "help");
  window.hide();  // a close would save the settings into the help folder

  saved &= Snap_Faulty_Part(out, argv[2], "82S147", 512, 0xFF, "stuck-bit=3:0", "bit-map-dead-output");
  saved &= Snap_Faulty_Part(out, argv[2], "82S131", 512, 0x0F, "stuck-address=8:0",
                            "bit-map-repeated-half");
  return saved ? 0 : 1;
}
