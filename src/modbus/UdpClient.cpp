#include "modbus/UdpClient.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>

#include "common/TrafficCounters.h"
#include "log/LogSink.h"
#include "modbus/ConnectionSettings.h"

namespace mms {
namespace {

using Clock = InterruptibleFd::Clock;
using Wait = InterruptibleFd::WaitResult;

// The largest datagram a Modbus frame can fill, and one byte more, so a
// longer one shows as not a frame.
constexpr int kDatagramSize = 261;
// At most this many stale datagrams are taken before a request; the rest
// wait for the next exchange.
constexpr int kMaxStaleDatagrams = 16;

}  // namespace

UdpClient::UdpClient(TrafficCounters& counters, LogSink& log) : counters_(counters), log_(log) {}

UdpClient::~UdpClient() { Shutdown(); }

bool UdpClient::Open(const std::string& host, const std::string& port, int timeoutMs) {
  const NetAddress resolved = ResolveNetAddress(host, port, SOCK_DGRAM);
  auto lock = io_.Lock();
  address_ = resolved;
  timeoutMs_.store(std::clamp(timeoutMs, 0, kMaxTimeoutMs), std::memory_order_relaxed);
  MakeSocketLocked();
  return io_.Fd() >= 0;
}

void UdpClient::MakeSocketLocked() {
  io_.Reset();
  if (io_.IsShutDown() || address_.length == 0) return;
  const int fd = socket(address_.address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  io_.Reset(fd);
  // Connected: replies from the device only, and its "port unreachable"
  // comes back as an error instead of a silent timeout.
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address_.address), address_.length) != 0) {
    io_.Reset();
  }
}

void UdpClient::Shutdown() { io_.Shutdown(); }

void UdpClient::DiscardStale() {
  uint8_t datagram[kDatagramSize];
  for (int i = 0; i < kMaxStaleDatagrams; ++i) {
    auto lock = io_.Lock();
    if (io_.Fd() < 0) return;
    const ssize_t n = recv(io_.Fd(), datagram, sizeof datagram, MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      continue;  // an old refusal
    if (n <= 0) return;
    // Counted like any reply, so the status bar's totals match the log.
    log_.LogHandOff(kLogReceived, datagram, static_cast<int>(n));
    counters_.RxBytes.fetch_add(static_cast<uint32_t>(n), std::memory_order_relaxed);
    counters_.RxFrames.fetch_add(1, std::memory_order_relaxed);
  }
}

void UdpClient::Send(const uint8_t* frame, int length) {
  if (length <= 0 || io_.IsShutDown()) return;
  auto lock = io_.Lock();
  if (io_.Fd() < 0) MakeSocketLocked();
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs());
  // A refusal left over from an earlier datagram is reported by this send;
  // the next attempt goes out.
  for (int attempt = 0; attempt < 3 && io_.Fd() >= 0; ++attempt) {
    const ssize_t n =
        send(io_.Fd(), frame, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) break;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (io_.Wait(POLLOUT, deadline) != Wait::kReady) break;
    } else if (errno != EINTR && errno != ECONNREFUSED) {
      break;
    }
  }
  // Under the lock: once Shutdown() has returned, no frame is logged or
  // counted any more, so Disconnect can pause the log without losing one.
  if (io_.IsShutDown()) return;
  log_.LogHandOff(kLogTransmitted, frame, length);
  counters_.TxBytes.fetch_add(static_cast<uint32_t>(length), std::memory_order_relaxed);
  counters_.TxFrames.fetch_add(1, std::memory_order_relaxed);
}

int UdpClient::Receive(uint8_t* buffer, int length, int waitMs) {
  if (length <= 0) return 0;
  auto lock = io_.Lock();
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  uint8_t datagram[kDatagramSize];
  for (;;) {
    const Wait waited = io_.Wait(POLLIN, deadline);
    if (waited == Wait::kTimeout) return 0;
    if (waited == Wait::kShutdown || io_.Fd() < 0) return -1;
    const ssize_t n = recv(io_.Fd(), datagram, sizeof datagram, MSG_DONTWAIT);
    if (n >= 0) {
      const int taken = std::min(static_cast<int>(n), length);
      std::copy(datagram, datagram + taken, buffer);
      if (taken > 0) return taken;
      continue;  // an empty datagram is no frame at all
    }
    if ((errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) && waited == Wait::kReady) {
      continue;
    }
    return -1;  // refused: nothing listens there (the socket stays usable)
  }
}

void UdpClient::ReplyReceived(const uint8_t* buffer, int count) {
  if (count <= 0) return;
  auto lock = io_.Lock();
  if (io_.IsShutDown()) return;
  log_.LogHandOff(kLogReceived, buffer, count);
  counters_.RxBytes.fetch_add(static_cast<uint32_t>(count), std::memory_order_relaxed);
  counters_.RxFrames.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace mms
