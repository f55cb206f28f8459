#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "modbus/InterruptibleFd.h"
#include "modbus/NetClient.h"

namespace mms {

class LogSink;
struct TrafficCounters;

// Modbus UDP: Modbus TCP frames, one per datagram, on a socket connected to
// the device's address (so datagrams from anyone else never arrive). There
// is no connection to lose: a socket that could not be made is made again
// by the next Send. One object serves one Connect: after Shutdown() it stays
// closed. Keep it alive (shared_ptr) until no thread uses it.
class UdpClient : public NetClient {
 public:
  UdpClient(TrafficCounters& counters, LogSink& log);
  ~UdpClient() override;

  // Resolves host and port and makes the socket; timeoutMs is clamped to
  // 0..kMaxTimeoutMs. Returns whether the socket was made.
  bool Open(const std::string& host, const std::string& port, int timeoutMs) override;
  void Shutdown() override;

  int TimeoutMs() const override { return timeoutMs_.load(std::memory_order_relaxed); }
  // Takes every datagram already waiting, one received line each.
  void DiscardStale() override;
  void Send(const uint8_t* frame, int length) override;
  // Waits up to waitMs for one datagram and returns it, cut to `length`
  // bytes. 0 on timeout; -1 when the device refused it (nothing listens on
  // that port) or after Shutdown().
  int Receive(uint8_t* buffer, int length, int waitMs) override;
  // count 0 logs nothing.
  void ReplyReceived(const uint8_t* buffer, int count) override;

 private:
  // Under io_'s lock.
  void MakeSocketLocked();

  TrafficCounters& counters_;
  LogSink& log_;
  std::atomic<int> timeoutMs_{1000};
  NetAddress address_;  // under io_'s lock
  InterruptibleFd io_;
};

}  // namespace mms
