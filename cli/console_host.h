#pragma once
// The host of the command line: message boxes go to standard error, questions
// are answered from the options, Timer1 is read off the clock at every pump.

#include <deque>
#include <iosfwd>
#include <memory>
#include <string>

#include "window/clock.h"
#include "window/clock_timer.h"
#include "window/host.h"
#include "window/posted_calls.h"

namespace tarnik::cli {

class Console_Host final : public Host {
 public:
  Console_Host(std::unique_ptr<Clock> clock, std::ostream& out, std::ostream& err,
               bool answer_yes);

  void Process_Messages() override {
    timer_.Fire_If_Due();
    posted_.Run_Posted();
  }
  void Wait_Briefly() override;
  Box_Answer Message_Box(const Message_Box_Request& request) override;
  std::optional<std::string> Open_Dialog(const File_Dialog_Request& request) override;
  std::optional<std::string> Save_Dialog(const File_Dialog_Request& request) override;
  // Nobody is asked: whatever needs a pick names it on the command line.
  std::optional<std::size_t> Choose(const Choice_Request&) override { return std::nullopt; }
  void Set_Timer1_Handler(std::function<void()> on_tick) override {
    timer_.Set_Handler(std::move(on_tick));
  }
  void Start_Timer1(int period_ms) override { timer_.Start(period_ms); }
  void Stop_Timer1() override { timer_.Stop(); }
  [[nodiscard]] bool Timer1_Running() const override { return timer_.Running(); }
  Clock& Time() override { return *clock_; }
  [[nodiscard]] std::string Current_Directory() const override;
  void Post(std::function<void()> call) override { posted_.Post(std::move(call)); }

  [[nodiscard]] const std::string& Last_Box_Text() const { return last_box_text_; }
  // How many error and stop boxes have been shown, and of them the driver's
  // own error boxes (a failing driver call).
  [[nodiscard]] std::size_t Error_Boxes() const { return error_boxes_; }
  [[nodiscard]] std::size_t Driver_Error_Boxes() const { return driver_error_boxes_; }
  void Print_Line(const std::string& line) { out_ << line << '\n'; }
  std::ostream& Out() { return out_; }

  // The file the next open or save dialog answers with; cancel when none.
  void Queue_Dialog_Answer(std::string path) { dialog_answers_.push_back(std::move(path)); }

 private:
  std::optional<std::string> Next_Dialog_Answer();

  std::unique_ptr<Clock> clock_;
  Clock_Timer timer_;
  std::ostream& out_;
  std::ostream& err_;
  bool answer_yes_;
  std::size_t error_boxes_ = 0;
  std::size_t driver_error_boxes_ = 0;
  std::deque<std::string> dialog_answers_;
  std::string last_box_text_;
  Posted_Calls posted_;
};

}  // namespace tarnik::cli
