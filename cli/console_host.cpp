#include "cli/console_host.h"

#include <filesystem>
#include <ostream>

namespace tarnik::cli {

Console_Host::Console_Host(std::unique_ptr<Clock> clock, std::ostream& out, std::ostream& err,
                           bool answer_yes)
    : clock_(std::move(clock)), timer_(*clock_), out_(out), err_(err), answer_yes_(answer_yes) {}

void Console_Host::Wait_Briefly() { clock_->Sleep_Until_Us(clock_->Now_Us() + 1000); }

Box_Answer Console_Host::Message_Box(const Message_Box_Request& request) {
  last_box_text_ = request.text;
  if (request.icon == Box_Icon::Error || request.icon == Box_Icon::Stop) ++error_boxes_;
  if (request.icon == Box_Icon::Error) ++driver_error_boxes_;
  // A picture's confirmation box has no text: it is confirmed silently.
  if (request.text.empty()) return Box_Answer::Ok;
  // A box's line breaks become blanks: one box, one line.
  std::string text;
  for (const char c : request.text) {
    if (c == '\n') text += ' ';
    else if (c != '\r') text += c;
  }
  if (request.buttons == Box_Buttons::Ok) {
    err_ << text << '\n';
    return Box_Answer::Ok;
  }
  const Box_Answer answer = answer_yes_ ? Box_Answer::Yes : Box_Answer::No;
  err_ << text << (answer == Box_Answer::Yes ? " Yes" : " No") << '\n';
  return answer;
}

std::optional<std::string> Console_Host::Next_Dialog_Answer() {
  if (dialog_answers_.empty()) return std::nullopt;
  std::string path = std::move(dialog_answers_.front());
  dialog_answers_.pop_front();
  return path;
}

std::optional<std::string> Console_Host::Open_Dialog(const File_Dialog_Request&) {
  return Next_Dialog_Answer();
}

std::optional<std::string> Console_Host::Save_Dialog(const File_Dialog_Request&) {
  return Next_Dialog_Answer();
}

std::string Console_Host::Current_Directory() const {
  std::error_code error;
  const auto path = std::filesystem::current_path(error);
  return error ? std::string(".") : path.string();
}

}  // namespace tarnik::cli
