#include "sim/sim_part.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "devices/device_access.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

std::unique_ptr<sim::Sim_Part> Part(std::string_view name) {
  std::string error;
  auto part = sim::Make_Sim_Part(name, error);
  EXPECT_NE(part, nullptr) << error;
  return part;
}

// The register writes of addressing a location in the programming state,
// as the wire carries them: the address phase's control value has A9 set.
void Address(sim::Sim_Part& part, int address) {
  part.Register_Written(Reg_Mode, 0x1A);
  part.Register_Written(Reg_Addr_Lo, static_cast<uint8_t>(address & 0xFF));
  part.Register_Written(Reg_Supply, static_cast<uint8_t>(0x62 | ((address >> 8) & 1)));
  part.Register_Written(Reg_Control, 0xE5);
  part.Register_Written(Reg_Control, 0x65);
}

// One fusing pulse with the given pulse supply and mode.
void Pulse(sim::Sim_Part& part, int address, int bit, uint8_t pulse_supply,
           uint8_t pulse_mode = 0x12) {
  const auto a8 = static_cast<uint8_t>((address >> 8) & 1);
  part.Register_Written(Reg_Mode, pulse_mode);
  part.Register_Written(Reg_Supply, static_cast<uint8_t>(pulse_supply | a8));
  part.Register_Written(Reg_Bit_Select, static_cast<uint8_t>(bit));
  part.Register_Written(Reg_Control, 0x61);
  part.Register_Written(Reg_Control, 0xE1);
  part.Register_Written(Reg_Control, 0x61);
  part.Register_Written(Reg_Control, 0xE5);
  part.Register_Written(Reg_Supply, static_cast<uint8_t>(pulse_supply | a8));
  part.Register_Written(Reg_Supply, static_cast<uint8_t>(0x62 | a8));
  part.Register_Written(Reg_Mode, 0x1A);
}

uint8_t Read_At(sim::Sim_Part& part, int address) {
  part.Register_Written(Reg_Addr_Lo, static_cast<uint8_t>(address & 0xFF));
  part.Register_Written(Reg_Supply, static_cast<uint8_t>(0x62 | ((address >> 8) & 1)));
  part.Register_Written(Reg_Control, 0xE5);
  return part.Data_Pins();
}

TEST(Sim_Part, A_New_Part_Reads_Zero_And_Four_Bit_Upper_Pins_Float_High) {
  struct Blank_Case {
    const char* type;
    uint8_t reads;
  };
  for (const Blank_Case& c : {Blank_Case{"82S23", 0x00}, Blank_Case{"82S129", 0xF0},
                              Blank_Case{"74S571B", 0xF0}, Blank_Case{"74S473", 0x00},
                              Blank_Case{"82S181", 0x00}, Blank_Case{"none", 0xFF}}) {
    auto part = Part(c.type);
    for (int address : {0, 0x1F, 0xFF, 0x1FF})
      EXPECT_EQ(Read_At(*part, address), c.reads) << c.type << " at " << address;
    EXPECT_TRUE(part->Fuse_Record().empty());
  }
}

TEST(Sim_Part, A_Bit_Fuses_Only_Under_A_Pulse_Of_The_Parts_Own_Family) {
  struct Family_Case {
    const char* type;
    uint8_t pulse_supply;
    bool fuses;
  };
  const Family_Case cases[] = {
      {"82S123", 0x66, true},  {"82S123", 0x36, false}, {"74S188", 0x36, true},
      {"74S188", 0x66, false}, {"82S129", 0x66, true},  {"74S287", 0x66, false},
      {"74S472", 0x36, true},  {"82S181", 0x36, false}, {"82S135", 0x76, false},
  };
  for (const Family_Case& c : cases) {
    auto part = Part(c.type);
    Address(*part, 0x12);
    Pulse(*part, 0x12, 1, c.pulse_supply);
    EXPECT_EQ(part->Pulses(), 1u) << c.type;
    EXPECT_EQ(part->Fuses()[0x12], c.fuses ? 0x02 : 0x00) << c.type;
    EXPECT_EQ(part->Fuse_Record().size(), c.fuses ? 1u : 0u) << c.type;
  }
}

