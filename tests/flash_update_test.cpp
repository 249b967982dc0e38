#include "link/flash_update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "link/update_file.h"
#include "tests/fixture.h"

namespace tarnik::testing {
namespace {

std::string Write_Temp(const std::string& name, const std::vector<uint8_t>& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("tarnik_flash_" + name);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path.string();
}

// An update file with `records` records, nine data records and the version one.
std::vector<uint8_t> Update_With(std::size_t data_bytes) {
  std::vector<uint8_t> image(data_bytes);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 7 + 3);
  return Build_Update_File(1, 7, image);
}

struct Update_Run {
  explicit Update_Run(const std::vector<uint8_t>& file, sim::Sim_Faults faults = {})
      : app(faults) {
    app.simulator.Set_Firmware(1, 6);
    app.host.answers.push_back(Box_Answer::Yes);
    app.host.paths.push_back(Write_Temp("update.bin", file));
    app.Start();
  }
  [[nodiscard]] std::vector<std::string> Memo() const { return app.form.window.Get("Memo1").lines; }
  [[nodiscard]] int Records_Sent() const {
    int sent = 0;
    for (const auto& packet : app.simulator.Received()) sent += packet.bytes.size() == 74;
    return sent;
  }
  Sim_App app;
};

TEST(Flash_Update, Record_Counts_Take_Every_Whole_Record) {
  const std::pair<std::size_t, std::size_t> cases[] = {
      {14, 0}, {16, 0}, {89, 0}, {90, 1}, {756, 10}, {5491, 73}, {5492, 74}, {9215, 124}};
  for (const auto& [size, records] : cases) EXPECT_EQ(Flash_Updater::Record_Count(size), records) << size;
}

TEST(Flash_Update, A_Good_Update_Sends_Every_Record_And_Installs_The_New_Firmware) {
  const std::vector<uint8_t> file = Update_With(9 * 66);  // 10 records: 756 bytes
  ASSERT_EQ(file.size(), 756u);
  Update_Run run(file);
  EXPECT_EQ(run.Records_Sent(), 10);
  EXPECT_EQ(run.app.simulator.Records_Accepted(), 10);
  const auto boxes = run.app.host.Box_Texts();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], "Good Update...");
  EXPECT_EQ(run.app.host.boxes[1].icon, Box_Icon::Warning);
  const auto memo = run.Memo();
  ASSERT_EQ(memo.size(), 10u);
  EXPECT_EQ(memo[0], "AA");
  char expected[32];
  std::snprintf(expected, sizeof expected, "Expected - %02X%02X", file[14], file[15]);
  EXPECT_EQ(memo[8], expected);
  std::snprintf(expected, sizeof expected, "Found    - %02X%02X", file[14], file[15]);
  EXPECT_EQ(memo[9], expected);
  EXPECT_EQ(run.app.form.window.Get("StaticText3").caption, "Updating Programmer Flash Code....");
  EXPECT_EQ(run.app.form.window.Get("StaticText3").colour, colours::Lime);
  EXPECT_EQ(run.app.form.window.Get("Address").caption, "0009");
  EXPECT_EQ(run.app.form.link.Packet_Len, 8u);
  EXPECT_EQ(run.app.simulator.Firmware_Minor(), 7);
  const auto& last = run.app.simulator.Received();
  EXPECT_EQ(Hex_Bytes(last[last.size() - 6].bytes.data(), 8), "52 00 00 00 00 00 00 52");
}

TEST(Flash_Update, The_Shipped_Sample_Updates_The_Simulator_To_1_07) {
  std::ifstream in(std::string(TARNIK_DATA_DIR) + "/Update-1.07.Bin", std::ios::binary);
  ASSERT_TRUE(in);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(Flash_Updater::Record_Count(file.size()), 31u);
  Update_Run run(file);
  EXPECT_EQ(run.app.host.Box_Texts().back(), "Good Update...");
  EXPECT_EQ(run.app.simulator.Records_Accepted(), 31);
  EXPECT_EQ(run.app.simulator.Firmware_Minor(), 7);
}

TEST(Flash_Update, Files_That_Are_Refused) {
  std::vector<uint8_t> wrong_mark = Update_With(66);
  wrong_mark[13] = 0x07;
  std::vector<uint8_t> short_file(wrong_mark.begin(), wrong_mark.begin() + 15);
  short_file[13] = 0x06;
  for (const auto& file : {wrong_mark, short_file}) {
    Update_Run run(file);
    // The box names the file it refused.
    EXPECT_EQ(run.app.host.Box_Texts().back(),
              std::string(Invalid_Update_Text) + "\r\n" +
                  (std::filesystem::temp_directory_path() / "tarnik_flash_update.bin").string());
    EXPECT_EQ(run.Records_Sent(), 0);
    EXPECT_EQ(run.app.form.link.Packet_Len, 8u);
  }
}

