// The simulated firmware behind a byte stream: replies byte for byte,
// packets split across pieces, the cut after the Nth packet, and the socket
// it is served on.

#include "sim/firmware_stream.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/test_files.h"
#include "window/hex_text.h"

namespace tarnik::sim {
namespace {

const std::vector<uint8_t> Version_Query = {0x56, 0, 0, 0, 0, 0, 0, 0x56};

std::string Hex(const std::vector<uint8_t>& bytes) { return Hex_Bytes(bytes.data(), bytes.size()); }

Sim_Setup_Options Part_129(std::optional<Firmware_Version> firmware) {
  Sim_Setup_Options options;
  options.part_name = "82S129";
  options.firmware = firmware;
  options.record = Wire_Record::Kept;
  return options;
}

TEST(Firmware_Stream, Answers_Each_Packet_However_The_Bytes_Are_Cut_Into_Pieces) {
  struct Case {
    const char* name;
    std::optional<Firmware_Version> firmware;
    std::vector<std::size_t> pieces;  // the sizes the bytes come in
    int queries;
    std::string replies;  // all pieces' replies together
  };
  const std::string v107 = "56 01 07 00 00 00 00 5E";
  const std::string v106 = "56 01 06 00 00 00 00 5D";
  const Case cases[] = {
      {"one whole packet", std::nullopt, {8}, 1, v107},
      {"another version", Firmware_Version{1, 6}, {8}, 1, v106},
      {"split in two", std::nullopt, {3, 5}, 1, v107},
      {"byte by byte", std::nullopt, {1, 1, 1, 1, 1, 1, 1, 1}, 1, v107},
      {"three in one piece", std::nullopt, {24}, 3, v107 + " " + v107 + " " + v107},
      {"one and a half, then the rest", std::nullopt, {12, 4}, 2, v107 + " " + v107},
  };
  for (const Case& c : cases) {
    Virtual_Clock clock;
    Sim_Setup setup(clock, Part_129(c.firmware));
    Firmware_Stream stream(setup, 0);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < c.queries; ++i)
      bytes.insert(bytes.end(), Version_Query.begin(), Version_Query.end());
    std::vector<uint8_t> replies;
    std::size_t at = 0;
    for (const std::size_t size : c.pieces) {
      const std::vector<uint8_t> answer = stream.Take(bytes.data() + at, size);
      replies.insert(replies.end(), answer.begin(), answer.end());
      at += size;
    }
    ASSERT_EQ(at, bytes.size()) << c.name;
    EXPECT_EQ(Hex(replies), c.replies) << c.name;
    std::string trace;
    for (int i = 0; i < c.queries; ++i) trace += "> 56 00 00 00 00 00 00 56\n";
    EXPECT_EQ(stream.New_Trace_Lines(), trace) << c.name;
    EXPECT_EQ(stream.New_Trace_Lines(), "") << c.name;
    EXPECT_FALSE(stream.Cut()) << c.name;
  }
}

TEST(Firmware_Stream, Is_Cut_Right_After_The_Nth_Packet) {
  for (const int n : {1, 2, 3}) {
    Virtual_Clock clock;
    Sim_Setup setup(clock, Part_129(std::nullopt));
    Firmware_Stream stream(setup, n);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 5; ++i)
      bytes.insert(bytes.end(), Version_Query.begin(), Version_Query.end());
    // Each piece before the Nth packet is answered; the one holding it is not.
    std::size_t answered = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 8)
      answered += stream.Take(bytes.data() + at, 8).size();
    EXPECT_EQ(answered, std::size_t(8 * (n - 1))) << n;
    EXPECT_TRUE(stream.Cut()) << n;
    std::string trace = stream.New_Trace_Lines();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), n) << n;
  }
}

TEST(Firmware_Stream, Serves_A_Socket_Until_The_Other_End_Closes) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  ASSERT_EQ(send(ends[1], Version_Query.data(), Version_Query.size(), 0), 8);
  shutdown(ends[1], SHUT_WR);
  Virtual_Clock clock;
  Sim_Setup setup(clock, Part_129(std::nullopt));
  Firmware_Stream stream(setup, 0);
  int pieces = 0;
  std::string error;
  EXPECT_TRUE(Serve_Socket(
      ends[0], stream, [&] { ++pieces; }, error))
      << error;
  EXPECT_EQ(pieces, 1);
  std::vector<uint8_t> reply(16);
  const ssize_t got = recv(ends[1], reply.data(), reply.size(), 0);
  ASSERT_EQ(got, 8);
  reply.resize(8);
  EXPECT_EQ(Hex(reply), "56 01 07 00 00 00 00 5E");
  close(ends[1]);
}

TEST(Firmware_Stream, Connects_To_A_Listening_Socket_And_Names_A_Missing_One) {
  const testing::Temp_Dir dir;
  const std::string path = dir.File("fw.sock");
  std::string error;
  EXPECT_EQ(Connect_Unix_Socket(path, 0, error), -1);
  EXPECT_NE(error.find(path), std::string::npos) << error;

  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  const int fd = Connect_Unix_Socket(path, 0, error);
  EXPECT_GE(fd, 0) << error;
  close(fd);
  close(listener);

  EXPECT_EQ(Connect_Unix_Socket(std::string(200, 'x'), 0, error), -1);
  EXPECT_NE(error.find("too long"), std::string::npos) << error;
}

}  // namespace
}  // namespace tarnik::sim