TEST(Sim_Part, Nothing_Fuses_Outside_The_Pulse_Mode_Or_Past_The_Data_Bits) {
  auto eight = Part("82S147");
  Address(*eight, 0x40);
  Pulse(*eight, 0x40, 0, 0x66, 0x1A);  // the programming state, not the pulse mode
  Pulse(*eight, 0x40, 8, 0x66);        // no ninth data bit
  EXPECT_EQ(eight->Fuses()[0x40], 0x00);
  EXPECT_EQ(eight->Pulses(), 2u);
  EXPECT_EQ(eight->Fusing_Pulses(), 0u);

  auto four = Part("82S130");
  Address(*four, 0x40);
  Pulse(*four, 0x40, 4, 0x66);
  Pulse(*four, 0x40, 3, 0x66);
  EXPECT_EQ(four->Fuses()[0x40], 0x08);
  EXPECT_EQ(four->Fuse_Record(), (std::vector<sim::Fused_Bit>{{0x40, 3}}));
}

TEST(Sim_Part, Reads_And_Writes_Without_A_Pulse_Fuse_Nothing) {
  auto part = Part("82S135");
  for (int address = 0; address < 0x100; ++address) {
    Address(*part, address);
    Read_At(*part, address);
  }
  part->Register_Written(Reg_Control, 0x33);  // the voltage test
  part->Register_Written(Reg_Control, 0xE4);  // idle
  EXPECT_EQ(part->Pulses(), 0u);
  EXPECT_TRUE(part->Fuse_Record().empty());
}

TEST(Sim_Part, Fused_Bits_Never_Return_To_Zero) {
  auto part = Part("74S473");
  Address(*part, 0x1C3);
  Pulse(*part, 0x1C3, 6, 0x36);
  Pulse(*part, 0x1C3, 6, 0x36);
  Pulse(*part, 0x1C3, 0, 0x36);
  EXPECT_EQ(part->Fuses()[0x1C3], 0x41);
  EXPECT_EQ(part->Fuse_Record(), (std::vector<sim::Fused_Bit>{{0x1C3, 6}, {0x1C3, 0}}));
  EXPECT_EQ(part->Fusing_Pulses(), 3u);
  EXPECT_EQ(Read_At(*part, 0x1C3), 0x41);
  EXPECT_EQ(Read_At(*part, 0x0C3), 0x00);
}

TEST(Sim_Part, The_Address_Takes_As_Many_Lines_As_The_Part_Has) {
  struct Decode_Case {
    const char* type;
    int written;
    int decoded;
  };
  const Decode_Case cases[] = {
      {"82S23", 0x1F, 0x1F},   {"82S23", 0x125, 0x05},  {"82S126", 0x1FF, 0xFF},
      {"82S131", 0x1FF, 0x1FF}, {"74S472", 0x155, 0x155}, {"82S181", 0x3A7, 0x3A7},
      {"82S181", 0x1A7, 0x3A7},  // A9 is set in every address phase
  };
  for (const Decode_Case& c : cases) {
    auto part = Part(c.type);
    Address(*part, c.written);
    EXPECT_EQ(part->Address(), c.decoded) << c.type << " " << c.written;
  }
}

TEST(Sim_Part, A9_Comes_From_The_Address_Phase_And_Holds_Through_A_Pulse) {
  auto part = Part("82S181");
  part->Register_Written(Reg_Mode, 0x1A);
  part->Register_Written(Reg_Addr_Lo, 0x10);
  part->Register_Written(Reg_Supply, 0x62);
  part->Register_Written(Reg_Control, 0xE1);  // A9 low
  EXPECT_EQ(part->Address(), 0x010);
  part->Register_Written(Reg_Control, 0xE5);  // A9 high
  EXPECT_EQ(part->Address(), 0x210);
  Pulse(*part, 0x210, 2, 0x66);  // its control writes clear bit 2 inside the pulse mode
  EXPECT_EQ(part->Fuse_Record(), (std::vector<sim::Fused_Bit>{{0x210, 2}}));
}

TEST(Sim_Part, Over_The_Wire_Every_Address_Phase_Carries_A9) {
  Sim_App app;
  auto part = Part("82S181");
  sim::Seat_Part(app.simulator, *part);
  app.Start();
  int32_t device_end = 0x3FF;
  Device_Access access(app.form.link, app.form.window, app.form.pump, device_end);
  access.Read_Setup();
  for (int32_t address : {0x000, 0x1FF, 0x200, 0x3FF}) {
    app.form.link.Dev_Addr = address;
    access.Set_Address();
    app.form.link.Flush();
    EXPECT_EQ(part->Address(), address | 0x200) << address;
  }
}

