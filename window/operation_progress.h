#pragma once
// How far a device operation is and the time it still needs, shown in the
// window's title ("Programming 42 % – 0:11 left – " and the title) and told
// to a listener, which the command line draws as a progress bar. The
// estimate assumes the locations still to come take as long as those done.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "window/clock.h"
#include "window/window_model.h"

namespace tarnik {

struct Progress_Report {
  std::string activity;                // "Programming", "Reading", ...
  int percent = 0;                     // 0 to 100
  std::optional<int64_t> seconds_left; // none until a location is done
  bool finished = false;               // the operation has ended
};

// The estimate after `done` of `total` locations in `elapsed_us`.
[[nodiscard]] Progress_Report Estimate_Progress(std::string activity, int done, int total,
                                                int64_t elapsed_us);
// "0:11", "12:05", "1:02:03".
[[nodiscard]] std::string Time_Left_Text(int64_t seconds);
// The window's title while an operation runs.
[[nodiscard]] std::string Progress_Title(const Progress_Report& report, std::string_view title);

class Operation_Progress {
 public:
  Operation_Progress(Window_Model& window, Clock& clock) : window_(window), clock_(clock) {}

  // A pass over `total` locations begins; a pass that follows another within
  // one operation (the verify after programming) keeps the window's title.
  void Start(std::string activity, int total);
  // `done` locations of the pass are finished.
  void Advance(int done);
  // The operation has ended: the window's title is restored.
  void End();

  void Set_Listener(std::function<void(const Progress_Report&)> listener) {
    listener_ = std::move(listener);
  }

 private:
  void Show(const Progress_Report& report);

  Window_Model& window_;
  Clock& clock_;
  std::function<void(const Progress_Report&)> listener_;
  bool running_ = false;
  std::string title_;
  std::string activity_;
  int total_ = 0;
  int64_t start_us_ = 0;
};

}  // namespace tarnik
