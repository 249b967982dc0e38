#pragma once
// The command line's progress bar: one line on standard error with the
// activity, a bar, the percentage and the time left, redrawn in place at most
// ten times a second and erased when the operation ends. The command line
// draws it only when standard error is a terminal.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "window/operation_progress.h"

namespace tarnik::cli {

// "Programming [########------------]  42 %  0:11 left"
[[nodiscard]] std::string Progress_Bar_Text(const Progress_Report& report);

class Progress_Bar {
 public:
  static constexpr int64_t Redraw_Interval_Ms = 100;

  // `now_ms` reads a steady clock in milliseconds.
  Progress_Bar(std::ostream& out, std::function<int64_t()> now_ms)
      : out_(out), now_ms_(std::move(now_ms)) {}

  void Show(const Progress_Report& report);
  // Takes the bar off its line, so that other output can follow; the next
  // report draws it again.
  void Erase();

 private:
  std::ostream& out_;
  std::function<int64_t()> now_ms_;
  bool drawn_ = false;
  int64_t last_draw_ms_ = 0;
  std::size_t width_ = 0;
  std::string last_text_;
};

}  // namespace tarnik::cli
