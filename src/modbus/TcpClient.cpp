#include "modbus/TcpClient.h"

#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "log/LogSink.h"
#include "common/TrafficCounters.h"

namespace mms {
namespace {

using Clock = InterruptibleFd::Clock;
using Wait = InterruptibleFd::WaitResult;

// One line per chunk of stale input, at most this many before giving up on
// a peer that never stops sending (the rest is left for the next exchange).
constexpr int kStaleChunk = 260;
constexpr int kMaxStaleChunks = 16;

}  // namespace

TcpClient::TcpClient(TrafficCounters& counters, LogSink& log) : counters_(counters), log_(log) {}

TcpClient::~TcpClient() { Shutdown(); }

int TcpClient::PortFromText(const std::string& text) { return mms::PortFromText(text); }

bool TcpClient::Open(const std::string& host, const std::string& port, int timeoutMs) {
  const NetAddress resolved = ResolveNetAddress(host, port, SOCK_STREAM);
  auto lock = io_.Lock();
  address_ = resolved.address;
  addressLength_ = resolved.length;
  timeoutMs_.store(std::clamp(timeoutMs, 0, kMaxTimeoutMs), std::memory_order_relaxed);
  ConnectLocked();
  return io_.Fd() >= 0;
}

void TcpClient::ConnectLocked() {
  DropLocked();
  if (io_.IsShutDown() || addressLength_ == 0) return;
  const int fd = socket(address_.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  io_.Reset(fd);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address_), addressLength_) == 0) return;
  if (errno != EINPROGRESS) {
    DropLocked();
    return;
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs());
  int error = 0;
  socklen_t size = sizeof error;
  if (io_.Wait(POLLOUT, deadline) != Wait::kReady ||
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
    DropLocked();
  }
}

void TcpClient::Shutdown() { io_.Shutdown(); }

bool TcpClient::IsConnected() const { return io_.HasFd(); }

void TcpClient::DiscardStale() {
  uint8_t chunk[kStaleChunk];
  for (int i = 0; i < kMaxStaleChunks; ++i) {
    auto lock = io_.Lock();
    if (io_.Fd() < 0) return;
    const ssize_t n = recv(io_.Fd(), chunk, sizeof chunk, MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      DropLocked();  // closed or reset by the peer: the next Send connects again
      return;
    }
    if (n < 0) return;
    // Counted like any reply, so the status bar's totals match the log.
    log_.LogHandOff(kLogReceived, chunk, static_cast<int>(n));
    counters_.RxBytes.fetch_add(static_cast<uint32_t>(n), std::memory_order_relaxed);
    counters_.RxFrames.fetch_add(1, std::memory_order_relaxed);
  }
}

void TcpClient::Send(const uint8_t* frame, int length) {
  if (length <= 0 || io_.IsShutDown()) return;
  {
    auto lock = io_.Lock();
    if (io_.Fd() < 0) ConnectLocked();
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs());
    int sent = 0;
    while (sent < length && io_.Fd() >= 0) {
      const ssize_t n = send(io_.Fd(), frame + sent, static_cast<size_t>(length - sent),
                             MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += static_cast<int>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        // A peer that stops reading gets one timeout, then loses the connection:
        // half a frame in its buffer would spoil every later reply.
        if (io_.Wait(POLLOUT, deadline) != Wait::kReady) DropLocked();
      } else {
        DropLocked();
      }
    }
    // Under the lock: once Shutdown() has returned, no frame is logged or
    // counted any more, so Disconnect can pause the log without losing one.
    if (io_.IsShutDown()) return;
    awaitingReply_ = true;
    log_.LogHandOff(kLogTransmitted, frame, length);
    counters_.TxBytes.fetch_add(static_cast<uint32_t>(length), std::memory_order_relaxed);
    counters_.TxFrames.fetch_add(1, std::memory_order_relaxed);
  }
}

int TcpClient::Receive(uint8_t* buffer, int length, int waitMs) {
  if (length <= 0) return 0;
  auto lock = io_.Lock();
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  // The first read after a request waits for the device; a later one (the
  // rest of a reply whose header came) mostly finds its bytes there already,
  // so it reads before it polls.
  if (!awaitingReply_ && io_.Fd() >= 0 && !io_.IsShutDown()) {
    const ssize_t n = recv(io_.Fd(), buffer, static_cast<size_t>(length), MSG_DONTWAIT);
    if (n > 0) return static_cast<int>(n);
  }
  awaitingReply_ = false;
  for (;;) {
    const Wait waited = io_.Wait(POLLIN, deadline);
    if (waited == Wait::kTimeout) return 0;
    if (waited == Wait::kShutdown || io_.Fd() < 0) return -1;
    const ssize_t n = recv(io_.Fd(), buffer, static_cast<size_t>(length), MSG_DONTWAIT);
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) &&
        waited == Wait::kReady) {
      continue;
    }
    DropLocked();
    return -1;
  }
}

void TcpClient::ReplyReceived(const uint8_t* buffer, int count) {
  if (count <= 0) return;
  auto lock = io_.Lock();
  if (io_.IsShutDown()) return;
  log_.LogHandOff(kLogReceived, buffer, count);
  counters_.RxBytes.fetch_add(static_cast<uint32_t>(count), std::memory_order_relaxed);
  counters_.RxFrames.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace mms
