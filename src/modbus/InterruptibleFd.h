#pragma once
#include <atomic>
#include <chrono>
#include <mutex>

namespace mms {

// The descriptor of a serial port or socket, used for I/O by the polling
// thread while the user-interface thread may shut it down at any moment.
// Every operation holds Lock() for its whole run and waits only through
// Wait(), which also watches a wake-up descriptor; Shutdown() signals that
// descriptor, so the operation in progress returns at once, and then closes
// the descriptor under the same lock. Later operations see IsShutDown().
class InterruptibleFd {
 public:
  using Clock = std::chrono::steady_clock;
  enum class WaitResult { kReady, kTimeout, kShutdown, kHangUp };

  // Throws Error when no wake-up descriptor can be made.
  InterruptibleFd();
  ~InterruptibleFd();
  InterruptibleFd(const InterruptibleFd&) = delete;
  InterruptibleFd& operator=(const InterruptibleFd&) = delete;

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

  // Under Lock(): the descriptor (-1 when none), and replacing it (the old
  // one is closed; a new one after Shutdown() is closed at once).
  int Fd() const { return fd_; }
  void Reset(int fd = -1);
  // Any thread, without waiting for the operation in progress.
  bool HasFd() const { return hasFd_.load(std::memory_order_acquire); }

  // Under Lock(): waits until the descriptor reports `events` (POLLIN or
  // POLLOUT) or `deadline` passes. kHangUp when it reports an error or
  // hang-up instead (or there is no descriptor); kShutdown once Shutdown()
  // was called.
  WaitResult Wait(short events, Clock::time_point deadline);

  // Any thread, any number of times. Returns once the descriptor is closed,
  // which takes only as long as the operation in progress needs to notice.
  void Shutdown();
  bool IsShutDown() const { return shutdown_.load(std::memory_order_acquire); }

 private:
  std::mutex mutex_;
  int fd_ = -1;
  int wakeFd_ = -1;
  std::atomic<bool> shutdown_{false};
  std::atomic<bool> hasFd_{false};
};

}  // namespace mms
