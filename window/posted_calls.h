#pragma once
// Calls handed in from any thread and run later, in order, on the thread
// that owns the window: the hosts without an event loop of their own run
// them at each pump.

#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace tarnik {

class Posted_Calls {
 public:
  void Post(std::function<void()> call) {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }

  // Runs what was posted before this began; calls posted meanwhile wait for
  // the next run, so that a call that posts again cannot keep it going.
  void Run_Posted() {
    std::deque<std::function<void()>> due;
    {
      const std::lock_guard lock(mutex_);
      due.swap(calls_);
    }
    for (const auto& call : due) call();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;
};

}  // namespace tarnik
