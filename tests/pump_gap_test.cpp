// The window is never left unpainted for long: every device operation lets
// it process its messages at least every 50 ms of modelled time, whatever
// the part's size and whatever the buffer holds.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "window/hex_text.h"
#include "devices/device_catalogue.h"
#include "sim/sim_part.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

constexpr int64_t Longest_Gap_Us = 50'000;

// The application over a part of `type_name`, with the virtual time of every
// pump recorded.
struct Pump_Recorder {
  explicit Pump_Recorder(std::string_view type_name) {
    std::string error;
    part = sim::Make_Sim_Part(type_name, error);
    sim::Seat_Part(app.simulator, *part);
    app.Start();
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type(type_name)->row);
    app.host.on_pump = [this] { pumps.push_back(app.host.clock.Now_Us()); };
  }

  // The longest stretch between two pumps while the button's command ran,
  // its start and end counted as pumps.
  int64_t Longest_Gap(const char* button) {
    pumps.assign(1, app.host.clock.Now_Us());
    app.form.Click(button);
    pumps.push_back(app.host.clock.Now_Us());
    int64_t longest = 0;
    for (std::size_t i = 1; i < pumps.size(); ++i)
      longest = std::max(longest, pumps[i] - pumps[i - 1]);
    return longest;
  }

  Sim_App app;
  std::unique_ptr<sim::Sim_Part> part;
  std::vector<int64_t> pumps;
};

struct Gap_Case {
  const char* type;
  const char* button;
  uint8_t fill;  // every buffer byte
  bool one_location;  // only location 0 holds the fill, the rest 00: a sparse buffer
};

TEST(Pump_Gap, No_Operation_Leaves_The_Window_Unpumped_For_More_Than_50_Ms) {
  const Gap_Case cases[] = {
      {"82S181", "Blank_Chk", 0x00, false},     {"82S123", "Blank_Chk", 0x00, false},
      {"82S181", "Verify_Eprom", 0x5A, false},  {"82S123", "Verify_Eprom", 0x5A, false},
      {"82S181", "Move_Eprom", 0x00, false},    {"82S123", "Move_Eprom", 0x00, false},
      {"82S181", "Compare", 0xFF, false},       {"82S123", "Compare", 0xFF, false},
      {"82S181", "Program_Eprom", 0xFF, true},  {"82S123", "Program_Eprom", 0xFF, true},
      {"82S181", "Program_Eprom", 0x00, false}, {"82S123", "Program_Eprom", 0xFF, false},
      {"82S181", "Program_Eprom", 0xFF, false},
  };
  for (const Gap_Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.button);
    Pump_Recorder r(c.type);
    if (c.one_location) {
      r.app.form.Prom_Buffer.fill(0x00);
      r.app.form.Prom_Buffer[0] = c.fill;
    } else {
      r.app.form.Prom_Buffer.fill(c.fill);
    }
    const int64_t start = r.app.host.clock.Now_Us();
    EXPECT_LE(r.Longest_Gap(c.button), Longest_Gap_Us);
    // Every location was visited: the operation ran its whole course.
    const int32_t end = Find_Device_Type(c.type)->end;
    EXPECT_EQ(r.app.form.window.Get("Address").caption, Hex_Digits_At_Least(
                                                           static_cast<uint32_t>(end), 4));
    // Windowed reads take a fraction of a millisecond per location; every
    // location still costs modelled time on the wire.
    EXPECT_GT(r.app.host.clock.Now_Us() - start, int64_t{end} * 100);
    EXPECT_EQ(r.app.form.link.Link_Faults, 0u);
  }
}

}  // namespace
}  // namespace tarnik::testing
