#pragma once
// Builds the cached index of every catalogue and ROM folder on a thread of
// its own, so that the first look-up after a catalogue arrives reads the
// index instead of the whole catalogue, and the window that waits for it
// keeps painting. It touches nothing but the cache files and its own
// counters; whoever shows its progress reads them on their own thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "identify/identify.h"

namespace tarnik::identify {

class Background_Index {
 public:
  // Called on the indexing thread whenever the percentage grows and once
  // when the index is ready; it must only hand the news on, never show it.
  using Notify = std::function<void()>;

  // Starts at once; nothing to index (no cache folder, no sources) is ready
  // at once and starts no thread.
  Background_Index(Identify_Sources sources, Notify notify);
  Background_Index(const Background_Index&) = delete;
  Background_Index& operator=(const Background_Index&) = delete;
  // Stops the indexing between two chunks and waits for the thread; a
  // catalogue stopped half way is not cached.
  ~Background_Index();

  [[nodiscard]] bool Ready() const { return ready_.load(); }
  // 0 to 100: the share of the catalogues' bytes read so far.
  [[nodiscard]] int Percent() const { return percent_.load(); }

 private:
  void Run(const Identify_Sources& sources);
  // Throws to leave the reading once a stop is asked for.
  void Advance_To(uint64_t position);

  Notify notify_;
  uint64_t total_bytes_ = 0;
  uint64_t done_bytes_ = 0;  // the indexing thread's own
  std::atomic<int> percent_{0};
  std::atomic<bool> ready_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tarnik::identify
