#include "window/operation_progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

TEST(Operation_Progress, Estimates_From_The_Locations_Done) {
  struct Estimate_Case {
    int done;
    int total;
    int64_t elapsed_us;
    int percent;
    std::optional<int64_t> seconds_left;
  };
  const Estimate_Case cases[] = {
      {0, 1024, 0, 0, std::nullopt},
      {512, 1024, 10'000'000, 50, 10},
      {430, 1024, 8'400'000, 41, 12},    // 11.6 s left rounds up
      {1024, 1024, 20'000'000, 100, 0},
      {2000, 1024, 1'000'000, 100, 0},   // never past the end
      {5, 0, 1'000'000, 0, std::nullopt},
  };
  for (const Estimate_Case& c : cases) {
    const Progress_Report report = Estimate_Progress("Reading", c.done, c.total, c.elapsed_us);
    EXPECT_EQ(report.percent, c.percent) << c.done;
    EXPECT_EQ(report.seconds_left, c.seconds_left) << c.done;
  }
}

TEST(Operation_Progress, Texts) {
  EXPECT_EQ(Time_Left_Text(11), "0:11");
  EXPECT_EQ(Time_Left_Text(725), "12:05");
  EXPECT_EQ(Time_Left_Text(3723), "1:02:03");
  Progress_Report report{"Programming", 42, 11, false};
  EXPECT_EQ(Progress_Title(report, "Tarnik"), "Programming 42 % \xE2\x80\x93 0:11 left \xE2\x80\x93 Tarnik");
  report.seconds_left.reset();
  EXPECT_EQ(Progress_Title(report, "Tarnik"), "Programming 42 % \xE2\x80\x93 Tarnik");
}

// Programming a 1k part over the simulator: the title counts up through the
// programming and the verify after it, and is the window's own again at the
// end.
TEST(Operation_Progress, The_Title_Follows_Programming_And_Its_Verify) {
  Sim_App app;
  std::string error;
  auto part = sim::Make_Sim_Part("82S181", error);
  ASSERT_NE(part, nullptr) << error;
  sim::Seat_Part(app.simulator, *part);
  app.Start();
  app.form.Click("Device");
  app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S181")->row);
  const std::string title = app.form.window.Get("MainForm").caption;
  std::vector<std::string> titles;
  app.form.window.Subscribe([&titles](const Control& control, Change change, std::size_t) {
    if (control.name == "MainForm" && change == Change::Caption) titles.push_back(control.caption);
  });
  std::vector<Progress_Report> reports;
  std::vector<int64_t> times_us;
  app.form.progress.Set_Listener([&](const Progress_Report& r) {
    reports.push_back(r);
    times_us.push_back(app.host.clock.Now_Us());
  });
  app.form.Prom_Buffer.fill(0x81);
  app.form.Click("Program_Eprom");
  ASSERT_EQ(app.form.window.Get("StaticText3").caption, "Device is Programmed....");

  EXPECT_EQ(app.form.window.Get("MainForm").caption, title);
  ASSERT_GT(titles.size(), 100u);
  EXPECT_EQ(titles.front(), "Programming 0 % \xE2\x80\x93 " + title);
  EXPECT_EQ(titles.back(), title);
  const auto half = std::find_if(titles.begin(), titles.end(), [](const std::string& t) {
    return t.rfind("Programming 50 %", 0) == 0;
  });
  ASSERT_NE(half, titles.end());
  EXPECT_NE(half->find(" left \xE2\x80\x93 " + title), std::string::npos) << *half;
  EXPECT_NE(std::find_if(half, titles.end(),
                         [](const std::string& t) { return t.rfind("Verifying 99 %", 0) == 0; }),
            titles.end());
  // Halfway through programming, about as much time is left as has passed.
  const auto at_half = std::find_if(reports.begin(), reports.end(), [](const Progress_Report& r) {
    return r.activity == "Programming" && r.percent == 50;
  });
  ASSERT_NE(at_half, reports.end());
  const int64_t passed_s = (times_us[static_cast<std::size_t>(at_half - reports.begin())] -
                            times_us.front()) / 1'000'000;
  ASSERT_GT(passed_s, 0);
  EXPECT_NEAR(static_cast<double>(*at_half->seconds_left), static_cast<double>(passed_s),
              1.0 + 0.05 * static_cast<double>(passed_s));
  // The time left only shrinks within a pass once it is known.
  std::optional<int64_t> last_left;
  bool verifying = false;
  for (const Progress_Report& r : reports) {
    if (r.finished || !r.seconds_left) continue;
    if (r.activity == "Verifying" && !verifying) {
      verifying = true;
      last_left.reset();
    }
    if (last_left) {
      EXPECT_LE(*r.seconds_left, *last_left + 1) << r.activity << " " << r.percent;
    }
    last_left = r.seconds_left;
  }
  EXPECT_TRUE(verifying);
  EXPECT_TRUE(reports.back().finished);
}

}  // namespace
}  // namespace tarnik::testing
