// The simulated programmer with its part, as both front ends build it: the
// socket that follows the device list, the part kept in a state file, and
// the state files that cannot be used.

#include "sim/sim_setup.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/test_files.h"

namespace tarnik::sim {
namespace {

using tarnik::testing::Read_File;
using tarnik::testing::Temp_Dir;

const Device_Type& Type(const char* caption) { return *Find_Device_Type(caption); }

TEST(Sim_Setup, Without_A_State_File_The_Socket_Follows_The_Chosen_Type) {
  Virtual_Clock clock;
  Sim_Setup setup(clock, {});
  EXPECT_FALSE(setup.Refused());
  EXPECT_EQ(setup.Part().Type(), nullptr);
  EXPECT_EQ(setup.Part().Data_Pins(), 0xFF);  // an empty socket floats high
  EXPECT_FALSE(setup.Type_Chosen(nullptr));  // a row that is no type changes nothing
  EXPECT_EQ(setup.Part().Type(), nullptr);

  EXPECT_FALSE(setup.Type_Chosen(&Type("82S129")));
  const Sim_Part* first = &setup.Part();
  EXPECT_EQ(first->Type(), &Type("82S129"));
  EXPECT_EQ(first->Data_Pins(), 0xF0);  // blank, 4 bits driven
  EXPECT_FALSE(setup.Type_Chosen(&Type("82S129")));
  EXPECT_EQ(&setup.Part(), first);  // the same type: the same part
  EXPECT_FALSE(setup.Type_Chosen(&Type("82S181")));
  EXPECT_EQ(setup.Part().Type(), &Type("82S181"));
  EXPECT_FALSE(setup.Save_If_Changed());  // nothing to write to
}

TEST(Sim_Setup, A_Named_Part_Stays_And_Is_Said_Once) {
  Virtual_Clock clock;
  Sim_Setup_Options options;
  options.part_name = "82s131";
  options.initial_type = "82S129";
  Sim_Setup setup(clock, options);
  EXPECT_EQ(setup.Part().Type(), &Type("82S131"));
  EXPECT_FALSE(setup.Type_Chosen(&Type("82S131")));
  EXPECT_EQ(setup.Type_Chosen(&Type("82S129")), "Simulated socket holds a 82S131, not a 82S129");
  EXPECT_FALSE(setup.Type_Chosen(&Type("82S126")));
  EXPECT_EQ(setup.Part().Type(), &Type("82S131"));

  options.part_name = "none";
  Sim_Setup empty(clock, options);
  EXPECT_EQ(empty.Part().Type(), nullptr);
  EXPECT_TRUE(empty.Type_Chosen(&Type("82S129")));
  EXPECT_EQ(empty.Part().Type(), nullptr);

  options.part_name = "82S999";
  Sim_Setup unknown(clock, options);
  EXPECT_TRUE(unknown.Refused());
  EXPECT_NE(unknown.Error().find("82S999"), std::string::npos);
  EXPECT_EQ(unknown.Part().Type(), nullptr);
}

TEST(Sim_Setup, A_State_File_Takes_The_First_Type_Chosen_And_Keeps_It) {
  Temp_Dir folder;
  Virtual_Clock clock;
  Sim_Setup_Options options;
  options.state_path = folder.File("part.txt");
  {
    Sim_Setup setup(clock, options);
    EXPECT_EQ(setup.Part().Type(), nullptr);
    EXPECT_FALSE(setup.Type_Chosen(&Type("82S129")));
    EXPECT_EQ(setup.Part().Type(), &Type("82S129"));
    EXPECT_FALSE(setup.Save_If_Changed());
    const std::string saved = Read_File(options.state_path);
    EXPECT_NE(saved.find("firmware 1.07\n"), std::string::npos);
    EXPECT_NE(saved.find("type 82S129\n"), std::string::npos);
    // Once it has a type the part stays, and the list says where it lives.
    const auto note = setup.Type_Chosen(&Type("82S181"));
    ASSERT_TRUE(note);
    EXPECT_EQ(*note, "Simulated socket holds a 82S129, not a 82S181 (kept in " +
                         options.state_path + ")");
    EXPECT_EQ(setup.Part().Type(), &Type("82S129"));
  }
  testing::Write_File(options.state_path, "firmware 1.06\ntype 82S123\n010: 01 02\n");
  Sim_Setup again(clock, options);
  EXPECT_FALSE(again.Refused());
  EXPECT_EQ(again.Part().Type(), &Type("82S123"));
  EXPECT_EQ(again.Part().Fuses()[0x11], 0x02);
  EXPECT_EQ(again.Programmer().Firmware_Minor(), 6);
  options.firmware = Firmware_Version{1, 8};
  Sim_Setup newer(clock, options);
  EXPECT_EQ(newer.Programmer().Firmware_Minor(), 8);
  EXPECT_FALSE(newer.Save_If_Changed());
  EXPECT_NE(Read_File(options.state_path).find("firmware 1.08\n"), std::string::npos);
}

TEST(Sim_Setup, State_Files_That_Cannot_Be_Used_Are_Named_And_Left_Alone) {
  Temp_Dir folder;
  Virtual_Clock clock;
  struct Case {
    const char* name;
    const char* text;       // the file's content; null: no file
    const char* part_name;  // --sim-part
    const char* said;       // part of the error
  };
  const Case cases[] = {
      {"damaged", "type 82S999\n", "", "is damaged: no PROM type named 82S999"},
      {"bad firmware", "firmware one\ntype 82S129\n", "", "is damaged"},
      {"bad bytes", "type 82S129\n000: 0G\n", "", "is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sim_Setup_Options options;
    options.state_path = folder.File(std::string(c.name) + ".txt");
    options.part_name = c.part_name;
    testing::Write_File(options.state_path, c.text);
    Sim_Setup setup(clock, options);
    EXPECT_TRUE(setup.Refused());
    EXPECT_NE(setup.Error().find(options.state_path), std::string::npos) << setup.Error();
    EXPECT_NE(setup.Error().find(c.said), std::string::npos) << setup.Error();
    (void)setup.Type_Chosen(&Type("82S181"));
    EXPECT_FALSE(setup.Save_If_Changed());
    EXPECT_EQ(Read_File(options.state_path), c.text);
  }

  // A state file holding another part than the one named keeps its own.
  Sim_Setup_Options other;
  other.state_path = folder.File("other.txt");
  other.part_name = "82S131";
  testing::Write_File(other.state_path, "type 82S129\n000: 05\n");
  Sim_Setup kept(clock, other);
  EXPECT_EQ(kept.Error(), other.state_path +
                              " holds a 82S129, not a 82S131; drop --sim-part or use another "
                              "state file");
  EXPECT_EQ(kept.Part().Type(), &Type("82S129"));
  EXPECT_EQ(kept.Part().Fuses()[0], 0x05);

  Sim_Setup_Options folder_as_file;
  folder_as_file.state_path = folder.Path().string();
  EXPECT_NE(Sim_Setup(clock, folder_as_file).Error().find("cannot read"), std::string::npos);

  // A state that cannot be written is said once, not after every command.
  Sim_Setup_Options unwritable;
  unwritable.state_path = folder.File("missing/part.txt");
  Sim_Setup setup(clock, unwritable);
  EXPECT_FALSE(setup.Refused());
  EXPECT_FALSE(setup.Type_Chosen(&Type("82S129")));
  const auto error = setup.Save_If_Changed();
  ASSERT_TRUE(error);
  EXPECT_EQ(*error, "cannot write the simulator state " + unwritable.state_path);
  EXPECT_FALSE(setup.Save_If_Changed());
}

}  // namespace
}  // namespace tarnik::sim
