// The command line's repeated reads, empty-socket warning, dump identity and
// safe burn, end to end over the simulator.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cli/cli_app.h"
#include "app/options.h"
#include "tests/cli_run.h"
#include "tests/known_images.h"
#include "tests/test_files.h"

namespace tarnik::cli {
namespace {

using tarnik::testing::Read_File;
using tarnik::testing::Scoped_Env;
using tarnik::testing::Temp_Dir;

using Run_Result = ::tarnik::testing::Cli_Result;
constexpr auto Run_Args = ::tarnik::testing::Run_Cli_Args;

std::string First_Line_Of(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    if (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text = buffer;
    pclose(pipe);
  }
  return text.substr(0, text.find('\n'));
}

TEST(Cli_Part_Checks, Repeated_Reads_Keep_The_Majority_And_List_The_Weak_Bit) {
  Temp_Dir folder;
  const std::vector<std::string> flaky = {"--simulate", "--sim-fault", "flaky=13:2,flaky=40:0",
                                          "--sim-seed", "5", "-d", "82S129", "--passes", "7",
                                          "read"};
  auto args = flaky;
  args.push_back(folder.File("a.bin"));
  const Run_Result first = Run_Args(args);
  EXPECT_EQ(first.status, Exit_Part_Failed) << first.out << first.err;
  EXPECT_TRUE(first.Says("0013  UNSTABLE-04\n0040  UNSTABLE-01\n2 Locations Unstable in 7 Reads\n"))
      << first.out;
  // The same seed gives the same reads and the same file.
  args.back() = folder.File("b.bin");
  const Run_Result again = Run_Args(args);
  EXPECT_EQ(again.out.substr(again.out.find("0013")), first.out.substr(first.out.find("0013")));
  const std::string image = Read_File(folder.File("a.bin"));
  ASSERT_EQ(image.size(), 256u);
  EXPECT_EQ(Read_File(folder.File("b.bin")), image);
  for (std::size_t a = 0; a < image.size(); ++a) {
    if (a == 0x13 || a == 0x40) continue;
    EXPECT_EQ(image[a], 0) << a;
  }

  // A part that reads the same every time.
  const Run_Result steady = Run_Args({"--simulate", "-d", "82S129", "--passes", "3", "read",
                                      folder.File("c.bin")});
  EXPECT_EQ(steady.status, Exit_Passed) << steady.out << steady.err;
  EXPECT_TRUE(steady.Says("\n0 Locations Unstable in 3 Reads\n")) << steady.out;
  EXPECT_FALSE(steady.Says("UNSTABLE-"));
  // One read, the default, says nothing of stability.
  const Run_Result once = Run_Args({"--simulate", "-d", "82S129", "read", folder.File("d.bin")});
  EXPECT_EQ(once.status, Exit_Passed);
  EXPECT_FALSE(once.Says("Unstable"));
}

TEST(Cli_Part_Checks, An_Empty_Socket_Gets_The_Warning_And_Keeps_Its_Verdict) {
  Temp_Dir folder;
  const std::string warning =
      "Every Location Reads FF: Is the Socket Empty or the Part Turned Round?\n";
  const Run_Result read = Run_Args({"--simulate", "--sim-part", "none", "-d", "74S188", "read",
                                    folder.File("ff.bin")});
  EXPECT_EQ(read.status, Exit_Passed) << read.err;
  EXPECT_TRUE(read.Says(warning)) << read.out;
  const Run_Result blank = Run_Args({"--simulate", "--sim-part", "none", "-d", "74S188", "blank"});
  EXPECT_EQ(blank.status, Exit_Part_Failed);
  EXPECT_TRUE(blank.Says("32 Locations Differ: 0 Bits Missing, 256 Bits Extra\n" + warning))
      << blank.out;
  // A 4-bit part's empty socket reads 0F in its data bits, and the warning
  // says so.
  const Run_Result nibbles =
      Run_Args({"--simulate", "--sim-part", "none", "-d", "82S129", "verify", folder.File("ff.bin")});
  EXPECT_TRUE(nibbles.Says(
      "Every Location Reads 0F: Is the Socket Empty or the Part Turned Round?\n"))
      << nibbles.out;
  EXPECT_FALSE(nibbles.Says("Reads FF")) << nibbles.out;
  // A blank part in the socket gets no warning.
  const Run_Result real = Run_Args({"--simulate", "-d", "74S188", "blank"});
  EXPECT_EQ(real.status, Exit_Passed);
  EXPECT_FALSE(real.Says("Every Location"));
}

std::size_t Count_Of(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// A verify names the known image once, after its verdict; a checksum, which
// loads only, names it after the load.
TEST(Cli_Part_Checks, A_Verify_Names_The_Known_Image_Once_After_The_Verdict) {
  Temp_Dir folder;
  const Scoped_Env cache("XDG_CACHE_HOME", folder.File("cache"));
  const tarnik::testing::Bytes known = tarnik::testing::Pattern(32);
  folder.Write("k.dat", tarnik::testing::Datafile("Proms", "board",
                                                  tarnik::testing::Rom_Element("a.1", known)));
  folder.Write("img.bin", std::string(known.begin(), known.end()));
  const std::string state = "--simulate=" + folder.File("part.txt");
  ASSERT_EQ(Run_Args({state, "--sim-part", "82S123", "-d", "82S123", "program",
                      folder.File("img.bin")}).status,
            Exit_Passed);
  const std::string named = "Known Image: a.1 in board (Proms)\n";
  const Run_Result verify = Run_Args({state, "-d", "82S123", "--dat", folder.File("k.dat"),
                                      "verify", folder.File("img.bin")});
  EXPECT_EQ(verify.status, Exit_Passed) << verify.err;
  EXPECT_EQ(Count_Of(verify.out, "Known Image"), 1u) << verify.out;
  EXPECT_TRUE(verify.Says("Device Verified to Buffer....\n" + named)) << verify.out;
  const Run_Result checksum =
      Run_Args({"-d", "82S123", "--dat", folder.File("k.dat"), "checksum", folder.File("img.bin")});
  EXPECT_EQ(Count_Of(checksum.out, "Known Image"), 1u) << checksum.out;
}

TEST(Cli_Part_Checks, Read_And_Checksum_Print_The_Identity_Of_The_Saved_Bytes) {
  TARNIK_NEED_DIGEST_TOOLS();
  Temp_Dir folder;
  std::string image(32, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 13 + 1);
  folder.Write("img.bin", image);
  const std::string state = "--simulate=" + folder.File("s.txt");
  ASSERT_EQ(Run_Args({state, "--sim-part", "74S188", "-d", "74S188", "program",
                      folder.File("img.bin")}).status,
            Exit_Passed);
  const Run_Result read = Run_Args({state, "-d", "74S188", "read", folder.File("back.bin")});
  ASSERT_EQ(read.status, Exit_Passed) << read.out << read.err;
  const std::string saved = folder.File("back.bin");
  ASSERT_EQ(Read_File(saved), image);
  const std::string sha1 = First_Line_Of("sha1sum '" + saved + "'").substr(0, 40);
  const std::string crc = First_Line_Of(
      "python3 -c 'import sys, zlib; print(\"%08x\" % zlib.crc32(open(sys.argv[1], \"rb\").read()))' '" +
      saved + "'");
  const std::string identity = "CRC32=" + crc + " SHA1=" + sha1 + "\n";
  // After the status lines: the identity is the last line.
  EXPECT_EQ(read.out.substr(read.out.size() - identity.size()), identity) << read.out;
  const Run_Result sum = Run_Args({"-d", "74S188", "checksum", saved});
  EXPECT_EQ(sum.status, Exit_Passed);
  EXPECT_TRUE(sum.Says("CheckSum=") && sum.Says(identity)) << sum.out;
}

TEST(Cli_Part_Checks, Program_Burns_Nothing_And_Names_Every_Location_That_Cannot_Take_The_Image) {
  Temp_Dir folder;
  std::string first(32, '\0');
  first[3] = 0x01;
  first[9] = 0x10;
  first[0x13] = 0x7E;
  first[0x1F] = '\x80';
  folder.Write("first.bin", first);
  std::string second = first;
  second[3] = 0x02;     // bit 0 is fused on the part and not wanted; bit 1 is missing
  second[9] = 0x30;     // only adds a bit
  second[0x13] = 0x5A;  // bits 2 and 5 fused and not wanted
  second[0x1F] = 0x00;  // the last location
  second[0x14] = 0x04;  // only adds a bit
  folder.Write("second.bin", second);
  const std::string state = "--simulate=" + folder.File("s.txt");
  ASSERT_EQ(Run_Args({state, "--sim-part", "74S188", "-d", "74S188", "program",
                      folder.File("first.bin")}).status,
            Exit_Passed);
  const std::string before = Read_File(folder.File("s.txt"));

  const Run_Result safe = Run_Args({state, "-d", "74S188", "program", folder.File("second.bin")});
  EXPECT_EQ(safe.status, Exit_Part_Failed);
  EXPECT_TRUE(safe.Says("Comparing Device for Re-Progamablity....\n"
                        "0003  CANNOT TAKE-02 PART HAS-01\n"
                        "0013  CANNOT TAKE-5A PART HAS-7E\n"
                        "001F  CANNOT TAKE-00 PART HAS-80\n"
                        "Device CAN NOT be Reprogrammed....\n"
                        "3 Locations Cannot Take the Buffer\n"))
      << safe.out;
  EXPECT_FALSE(safe.Says("Programming Device from Buffer...."));
  EXPECT_EQ(Read_File(folder.File("s.txt")), before);

  // A check the link cuts short proves nothing and burns nothing.
  const Run_Result cut = Run_Args({state, "--sim-fault", "unplug=40", "-d", "74S188", "program",
                                   folder.File("second.bin")});
  EXPECT_EQ(cut.status, Exit_No_Programmer) << cut.out;
  EXPECT_TRUE(cut.Says("Stopped: Programmer Lost....")) << cut.out;
  EXPECT_FALSE(cut.Says("Programming Device from Buffer...."));
  EXPECT_EQ(Read_File(folder.File("s.txt")), before);

  const Run_Result forced =
      Run_Args({state, "-d", "74S188", "--force", "program", folder.File("second.bin")});
  EXPECT_EQ(forced.status, Exit_Part_Failed);
  EXPECT_FALSE(forced.Says("Comparing Device"));
  EXPECT_TRUE(forced.Says("Programming Device from Buffer....")) << forced.out;
  EXPECT_TRUE(forced.Says("0003  EXPECTED-02 FOUND-03\n")) << forced.out;
  EXPECT_NE(Read_File(folder.File("s.txt")), before);

  // A part that can take the image is checked, then burnt.
  second[3] = 0x03;
  second[0x13] = 0x7E;
  second[0x1F] = '\x80';
  folder.Write("third.bin", second);
  const Run_Result fits = Run_Args({state, "-d", "74S188", "program", folder.File("third.bin")});
  EXPECT_EQ(fits.status, Exit_Passed) << fits.out;
  EXPECT_TRUE(fits.Says("Device Can be Reprogrammed....\nProgramming Device from Buffer...."))
      << fits.out;
  EXPECT_FALSE(fits.Says("Cannot Take")) << fits.out;
}

TEST(Cli_Part_Checks, New_Options_Refuse_Bad_Values) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--simulate", "-d", "74S188", "--passes", "0", "read", "x.bin"},
           {"--simulate", "-d", "74S188", "--passes", "100", "read", "x.bin"},
           {"--simulate", "-d", "74S188", "--passes=two", "read", "x.bin"},
           {"--simulate", "-d", "74S188", "--sim-seed", "-1", "blank"},
           {"--simulate", "-d", "74S188", "--sim-fault", "flaky=13:9", "blank"},
           {"--simulate", "-d", "74S188", "--passes", "3", "blank"},
           {"--simulate", "-d", "74S188", "--force", "verify", "x.bin"},
       }) {
    const Run_Result r = Run_Args(args);
    EXPECT_EQ(r.status, Exit_Bad_Usage) << args[3] << " " << args[4];
    EXPECT_TRUE(r.out.empty());
  }
}

