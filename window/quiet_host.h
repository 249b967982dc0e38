#pragma once
// A host for runs that nobody watches: a virtual clock that fires Timer1 when
// its time comes, every question answered No, every notice taken, every file
// dialog cancelled. The fuzzers and the screenshot tour run the whole window
// over it.

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "window/clock_timer.h"
#include "window/host.h"
#include "window/posted_calls.h"

namespace tarnik {

class Quiet_Host : public Host {
 public:
  explicit Quiet_Host(std::string directory) : directory_(std::move(directory)) {}

  void Process_Messages() override {
    timer_.Fire_If_Due();
    posted_.Run_Posted();
  }
  void Wait_Briefly() override { clock_.Sleep_Until_Us(clock_.Now_Us() + 1000); }
  Box_Answer Message_Box(const Message_Box_Request& request) override {
    return request.buttons == Box_Buttons::Ok ? Box_Answer::Ok : Box_Answer::No;
  }
  std::optional<std::string> Open_Dialog(const File_Dialog_Request&) override {
    return std::nullopt;
  }
  std::optional<std::string> Save_Dialog(const File_Dialog_Request&) override {
    return std::nullopt;
  }
  std::optional<std::size_t> Choose(const Choice_Request&) override { return std::nullopt; }
  void Set_Timer1_Handler(std::function<void()> on_tick) override {
    timer_.Set_Handler(std::move(on_tick));
  }
  void Start_Timer1(int period_ms) override { timer_.Start(period_ms); }
  void Stop_Timer1() override { timer_.Stop(); }
  [[nodiscard]] bool Timer1_Running() const override { return timer_.Running(); }
  Clock& Time() override { return clock_; }
  [[nodiscard]] std::string Current_Directory() const override { return directory_; }
  void Post(std::function<void()> call) override { posted_.Post(std::move(call)); }

 private:
  Posted_Calls posted_;
  std::string directory_;
  Virtual_Clock clock_;
  Clock_Timer timer_{clock_};
};

}  // namespace tarnik
