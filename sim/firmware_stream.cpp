#include "sim/firmware_stream.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "window/hex_text.h"

namespace tarnik::sim {

namespace {

constexpr std::size_t Packet_Size = 8;
// More than the replies to the largest piece a socket read brings.
constexpr std::size_t Reply_Room = 65536;
constexpr int Connect_Retry_Ms = 100;

std::string System_Error(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

// The simulated chip is held open for good; with no read time-out, a read
// from it waits until the firmware has answered everything it was sent.
Firmware_Stream::Firmware_Stream(Sim_Setup& setup, int unplug_after)
    : programmer_(setup.Programmer()), unplug_after_(unplug_after) {
  char any_serial[] = "";
  if (programmer_.FT_OpenEx(any_serial, FT_OPEN_BY_SERIAL_NUMBER, &handle_) != FT_OK) cut_ = true;
  if (!cut_) programmer_.FT_SetTimeouts(handle_, 0, 0);
}

// Packet by packet, so that a cut falls exactly after the packet it names.
void Firmware_Stream::Feed(const uint8_t* data, std::size_t count) {
  for (std::size_t at = 0; at < count && !cut_; at += Packet_Size) {
    const auto length = static_cast<uint32_t>(std::min(Packet_Size, count - at));
    uint32_t written = 0;
    programmer_.FT_Write(handle_, data + at, length, &written);
    if (unplug_after_ > 0 && programmer_.Received().size() >= std::size_t(unplug_after_))
      cut_ = true;
  }
}

std::vector<uint8_t> Firmware_Stream::Take(const uint8_t* data, std::size_t count) {
  if (cut_) return {};
  Feed(data, count);
  if (cut_) return {};
  std::vector<uint8_t> replies(Reply_Room);
  uint32_t read = 0;
  programmer_.FT_Read(handle_, replies.data(), static_cast<uint32_t>(replies.size()), &read);
  replies.resize(read);
  return replies;
}

std::string Firmware_Stream::New_Trace_Lines() {
  std::string lines;
  const std::vector<Wire_Packet>& received = programmer_.Received();
  for (; traced_ < received.size(); ++traced_) {
    const std::vector<uint8_t>& bytes = received[traced_].bytes;
    lines += "> " + Hex_Bytes(bytes.data(), bytes.size()) + "\n";
  }
  return lines;
}

int Connect_Unix_Socket(const std::string& path, int patience_ms, std::string& error) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) {
    error = "the socket path is too long: " + path;
    return -1;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(patience_ms);
  for (;;) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      error = System_Error("cannot make a socket");
      return -1;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return fd;
    error = System_Error("cannot connect to " + path);
    close(fd);
    if (std::chrono::steady_clock::now() >= give_up) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(Connect_Retry_Ms));
  }
}

namespace {

bool Send_All(int fd, const std::vector<uint8_t>& bytes, std::string& error) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      error = System_Error("cannot write to the socket");
      return false;
    }
    sent += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace

bool Serve_Socket(int fd, Firmware_Stream& stream, const std::function<void()>& after_bytes,
                  std::string& error) {
  std::array<uint8_t, 4096> piece{};
  bool fine = true;
  while (fine && !stream.Cut()) {
    const ssize_t count = recv(fd, piece.data(), piece.size(), 0);
    if (count < 0 && errno == EINTR) continue;
    if (count == 0) break;  // the other end closed
    if (count < 0) {
      error = System_Error("cannot read from the socket");
      fine = false;
      break;
    }
    const std::vector<uint8_t> replies = stream.Take(piece.data(), static_cast<std::size_t>(count));
    after_bytes();
    fine = Send_All(fd, replies, error);
  }
  close(fd);
  return fine;
}

}  // namespace tarnik::sim
