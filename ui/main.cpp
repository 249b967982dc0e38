// The window's program entry: the options select the simulated programmer or
// the USB backend; then the window runs until it is closed.

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "app/main_form.h"
#include "app/options.h"
#include "app/maker_parts_file.h"
#include "app/programmer_choice.h"
#include "app/window_log.h"
#include "tarnik_version.h"
#include "ui/close_on_signal.h"
#include "ui/history_dialog.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

int main(int argc, char** argv) {
  // A file-size limit then fails the write, which the save reports, instead
  // of killing the program with a half-written temporary file.
  std::signal(SIGXFSZ, SIG_IGN);
  // Answered before Qt starts, so that it needs no display.
  if (std::find(argv + 1, argv + argc, std::string_view("--version")) != argv + argc) {
    std::cout << "tarnik " << tarnik::Version << '\n';
    return 0;
  }
  QApplication application(argc, argv);
  const QStringList qt_args = QApplication::arguments();
  std::vector<std::string> args;
  for (qsizetype i = 1; i < qt_args.size(); ++i) args.push_back(qt_args[i].toStdString());
  const tarnik::Parse_Result parsed = tarnik::Parse_Options(args, false);
  if (!parsed.options || parsed.options->help) {
    if (!parsed.options) std::cerr << "tarnik: " << parsed.error << '\n';
    std::cerr << "usage: tarnik [--simulate[=STATE]] [--sim-part NAME|none] [--sim-firmware X.YY]\n"
                 "              [--sim-fault FAULTS] [--sim-seed S] [--read-window K]\n"
                 "              [--near-bits N] [--no-log] [--sim-batch LIST] [--version]\n";
    return parsed.options ? 0 : 2;
  }

  tarnik::ui::Qt_Host host;
  tarnik::Programmer_Choice backend(tarnik::To_Programmer_Settings(*parsed.options),
                                   host.Time());
  tarnik::Main_Form form(backend.Driver(), host);
  form.link.Read_Window = parsed.options->read_window;
  form.identity.Find_Sources = [near_bits = parsed.options->near_bits] {
    tarnik::identify::Identify_Sources sources = tarnik::User_Identify_Sources();
    sources.near_bits = near_bits;
    return sources;
  };
  // Settings go to the user's folder unless the start folder keeps its own;
  // the help text comes from the share folder installed beside the program.
  form.User_Config_Dir = tarnik::User_Config_Folder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  form.help_scale.Installed_Dir =
      (std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / tarnik::Data_From_Bin)
          .lexically_normal()
          .string();
  // The makers' part numbers the device list's search box knows.
  std::vector<std::string> table_problems;
  form.maker_parts = tarnik::Load_Maker_Parts(host.Current_Directory(),
                                              form.help_scale.Installed_Dir, table_problems);
  for (const std::string& problem : table_problems) std::cerr << "tarnik: " << problem << '\n';
  tarnik::ui::Main_Window window(form);
  // Each operation goes to the user's log; a simulated socket takes the
  // next part of a run of many by itself.
  tarnik::Window_Log log(
      form,
      tarnik::record::User_Log(tarnik::User_State_Folder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"))),
      tarnik::User_Dumps_Folder(), backend.Simulation() != nullptr, !parsed.options->no_log);
  tarnik::ui::Add_History_Shortcut(window, form, log);
  form.Offer_Another_Part = true;
  if (tarnik::sim::Sim_Setup* simulation = backend.Simulation())
    form.Next_Part = [simulation] { simulation->Next_Part(); };
  host.Set_Dialog_Parent(&window);
  const tarnik::ui::Close_On_Signal close_on_signal(window);
  backend.Attach(form, [&form](const std::string& error) { form.Show_Error_Box(error); });

  form.FormCreate();
  form.Index_Known_Images_In_Background();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    window.move(screen->availableGeometry().center() - window.rect().center());
  window.show();
  // Start-up runs once the window is shown and painted.
  QTimer::singleShot(0, &window, [&form, &backend] {
    // A state file that cannot be used is said at once; the window runs on.
    if (const tarnik::sim::Sim_Setup* simulation = backend.Simulation();
        simulation != nullptr && simulation->Refused())
      form.Show_Error_Box(simulation->Error());
    form.FormActivate();
  });
  return application.exec();
}
