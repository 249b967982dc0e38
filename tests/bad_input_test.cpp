// Bad input files and link faults around the checks: what the window's loads
// show, and the command line's exit status for each.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "files/file_commands.h"
#include "files/file_types.h"
#include "files/hex_writers.h"
#include "link/update_file.h"
#include "sim/sim_state.h"
#include "tests/cli_run.h"
#include "tests/fixture.h"
#include "tests/test_files.h"
#include "window/text_file.h"
#include "app/configuration.h"

namespace tarnik::testing {
namespace {

// The window over the simulator with a 256 x 8 type chosen.
struct Load_App {
  Load_App() {
    app.Start();
    app.form.Click("Device");
    app.form.Event("Device_Box", Event_Kind::Click, Find_Device_Type("82S135")->row);
    app.form.Prom_Buffer.fill(0x5A);
  }
  void Load(const std::string& path, int file_type) {
    app.form.Click("File_But");
    app.form.Event("File_Type", Event_Kind::Click, file_type);
    app.host.paths.push_back(path);
    app.form.Click("Load_But");
  }
  [[nodiscard]] const Control& Get(std::string_view name) const { return app.form.window.Get(name); }

  Sim_App app;
};

TEST(Bad_Input, The_Window_Says_What_Was_Wrong_With_A_Loaded_File) {
  Temp_Dir dir;
  dir.Write("empty.bin", "");
  dir.Write("empty.hex", "");
  dir.Write("garbage.hex", "this is no hex file\r\nat all\r\n");
  dir.Write("srec.hex", Write_Motorola_Records(Image_Of(1), 255));
  dir.Write("bad.hex", ":0200000012AB41\r\n:0200020034CD00\r\n:0200040056EF00\r\n:00000001FF\r\n");
  struct Case {
    std::string path;
    int file_type;
    std::string status;
    std::vector<std::string> memo;
    bool loaded;  // the buffer took data and the last-file line names the file
  };
  const std::string zero = "/dev/zero";
  const std::string too_long = Too_Long_Text(zero, Input_File_Limit) + "; nothing was loaded";
  const Case cases[] = {
      {dir.File("empty.bin"), File_Binary, "No Data Loaded from " + dir.File("empty.bin") + "....",
       {No_Data_Text(dir.File("empty.bin"))}, false},
      {dir.File("empty.hex"), File_Intel_Hex, "No Data Loaded from " + dir.File("empty.hex") + "....",
       {No_Data_Text(dir.File("empty.hex"))}, false},
      {dir.File("garbage.hex"), File_Motorola_Hex,
       "No Data Loaded from " + dir.File("garbage.hex") + "....",
       {No_Data_Text(dir.File("garbage.hex"))}, false},
      {dir.File("srec.hex"), File_Intel_Hex, "No Data Loaded from " + dir.File("srec.hex") + "....",
       {No_Data_Text(dir.File("srec.hex"))}, false},
      {dir.File("bad.hex"), File_Intel_Hex, "Bad Check Sums in " + dir.File("bad.hex") + "....",
       {Bad_Checksums_Text(dir.File("bad.hex"), 2, 2)}, true},
      {zero, File_Binary, "File Too Long /dev/zero....", {too_long}, false},
      {zero, File_Intel_Hex, "File Too Long /dev/zero....", {too_long}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " as " + std::to_string(c.file_type));
    Load_App f;
    const std::string last_file = f.Get("StaticText4").caption;
    f.Load(c.path, c.file_type);
    EXPECT_EQ(f.Get("StaticText3").caption, c.status);
    EXPECT_EQ(f.Get("StaticText3").colour, colours::Red);
    EXPECT_EQ(f.Get("Memo1").lines, c.memo);
    EXPECT_TRUE(f.Get("Memo1").visible);
    EXPECT_TRUE(f.Get("Load_But").enabled);
    if (c.loaded) {
      EXPECT_EQ(f.app.form.Prom_Buffer[2], 0x34);
    } else {
      EXPECT_EQ(f.app.form.Prom_Buffer, Image_Of(0x5A));
    }
    // A file that was read loads as it is and becomes the last file.
    const bool read_whole = c.path != zero;
    EXPECT_EQ(f.Get("StaticText4").caption,
              read_whole ? Last_File_Prefix + c.path : last_file);
  }
}

TEST(Bad_Input, A_Malformed_Field_Keeps_Its_Box_Text_And_The_List_Names_File_And_Line) {
  Temp_Dir dir;
  dir.Write("odd.asc", "0011\r\n2233\r\n44 55\r\n");
  Load_App f;
  f.Load(dir.File("odd.asc"), File_Ascii_Hex);
  ASSERT_FALSE(f.app.host.boxes.empty());
  EXPECT_EQ(f.app.host.boxes.back().text, "'$ 5' is not a valid integer value.");
  EXPECT_EQ(f.Get("Memo1").lines,
            std::vector<std::string>{dir.File("odd.asc") + " line 3: '$ 5' is not a valid integer value"});
  EXPECT_EQ(f.app.form.Prom_Buffer, Image_Of(0x5A));
}

TEST(Bad_Input, Start_Up_With_An_Endless_Last_File_Or_Configuration_Ends) {
  Temp_Dir dir;
  {
    Sim_App app;
    app.host.current_directory = dir.Path().string();
    dir.Write(Config_File_Name, "15\r\n0\r\n255\r\n662\r\n476\r\n120\r\n180\r\n0\r\n/dev/zero\r\n");
    app.form.FormActivate();
    EXPECT_EQ(app.form.window.Get("StaticText4").caption, "Last File Loaded in Buffer=No File Loaded");
    EXPECT_EQ(app.form.Prom_Buffer, Prom_Image{});
    EXPECT_FALSE(app.form.Command_Running());
  }
  {
    Sim_App app;
    app.host.current_directory = dir.Path().string();
    dir.Write(Config_File_Name, std::string(Config_File_Limit + 1, '1'));
    app.form.FormActivate();
    const std::string path = (dir.Path() / Config_File_Name).string();
    EXPECT_EQ(app.host.Box_Texts().front(),
              Too_Long_Text(path, Config_File_Limit) + "; it is not read.");
    EXPECT_EQ(app.form.devices.selection.Device_End, 0);
  }
}

using Run_Result = ::tarnik::testing::Cli_Result;
constexpr auto Run_Command_Line = ::tarnik::testing::Run_Cli_Args;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Bad_Input, The_Command_Line_Refuses_Files_That_Give_No_Data_Or_No_End) {
  Temp_Dir dir;
  dir.Write("empty.bin", "");
  dir.Write("garbage.hex", "garbage\r\n");
  dir.Write("odd.asc", "0011\r\n22 33\r\n");
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string empty = dir.File("empty.bin");
  const Case cases[] = {
      {{"program", empty}, No_Data_Text(empty)},
      {{"verify", empty}, No_Data_Text(empty)},
      {{"compare", empty}, No_Data_Text(empty)},
      {{"checksum", empty}, No_Data_Text(empty)},
      {{"convert", empty, dir.File("out.hex")}, No_Data_Text(empty)},
      {{"verify", dir.File("garbage.hex")}, No_Data_Text(dir.File("garbage.hex"))},
      {{"-t", "motorola", "checksum", dir.File("garbage.hex")}, No_Data_Text(dir.File("garbage.hex"))},
      {{"checksum", "/dev/zero"}, "/dev/zero is longer than"},
      {{"-t", "intel", "checksum", "/dev/zero"}, "/dev/zero is longer than"},
      {{"verify", dir.File("odd.asc")}, dir.File("odd.asc") + " line 2: '$ 3' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--simulate", "-d", "82S129"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Run_Result r = Run_Command_Line(args);
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    EXPECT_EQ(r.status, cli::Exit_Bad_Usage) << r.out << r.err;
    EXPECT_TRUE(Has(r.err, c.err)) << r.err;
    EXPECT_FALSE(Has(r.out, "Device Verified") || Has(r.out, "Device is Programmed")) << r.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.hex")));
}

TEST(Bad_Input, Wrong_Checksums_And_Unknown_Records_Exit_2_Unless_Lenient) {
  struct Case {
    const char* name;
    const char* text;
    std::string (*reason)(const std::string&, std::size_t, std::size_t);
    std::size_t line;
  };
  const Case cases[] = {
      {"data record", ":020000000000FF\r\n:00000001FF\r\n", Bad_Checksums_Text, 1},
      {"end record", ":020000000000FE\r\n:00000001FE\r\n", Bad_Checksums_Text, 2},
      {"address record", ":02000004000000\r\n:020000000000FE\r\n", Bad_Checksums_Text, 1},
      {"unknown type", ":020000000000FE\r\n:0000000DF3\r\n", Unknown_Records_Text, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Temp_Dir dir;
    dir.Write("bad.hex", c.text);
    const std::string path = dir.File("bad.hex");
    const Run_Result strict = Run_Command_Line({"--simulate", "-d", "82S129", "verify", path});
    EXPECT_EQ(strict.status, cli::Exit_Bad_Usage);
    EXPECT_TRUE(Has(strict.err, c.reason(path, 1, c.line))) << strict.err;
    EXPECT_FALSE(Has(strict.out, "Verifying")) << strict.out;
    const Run_Result lenient =
        Run_Command_Line({"--simulate", "--lenient", "-d", "82S129", "verify", path});
    EXPECT_EQ(lenient.status, cli::Exit_Passed) << lenient.out << lenient.err;
    EXPECT_TRUE(Has(lenient.out, "Device Verified to Buffer....")) << lenient.out;
  }
}

TEST(Bad_Input, Convert_Needs_A_Type_And_May_Write_Over_Its_Input) {
  Temp_Dir dir;
  std::string image(1024, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7 + 1);
  dir.Write("a.bin", image);
  const Run_Result no_type = Run_Command_Line({"convert", dir.File("a.bin"), dir.File("b.bin")});
  EXPECT_EQ(no_type.status, cli::Exit_Bad_Usage);
  EXPECT_TRUE(Has(no_type.err, "convert needs a device")) << no_type.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.bin")));

  const Run_Result same = Run_Command_Line({"--simulate", "-d", "82S181", "convert", dir.File("a.bin"), dir.File("a.bin")});
  EXPECT_EQ(same.status, cli::Exit_Passed) << same.err;
  EXPECT_EQ(Read_File(dir.File("a.bin")), image);
}

// Runs the command line in a shell that limits the size of the files it may
// write.
int Run_Limited(const std::string& args, int limit_blocks) {
  const std::string command = "ulimit -f " + std::to_string(limit_blocks) + "; exec '" +
                              TARNIK_CLI_PATH + "' " + args + " >/dev/null 2>&1";
  const int status = std::system(("sh -c \"" + command + "\"").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Bad_Input, A_Save_Cut_Short_By_A_File_Size_Limit_Leaves_The_Old_File) {
  Temp_Dir dir;
  std::string image(1024, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 5 + 3);
  dir.Write("in.bin", image);
  dir.Write("out.hex", "old\r\n");
  const int status =
      Run_Limited("--simulate -d 82S181 convert '" + dir.File("in.bin") + "' '" + dir.File("out.hex") + "'", 2);
  EXPECT_EQ(status, cli::Exit_Bad_Usage);
  EXPECT_EQ(Read_File(dir.File("out.hex")), "old\r\n");
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            2);
}

// The packets of a clean run up to its end, before the shut-down's idle.
int Packets_Before_Shut_Down(const std::vector<std::string>& args) {
  std::vector<std::string> with_stats = {"--stats"};
  with_stats.insert(with_stats.end(), args.begin(), args.end());
  const Run_Result clean = Run_Command_Line(with_stats);
  const std::size_t at = clean.out.find("packets-out=");
  return std::atoi(clean.out.c_str() + at + 12) - 5;
}

TEST(Bad_Input, Link_Faults_Around_The_Check_Exit_3) {
  Temp_Dir dir;
  dir.Write("img.bin", std::string(256, '\0'));
  const std::string image = dir.File("img.bin");
  // Unplugged after discovery (the version query and the idle sequence): the load's idle
  // sequence fails, which is the link's fault, not the file's.
  const Run_Result load = Run_Command_Line({"--simulate", "--sim-fault", "unplug=6", "-d", "82S129", "verify", image});
  EXPECT_EQ(load.status, cli::Exit_No_Programmer) << load.out << load.err;
  EXPECT_FALSE(Has(load.out, "Verifying")) << load.out;

  // Unplugged once the check is done: its result stands in the output, but
  // the programmer was not left idle.
  for (const std::string command : {"blank", "verify"}) {
    std::vector<std::string> args = {"--simulate", "-d", "82S129", command};
    if (command == "verify") args.push_back(image);
    const int packets = Packets_Before_Shut_Down(args);
    args.insert(args.begin() + 1, {"--sim-fault", "unplug=" + std::to_string(packets)});
    const Run_Result late = Run_Command_Line(args);
    EXPECT_EQ(late.status, cli::Exit_No_Programmer) << command << late.out << late.err;
    EXPECT_TRUE(Has(late.out, command == "blank" ? "Device is Erased...." : "Device Verified to Buffer...."))
        << late.out;
    EXPECT_TRUE(Has(late.err, "FT_Write - ")) << late.err;
  }

  // A state file that cannot be written loses the part's fuses.
  const Run_Result state = Run_Command_Line({"--simulate=/proc/tarnik-no-such-state", "-d", "82S129", "blank"});
  EXPECT_EQ(state.status, cli::Exit_No_Programmer) << state.err;
  EXPECT_TRUE(Has(state.err, "cannot write the simulator state /proc/tarnik-no-such-state")) << state.err;
}

TEST(Bad_Input, A_Bad_Simulator_State_Is_Refused_With_Its_Name) {
  Temp_Dir dir;
  dir.Write("long.txt", std::string(sim::Sim_State_Limit + 1, '#'));
  dir.Write("damaged.txt", "type 82S129\n000: 0G\n");
  dir.Write("firmware.txt", "firmware one\ntype 82S129\n");
  const std::pair<std::string, std::string> cases[] = {
      {"long.txt", dir.File("long.txt") + " is longer than 65536 bytes"},
      {"damaged.txt", "the simulator state " + dir.File("damaged.txt") +
                          " is damaged: line 2 of the part's state is not a line of bytes"},
      {"firmware.txt", "the simulator state " + dir.File("firmware.txt") +
                           " is damaged: the firmware line is no version such as 1.07"},
  };
  for (const auto& [name, error] : cases) {
    const Run_Result r = Run_Command_Line({"--simulate=" + dir.File(name), "-d", "82S129", "blank"});
    EXPECT_EQ(r.status, cli::Exit_Bad_Usage) << name;
    EXPECT_TRUE(Has(r.err, error)) << r.err;
  }
  // The endless input is refused in bounded memory too.
  std::string error;
  EXPECT_EQ(sim::Load_Sim_State("/dev/zero", "82S129", error).part, nullptr);
  EXPECT_EQ(error, "/dev/zero is longer than 65536 bytes; it is no simulator state");
}

TEST(Bad_Input, Update_Exit_Status_Follows_Its_Outcome) {
  Temp_Dir dir;
  std::vector<uint8_t> flash(5 * 66);
  for (std::size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<uint8_t>(i + 9);
  const std::vector<uint8_t> update = Build_Update_File(1, 7, flash);
  dir.Write("update.bin", std::string(update.begin(), update.end()));
  std::string long_file(update.begin(), update.end());
  long_file.resize(Update_Max_Read + 1, '\xFF');
  dir.Write("long.bin", long_file);
  struct Case {
    std::string fault;
    std::string file;
    int status;
    std::string box;
  };
  const Case cases[] = {
      {"", "update.bin", cli::Exit_Passed, "Good Update..."},
      {"no-reply=3", "update.bin", cli::Exit_No_Programmer, "Record Reply(s) Lost"},
      {"unplug=4", "update.bin", cli::Exit_No_Programmer, "Not Sent Whole"},
      {"", "long.bin", cli::Exit_Bad_Usage, "Update File Too Long... Can Not Update Units With This File......"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault + " " + c.file);
    std::vector<std::string> args = {"--simulate", "--sim-firmware", "1.06", "--yes"};
    if (!c.fault.empty()) args.insert(args.end(), {"--sim-fault", c.fault});
    args.insert(args.end(), {"update", dir.File(c.file)});
    const Run_Result r = Run_Command_Line(args);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_TRUE(Has(r.err, c.box)) << r.err;
  }
}

}  // namespace
}  // namespace tarnik::testing