TEST(Flash_Update, Any_First_Two_Bytes_And_No_Records_Still_Check_The_Flash) {
  std::vector<uint8_t> file = Update_With(0);
  file.resize(16);
  file[0] = 0xDE;
  file[1] = 0xAD;
  Update_Run run(file);
  EXPECT_EQ(run.Records_Sent(), 0);
  EXPECT_EQ(run.Memo().size(), 10u);
  EXPECT_EQ(run.app.host.Box_Texts().back(), "Warning: Bad Update...");
}

TEST(Flash_Update, A_Wrong_Record_Checksum_Is_Mended_On_The_Way_Out) {
  std::vector<uint8_t> file = Update_With(66);
  file[16 + 7] ^= 0xFF;
  Update_Run run(file);
  EXPECT_EQ(run.app.simulator.Records_Rejected(), 0);
  EXPECT_EQ(run.app.host.Box_Texts().back(), "Good Update...");
}

TEST(Flash_Update, A_Rejected_Record_Is_Listed_And_The_Checksum_Decides) {
  sim::Sim_Faults faults;
  faults.corrupt_record = 2;
  Update_Run run(Update_With(9 * 66), faults);
  EXPECT_EQ(run.Records_Sent(), 10);
  EXPECT_EQ(run.app.simulator.Records_Rejected(), 1);
  const auto memo = run.Memo();
  ASSERT_EQ(memo.size(), 11u);
  EXPECT_EQ(memo[0], "Bad Check Sum");
  EXPECT_EQ(run.app.host.Box_Texts().back(), "Warning: Bad Update...");
}

TEST(Flash_Update, A_Failed_Wait_In_The_Middle_Does_Not_Stop_The_Update) {
  sim::Sim_Faults faults;
  faults.no_reply_to = 4;  // the version query, then the third record
  Update_Run run(Update_With(9 * 66), faults);
  EXPECT_EQ(run.Records_Sent(), 10);
  const auto memo = run.Memo();
  ASSERT_FALSE(memo.empty());
  EXPECT_EQ(memo.front(), "Device no longer present ... PortStatus-0 USB-5");
  EXPECT_EQ(run.app.form.link.Packet_Len, 8u);
  // The lost reply makes the outcome a warning that names it.
  EXPECT_EQ(run.app.form.flash.Outcome, Update_Outcome::Link_Fault);
  EXPECT_EQ(run.app.host.Box_Texts().back(),
            std::string(Unfinished_Update_Text) + "\r\n1 Record Reply(s) Lost......");
}

TEST(Flash_Update, Every_Loss_On_The_Link_Is_Named_And_None_Is_A_Good_Update) {
  // Write calls: the version query, ten records, the flash check, the end.
  struct Case {
    const char* name;
    sim::Sim_Faults faults;
    std::string lines;
  };
  sim::Sim_Faults short_record;
  short_record.short_write_at = 3;
  sim::Sim_Faults short_check;
  short_check.short_write_at = 12;
  sim::Sim_Faults short_end;
  short_end.short_write_at = 13;
  sim::Sim_Faults check_unanswered;
  check_unanswered.no_reply_to = 12;
  const Case cases[] = {
      // The cut record goes out of line with the next one, whose reply the
      // programmer then never sends either.
      {"short record", short_record,
       "\r\n1 Record(s) Not Sent Whole......\r\n1 Record Reply(s) Lost......"},
      {"short check", short_check,
       "\r\nFlash Check Not Sent Whole......\r\nFlash Check Not Answered......"},
      {"short end", short_end, "\r\nClosing Packet Not Sent Whole......"},
      {"check unanswered", check_unanswered, "\r\nFlash Check Not Answered......"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Update_Run run(Update_With(9 * 66), c.faults);
    EXPECT_EQ(run.app.form.flash.Outcome, Update_Outcome::Link_Fault);
    EXPECT_EQ(run.app.host.Box_Texts().back(), Unfinished_Update_Text + c.lines);
    EXPECT_EQ(run.app.form.link.Packet_Len, 8u);
  }
}

TEST(Flash_Update, A_File_Longer_Than_An_Update_Is_Refused_Before_Anything_Is_Sent) {
  std::vector<uint8_t> file = Update_With(200 * 66);
  ASSERT_GT(file.size(), Update_Max_Read);
  Update_Run run(file);
  EXPECT_EQ(run.Records_Sent(), 0);
  EXPECT_EQ(run.app.form.flash.Outcome, Update_Outcome::Refused_File);
  EXPECT_EQ(run.app.host.Box_Texts().back(),
            std::string(Update_Too_Long_Text) + "\r\n" +
                (std::filesystem::temp_directory_path() / "tarnik_flash_update.bin").string());
  // The largest file an update takes is still sent whole.
  file.resize(Update_Max_Read);
  Update_Run largest(file);
  EXPECT_EQ(largest.Records_Sent(), 124);
}

}  // namespace
}  // namespace tarnik::testing
