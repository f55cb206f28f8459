#pragma once
#include <atomic>
#include <functional>
#include <utility>

namespace mms {

// Tells the user-interface thread that new poll results wait, at most once
// until it has looked: a burst of polls costs one wake-up, so nothing queues
// up when the screen is slower than the device.
class RepaintSignal {
 public:
  // `wake` runs on the raising thread and must return at once (post a task).
  explicit RepaintSignal(std::function<void()> wake) : wake_(std::move(wake)) {}

  // Polling thread: after publishing a result.
  void Raise() {
    if (!raised_.exchange(true, std::memory_order_acq_rel) && wake_) wake_();
  }
  // User-interface thread: before it reads the results, so that a result
  // published while it reads raises a new wake-up.
  void Clear() { raised_.store(false, std::memory_order_release); }

 private:
  std::function<void()> wake_;
  std::atomic<bool> raised_{false};
};

}  // namespace mms
