#pragma once
// The simulated programmer's firmware and part behind a byte stream: the
// bytes a host writes to a real USB serial chip come in, and the firmware's
// replies go back out through that chip. The simulated programmer does the
// work on a virtual clock of its own, so the firmware answers at once and
// the host's real clock alone decides the timing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/sim_setup.h"

namespace tarnik::sim {

class Firmware_Stream {
 public:
  // `unplug_after`: the count of packets after which the stream is cut, as a
  // cable pulled out would cut it; 0 never cuts it. `setup` runs on a
  // virtual clock.
  Firmware_Stream(Sim_Setup& setup, int unplug_after);

  // Takes bytes the host wrote; returns the firmware's replies to them.
  // Once the stream is cut, nothing more is taken and nothing answered.
  [[nodiscard]] std::vector<uint8_t> Take(const uint8_t* data, std::size_t count);
  [[nodiscard]] bool Cut() const { return cut_; }

  // The packets received since the last call, one line each, as the
  // command line's trace writes the packets it sends.
  [[nodiscard]] std::string New_Trace_Lines();

 private:
  void Feed(const uint8_t* data, std::size_t count);

  Sim_Programmer& programmer_;
  FT_HANDLE handle_ = nullptr;
  int unplug_after_;
  bool cut_ = false;
  std::size_t traced_ = 0;
};

// Connects to the Unix stream socket at `path`, trying again until
// `patience_ms` of real time has passed: the other end may not listen yet.
// Returns the descriptor, or -1 with the reason in `error`.
[[nodiscard]] int Connect_Unix_Socket(const std::string& path, int patience_ms, std::string& error);

// Serves `stream` on the connected descriptor `fd` until the other end
// closes or the stream is cut, then closes `fd`. `after_bytes` runs after
// every piece the host sent has been answered. Returns false, with the
// reason in `error`, when the socket fails.
[[nodiscard]] bool Serve_Socket(int fd, Firmware_Stream& stream,
                                const std::function<void()>& after_bytes, std::string& error);

}  // namespace tarnik::sim
