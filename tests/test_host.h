#pragma once
// The host of the tests: a virtual clock that fires Timer1 when its time
// comes, scripted answers to message boxes and dialogs, and a record of every
// box shown.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window/clock_timer.h"
#include "window/host.h"
#include "window/posted_calls.h"

namespace tarnik::testing {

class Test_Host final : public Host {
 public:
  void Process_Messages() override {
    ++pumps;
    timer_.Fire_If_Due();
    posted_.Run_Posted();
    if (on_pump) on_pump();
  }
  void Wait_Briefly() override {
    clock.Sleep_Until_Us(clock.Now_Us() + 1000);
    ++brief_waits;
  }

  Box_Answer Message_Box(const Message_Box_Request& request) override {
    boxes.push_back(request);
    if (on_box) on_box(request);
    if (request.buttons == Box_Buttons::Ok) return Box_Answer::Ok;
    if (answers.empty()) return Box_Answer::No;
    const Box_Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> Open_Dialog(const File_Dialog_Request& request) override {
    dialogs.push_back(request);
    return Next_Path();
  }
  std::optional<std::string> Save_Dialog(const File_Dialog_Request& request) override {
    dialogs.push_back(request);
    return Next_Path();
  }

  std::optional<std::size_t> Choose(const Choice_Request& request) override {
    choice_requests.push_back(request);
    if (choices.empty()) return std::nullopt;
    const auto choice = choices.front();
    choices.pop_front();
    return choice;
  }

  void Set_Timer1_Handler(std::function<void()> on_tick) override {
    timer_.Set_Handler(std::move(on_tick));
  }
  void Start_Timer1(int period_ms) override { timer_.Start(period_ms); }
  void Stop_Timer1() override { timer_.Stop(); }
  [[nodiscard]] bool Timer1_Running() const override { return timer_.Running(); }

  Clock& Time() override { return clock; }
  [[nodiscard]] std::string Current_Directory() const override { return current_directory; }
  void Post(std::function<void()> call) override { posted_.Post(std::move(call)); }

  [[nodiscard]] std::vector<std::string> Box_Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes) texts.push_back(box.text);
    return texts;
  }

  Virtual_Clock clock;
  std::vector<Message_Box_Request> boxes;
  std::deque<Box_Answer> answers;  // for Yes/No boxes; No when empty
  std::vector<File_Dialog_Request> dialogs;
  std::deque<std::optional<std::string>> paths;  // dialog answers; cancel when empty
  std::vector<Choice_Request> choice_requests;
  std::deque<std::optional<std::size_t>> choices;  // picks from lists; cancel when empty
  std::function<void()> on_pump;
  std::function<void(const Message_Box_Request&)> on_box;  // sees each box as it is shown
  std::string current_directory = ".";
  int pumps = 0;
  int brief_waits = 0;

 private:
  std::optional<std::string> Next_Path() {
    if (paths.empty()) return std::nullopt;
    auto path = paths.front();
    paths.pop_front();
    return path;
  }
  Clock_Timer timer_{clock};
  Posted_Calls posted_;
};

}  // namespace tarnik::testing