TEST(Cli_Part_Checks, The_Progress_Bar_Goes_To_A_Terminal_Only_And_Is_Erased) {
  Temp_Dir folder;
  const std::vector<std::string> args = {"--simulate", "-d", "82S181", "read", folder.File("p.bin")};
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(Run_Cli(args, out, err, true), Exit_Passed);
  const std::string bar = err.str();
  EXPECT_EQ(bar.rfind("\rReading [", 0), 0u) << bar;
  // Erased at the end: blanks over the last bar, the cursor back at the start.
  ASSERT_GE(bar.size(), 2u);
  EXPECT_EQ(bar.back(), '\r');
  EXPECT_EQ(bar.find_first_not_of(' ', bar.rfind('\r', bar.size() - 2) + 1), bar.size() - 1);
  EXPECT_EQ(out.str().find('\r'), std::string::npos);
  // Without a terminal: no bar at all.
  const Run_Result plain = Run_Args(args);
  EXPECT_EQ(plain.err, "");
}

TEST(Cli_Part_Checks, The_Window_Takes_The_Seed_And_Weak_Bits_But_Not_Passes_Or_Force) {
  const Parse_Result window = Parse_Options({"--sim-seed=9", "--sim-fault", "flaky=1F:3"}, false);
  ASSERT_TRUE(window.options) << window.error;
  EXPECT_EQ(window.options->sim_faults.seed, 9u);
  EXPECT_EQ(window.options->sim_faults.flaky, (std::vector<sim::Flaky_Bit>{{0x1F, 3}}));
  // The seed survives a fault list that comes after it, and the other way round.
  const Parse_Result after = Parse_Options({"--sim-fault", "flaky=2:0", "--sim-seed", "4"}, false);
  ASSERT_TRUE(after.options);
  EXPECT_EQ(after.options->sim_faults.seed, 4u);
  EXPECT_EQ(after.options->sim_faults.flaky.size(), 1u);
  EXPECT_FALSE(Parse_Options({"--passes", "3"}, false).options);
  EXPECT_FALSE(Parse_Options({"--force"}, false).options);
  const Parse_Result cli = Parse_Options({"--passes", "99", "--force", "read", "x"}, true);
  ASSERT_TRUE(cli.options);
  EXPECT_EQ(cli.options->passes, 99);
  EXPECT_TRUE(cli.options->force);
}

}  // namespace
}  // namespace tarnik::cli
