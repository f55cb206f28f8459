#include "modbus/InterruptibleFd.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "common/Errors.h"

namespace mms {

InterruptibleFd::InterruptibleFd() {
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) {
    throw Error(std::string("Cannot create a wake-up event: ") + std::strerror(errno));
  }
}

InterruptibleFd::~InterruptibleFd() {
  Shutdown();
  close(wakeFd_);
}

void InterruptibleFd::Reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
  if (fd_ >= 0 && IsShutDown()) {
    close(fd_);
    fd_ = -1;
  }
  hasFd_.store(fd_ >= 0, std::memory_order_release);
}

InterruptibleFd::WaitResult InterruptibleFd::Wait(short events, Clock::time_point deadline) {
  for (;;) {
    if (IsShutDown()) return WaitResult::kShutdown;
    if (fd_ < 0) return WaitResult::kHangUp;
    const auto left = deadline - Clock::now();
    timespec ts{0, 0};
    if (left > Clock::duration::zero()) {
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      ts.tv_sec = static_cast<time_t>(ns / 1000000000);
      ts.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    const int n = ppoll(fds, 2, &ts, nullptr);
    if (n < 0) {
      if (errno == EINTR) continue;
      return WaitResult::kHangUp;
    }
    if (fds[1].revents != 0) return WaitResult::kShutdown;
    if (n == 0) return WaitResult::kTimeout;
    if (fds[0].revents & events) return WaitResult::kReady;
    return WaitResult::kHangUp;  // POLLERR, POLLHUP or POLLNVAL only
  }
}

void InterruptibleFd::Shutdown() {
  if (!shutdown_.exchange(true, std::memory_order_acq_rel)) {
    const uint64_t one = 1;
    // Stays readable from now on, so every later Wait() returns at once.
    [[maybe_unused]] const ssize_t ignored = write(wakeFd_, &one, sizeof one);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  hasFd_.store(false, std::memory_order_release);
}

}  // namespace mms
