#include "app/part_run.h"

#include <gtest/gtest.h>

#include "sim/sim_batch.h"
#include "devices/device_catalogue.h"

namespace tarnik {
namespace {

TEST(Part_Run, Tally_Names_The_Failed_Parts) {
  const std::pair<std::vector<bool>, const char*> cases[] = {
      {{true, true, true, true, true}, "5 Passed, 0 Failed"},
      {{true, true, false, true, true}, "4 Passed, 1 Failed: Part 3"},
      {{false, true, false}, "1 Passed, 2 Failed: Parts 1 and 3"},
      {{false, false, true, false}, "1 Passed, 3 Failed: Parts 1, 2 and 4"},
      {{}, "0 Passed, 0 Failed"},
  };
  for (const auto& [outcomes, tally] : cases) {
    Part_Run run;
    for (const bool passed : outcomes) run.Add(passed);
    EXPECT_EQ(run.Tally(), tally);
    EXPECT_EQ(run.Parts(), static_cast<int>(outcomes.size()));
  }
  EXPECT_EQ(Next_Part_Prompt(3, 20, true), "Part 3 of 20 Passed: Put In the Next Part and Press Enter");
  EXPECT_EQ(Next_Part_Prompt(7, 20, false), "Part 7 of 20 Failed: Put In the Next Part and Press Enter");
  EXPECT_EQ(Part_Outcome(7, 20, false), "Part 7 of 20 Failed");
}

TEST(Sim_Batch, Lists_Parse_Or_Are_Refused) {
  using sim::Batch_Part;
  Batch_Part used;
  used.used = {{0x10, 0x80}};
  Batch_Part both;
  both.used = {{0x3FF, 0xFF}};
  both.stuck = {{3, 7}};
  Batch_Part empty;
  empty.empty = true;
  const std::pair<const char*, std::optional<std::vector<Batch_Part>>> cases[] = {
      {"blank", std::vector<Batch_Part>{{}}},
      {"blank,used=10:80,empty", std::vector<Batch_Part>{{}, used, empty}},
      {"used=3ff:ff+stuck=3:7", std::vector<Batch_Part>{both}},
      {"", std::nullopt},
      {"blank,", std::nullopt},
      {"used=400:01", std::nullopt},   // past the largest part
      {"used=10:100", std::nullopt},   // more than a byte
      {"stuck=3:8", std::nullopt},     // no bit 8
      {"stuck=3", std::nullopt},
      {"used=-1:01", std::nullopt},
      {"burnt", std::nullopt},
  };
  for (const auto& [text, parts] : cases) EXPECT_EQ(sim::Parse_Batch(text), parts) << text;
}

TEST(Sim_Batch, Parts_Come_Used_Stuck_Or_Missing) {
  const Device_Type* type = Find_Device_Type("82S135");
  sim::Batch_Part entry;
  entry.used = {{0x10, 0x81}, {0x300, 0xFF}};  // the second lies past this part
  const auto part = sim::Make_Batch_Part(entry, type);
  EXPECT_EQ(part->Fuses()[0x10], 0x81);
  EXPECT_EQ(part->Fuses()[0x300], 0x00);
  sim::Batch_Part missing;
  missing.empty = true;
  EXPECT_EQ(sim::Make_Batch_Part(missing, type)->Type(), nullptr);
}

}  // namespace
}  // namespace tarnik
