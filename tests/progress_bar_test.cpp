#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarnik::cli {
namespace {

Progress_Report Report(int percent, std::optional<int64_t> left = std::nullopt) {
  return Progress_Report{"Reading", percent, left, false};
}

TEST(Progress_Bar, Text_Shows_Bar_Percentage_And_Time_Left) {
  EXPECT_EQ(Progress_Bar_Text(Report(0)), "Reading [--------------------]   0 %");
  EXPECT_EQ(Progress_Bar_Text(Report(42, 11)), "Reading [########------------]  42 %  0:11 left");
  EXPECT_EQ(Progress_Bar_Text(Report(100, 0)), "Reading [####################] 100 %  0:00 left");
}

TEST(Progress_Bar, Redraws_In_Place_At_Most_Ten_Times_A_Second_And_Erases_At_The_End) {
  std::ostringstream out;
  int64_t now_ms = 1000;
  Progress_Bar bar(out, [&now_ms] { return now_ms; });
  bar.Show(Report(0));
  const std::string first = "\rReading [--------------------]   0 %";
  EXPECT_EQ(out.str(), first);
  now_ms += 50;
  bar.Show(Report(10, 9));  // too soon
  EXPECT_EQ(out.str(), first);
  now_ms += 50;
  bar.Show(Report(20, 8));
  const std::string second = "\rReading [####----------------]  20 %  0:08 left";
  EXPECT_EQ(out.str(), first + second);
  now_ms += 100;
  bar.Show(Report(20, 8));  // nothing new to show
  EXPECT_EQ(out.str(), first + second);
  Progress_Report end = Report(100);
  end.finished = true;
  bar.Show(end);
  EXPECT_EQ(out.str(), first + second + "\r" + std::string(second.size() - 1, ' ') + "\r");
  // Finished without anything drawn: nothing to erase.
  std::ostringstream quiet;
  Progress_Bar unused(quiet, [] { return int64_t{0}; });
  unused.Show(end);
  EXPECT_EQ(quiet.str(), "");
}

TEST(Progress_Bar, A_Shorter_Line_Covers_The_Longer_One_Before_It) {
  std::ostringstream out;
  int64_t now_ms = 0;
  Progress_Bar bar(out, [&now_ms] { return now_ms; });
  bar.Show(Report(50, 3600));
  const std::size_t long_width = out.str().size() - 1;
  out.str("");
  now_ms += 200;
  bar.Show(Report(60));
  EXPECT_EQ(out.str().size() - 1, long_width);
  EXPECT_EQ(out.str().back(), ' ');
}

}  // namespace
}  // namespace tarnik::cli