TEST(Sim_Part, A_Seated_Part_Answers_The_Programmers_Reads) {
  Sim_App app;
  auto part = Part("82S129");
  sim::Seat_Part(app.simulator, *part);
  app.Start();
  Address(*part, 0x33);
  Pulse(*part, 0x33, 0, 0x66);
  Pulse(*part, 0x33, 2, 0x66);
  Command_Link& link = app.form.link;
  for (auto [id, value] : {std::pair{Reg_Addr_Lo, 0x33}, {Reg_Supply, 0x62}, {Reg_Control, 0xE5}}) {
    link.Reg_Value = static_cast<uint16_t>(value);
    link.Write_Reg(id);
  }
  EXPECT_EQ(link.Read_Byte(), 0xF5);
}

TEST(Sim_Part, Parts_Are_Made_By_Caption_Row_Text_Or_None) {
  std::string error;
  EXPECT_EQ(sim::Make_Sim_Part("82s181", error)->Type_Name(), "82S181");
  EXPECT_EQ(sim::Make_Sim_Part("74LS471 256 X 8", error)->Type_Name(), "74S471");
  EXPECT_EQ(sim::Make_Sim_Part("NONE", error)->Type(), nullptr);
  EXPECT_EQ(sim::Make_Sim_Part("none", error)->Type_Name(), "none");
  EXPECT_EQ(sim::Make_Sim_Part("27C256", error), nullptr);
  EXPECT_EQ(error, "no PROM type named 27C256");
}

TEST(Sim_Part, The_State_Text_Names_The_Type_And_Holds_Every_Byte) {
  auto part = Part("74S287");
  Address(*part, 0x00);
  Pulse(*part, 0x00, 0, 0x36);
  Address(*part, 0xFF);
  Pulse(*part, 0xFF, 3, 0x36);
  const std::string text = part->State_Text();
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  ASSERT_EQ(lines.size(), 2u + 64u);
  EXPECT_EQ(lines[0].front(), '#');
  EXPECT_EQ(lines[1], "type 74S287");
  EXPECT_EQ(lines[2], "000: 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(lines[2 + 15], "0F0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 08");
  EXPECT_EQ(lines.back(), "3F0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

  std::string error;
  auto again = sim::Sim_Part::From_State_Text(text, error);
  ASSERT_NE(again, nullptr) << error;
  EXPECT_EQ(again->Type_Name(), "74S287");
  EXPECT_EQ(again->Fuses(), part->Fuses());
  EXPECT_TRUE(again->Fuse_Record().empty());
}

TEST(Sim_Part, A_Damaged_State_Is_Refused) {
  struct Bad_Case {
    const char* text;
    const char* error;
  };
  const Bad_Case cases[] = {
      {"000: 00 01\n", "the part's state names no type"},
      {"type 99X99\n", "no PROM type named 99X99"},
      {"type 82S23\n000: 0G\n", "line 2 of the part's state is not a line of bytes"},
      {"type 82S23\n008: 00\n", "line 2 of the part's state is not a line of bytes"},
      {"type 82S23\n400: 00\n", "line 2 of the part's state is not a line of bytes"},
      {"type 82S23\n\n010 00 00\n", "line 3 of the part's state is not a line of bytes"},
      {"type 82S23\n000: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
       "line 2 of the part's state is not a line of bytes"},
      {"type 82S23\n000: 100\n", "line 2 of the part's state is not a line of bytes"},
  };
  for (const Bad_Case& c : cases) {
    std::string error;
    EXPECT_EQ(sim::Sim_Part::From_State_Text(c.text, error), nullptr) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

TEST(Sim_Part, A_State_File_Keeps_The_Part_Between_Runs) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("sim_part_test_" + std::to_string(::getpid()));
  std::filesystem::remove(path);
  std::string error;
  auto fresh = sim::Load_Sim_Part(path.string(), "82S135", error);
  ASSERT_NE(fresh, nullptr) << error;
  EXPECT_EQ(fresh->Type_Name(), "82S135");
  EXPECT_EQ(fresh->Fuses(), sim::Fuse_Bytes{});
  Address(*fresh, 0xA0);
  Pulse(*fresh, 0xA0, 7, 0x66);
  ASSERT_TRUE(fresh->Save_State(path.string()));

  // A file that exists keeps its own type.
  auto kept = sim::Load_Sim_Part(path.string(), "74S188", error);
  ASSERT_NE(kept, nullptr) << error;
  EXPECT_EQ(kept->Type_Name(), "82S135");
  EXPECT_EQ(kept->Fuses()[0xA0], 0x80);
  EXPECT_EQ(Read_At(*kept, 0xA0), 0x80);

  std::ofstream(path) << "type 82S135\n0A0: zz\n";
  EXPECT_EQ(sim::Load_Sim_Part(path.string(), "82S135", error), nullptr);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace tarnik::testing
