#include "cli/progress_bar.h"

#include <ostream>

namespace tarnik::cli {

namespace {
constexpr int Bar_Cells = 20;
}  // namespace

std::string Progress_Bar_Text(const Progress_Report& report) {
  const int filled = report.percent * Bar_Cells / 100;
  std::string text = report.activity + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(Bar_Cells - filled), '-') + "] ";
  const std::string percent = std::to_string(report.percent);
  text += std::string(3 - percent.size(), ' ') + percent + " %";
  if (report.seconds_left) text += "  " + Time_Left_Text(*report.seconds_left) + " left";
  return text;
}

void Progress_Bar::Show(const Progress_Report& report) {
  if (report.finished) {
    Erase();
    return;
  }
  const int64_t now = now_ms_();
  if (drawn_ && now - last_draw_ms_ < Redraw_Interval_Ms) return;
  const std::string text = Progress_Bar_Text(report);
  if (drawn_ && text == last_text_) return;
  // Blanks cover what a longer line before left behind.
  const std::size_t pad = width_ > text.size() ? width_ - text.size() : 0;
  out_ << '\r' << text << std::string(pad, ' ') << std::flush;
  width_ = text.size() + pad;
  last_text_ = text;
  drawn_ = true;
  last_draw_ms_ = now;
}

void Progress_Bar::Erase() {
  if (!drawn_) return;
  out_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  drawn_ = false;
  width_ = 0;
  last_text_.clear();
}

}  // namespace tarnik::cli
