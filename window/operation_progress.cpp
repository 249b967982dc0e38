#include "window/operation_progress.h"

#include <cstdio>

namespace tarnik {

namespace {
constexpr int64_t Us_Per_Second = 1'000'000;
constexpr const char* Dash = " \xE2\x80\x93 ";  // an en dash between blanks
}  // namespace

Progress_Report Estimate_Progress(std::string activity, int done, int total, int64_t elapsed_us) {
  Progress_Report report;
  report.activity = std::move(activity);
  if (total <= 0) return report;
  if (done > total) done = total;
  report.percent = static_cast<int>(int64_t{done} * 100 / total);
  if (done > 0 && elapsed_us >= 0) {
    const int64_t left_us = elapsed_us * (total - done) / done;
    report.seconds_left = (left_us + Us_Per_Second - 1) / Us_Per_Second;
  }
  return report;
}

std::string Time_Left_Text(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char text[32];
  const int64_t hours = seconds / 3600;
  const int64_t minutes = seconds / 60 % 60;
  const int64_t rest = seconds % 60;
  if (hours > 0)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(rest));
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(minutes),
                  static_cast<long long>(rest));
  return text;
}

std::string Progress_Title(const Progress_Report& report, std::string_view title) {
  std::string text = report.activity + " " + std::to_string(report.percent) + " %";
  if (report.seconds_left) text += Dash + Time_Left_Text(*report.seconds_left) + " left";
  return text + Dash + std::string(title);
}

void Operation_Progress::Start(std::string activity, int total) {
  if (!running_) title_ = window_.Get("MainForm").caption;
  running_ = true;
  activity_ = std::move(activity);
  total_ = total;
  start_us_ = clock_.Now_Us();
  Show(Estimate_Progress(activity_, 0, total_, 0));
}

void Operation_Progress::Advance(int done) {
  if (!running_) return;
  Show(Estimate_Progress(activity_, done, total_, clock_.Now_Us() - start_us_));
}

void Operation_Progress::End() {
  if (!running_) return;
  running_ = false;
  window_.Set_Caption("MainForm", title_);
  if (listener_) {
    Progress_Report report;
    report.activity = activity_;
    report.percent = 100;
    report.finished = true;
    listener_(report);
  }
}

void Operation_Progress::Show(const Progress_Report& report) {
  std::string title = Progress_Title(report, title_);
  // The title changes only when its text does, not at every location.
  if (title != window_.Get("MainForm").caption) window_.Set_Caption("MainForm", std::move(title));
  if (listener_) listener_(report);
}

}  // namespace tarnik
