// A failed blank check of a 1k part as the window runs it: the real Qt
// widgets (offscreen), Qt's event loop and the real clock, over the
// simulated programmer. The same check of a blank part, which lists nothing,
// sets the time the message list adds.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>
#include <string>

#include "app/main_form.h"
#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "sim/sim_programmer.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

namespace tarnik::ui {
namespace {

QApplication& Offscreen_Application() {
  static int argc = 1;
  static char name[] = "tarnik_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: it must outlive every widget, to the process's end.
  static auto* application = new QApplication(argc, argv);
  return *application;
}

// The window's host, but the placement picture's box is confirmed at once.
class Confirming_Host final : public Host {
 public:
  void Process_Messages() override { qt_.Process_Messages(); }
  void Wait_Briefly() override { qt_.Wait_Briefly(); }
  Box_Answer Message_Box(const Message_Box_Request& request) override {
    return request.buttons == Box_Buttons::Ok ? Box_Answer::Ok : Box_Answer::No;
  }
  std::optional<std::string> Open_Dialog(const File_Dialog_Request&) override { return {}; }
  std::optional<std::string> Save_Dialog(const File_Dialog_Request&) override { return {}; }
  std::optional<std::size_t> Choose(const Choice_Request&) override { return {}; }
  void Set_Timer1_Handler(std::function<void()> on_tick) override {
    qt_.Set_Timer1_Handler(std::move(on_tick));
  }
  void Start_Timer1(int period_ms) override { qt_.Start_Timer1(period_ms); }
  void Stop_Timer1() override { qt_.Stop_Timer1(); }
  [[nodiscard]] bool Timer1_Running() const override { return qt_.Timer1_Running(); }
  Clock& Time() override { return qt_.Time(); }
  [[nodiscard]] std::string Current_Directory() const override { return "."; }
  void Post(std::function<void()> call) override { qt_.Post(std::move(call)); }

 private:
  Qt_Host qt_;
};

// An 82S181 with every bit fused, or a blank one.
std::unique_ptr<sim::Sim_Part> Part_In_Socket(bool programmed) {
  std::string error;
  std::string text = sim::Make_Sim_Part("82S181", error)->State_Text();
  if (programmed) {
    for (std::size_t at = text.find(" 00"); at != std::string::npos; at = text.find(" 00", at))
      text.replace(at, 3, " FF");
  }
  return sim::Sim_Part::From_State_Text(text, error);
}

struct Shown_Window {
  explicit Shown_Window(bool programmed)
      : part(Part_In_Socket(programmed)), simulator(host.Time()), form(simulator, host),
        window(form) {
    sim::Seat_Part(simulator, *part);
    form.FormCreate();
    window.show();
    form.Start_Up();
    form.Click("Device");
    form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S181")->row);
    QApplication::processEvents();
  }

  Confirming_Host host;
  std::unique_ptr<sim::Sim_Part> part;
  sim::Sim_Programmer simulator;
  Main_Form form;
  Main_Window window;
};

void Window_Blank_Check_1k(benchmark::State& state, bool failing) {
  Offscreen_Application();
  std::size_t lines = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto run = std::make_unique<Shown_Window>(failing);
    state.ResumeTiming();
    run->form.Click("Blank_Chk");
    QApplication::processEvents();
    lines = run->form.window.Get("Memo1").lines.size();
    state.PauseTiming();
    run.reset();
    state.ResumeTiming();
  }
  state.counters["lines"] = static_cast<double>(lines);
}

BENCHMARK_CAPTURE(Window_Blank_Check_1k, Failing, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(Window_Blank_Check_1k, Blank, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
}  // namespace tarnik::ui
