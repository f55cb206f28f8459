#pragma once
#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "modbus/ConnectionSettings.h"
#include "modbus/InterruptibleFd.h"
#include "modbus/NetClient.h"

namespace mms {

class LogSink;
struct TrafficCounters;

// Modbus TCP client. Open() on Connect's opening thread, the Transport
// operations on the polling thread, Shutdown() from any thread (Disconnect,
// also to cut an Open() short). A connection that is down is made again by the next Send,
// one attempt bounded by the timeout, so polling resumes by itself when the
// device comes back. One object serves one Connect: after Shutdown() it
// stays closed. Keep it alive (shared_ptr) until no thread uses it.
class TcpClient : public NetClient {
 public:
  TcpClient(TrafficCounters& counters, LogSink& log);
  ~TcpClient() override;

  // Resolves host and port (an IPv4 address preferred), then makes one
  // connection attempt bounded by timeoutMs (clamped to 0..kMaxTimeoutMs). Returns whether it
  // connected; a failed attempt still leaves a usable client. Throws Error for texts that cannot be
  // used: "Invalid TCP port '<text>'" (not an integer in 1..65535) or "Unknown host '<text>'".
  bool Open(const std::string& host, const std::string& port, int timeoutMs) override;

  // The TCPPort text as a port number, or the Error of Open() for it.
  static int PortFromText(const std::string& text);

  // Wakes a wait in progress at once, closes the socket and makes later
  // operations fail (-1) or do nothing. Returns within a few milliseconds.
  void Shutdown() override;
  // A connection is up (or being made); does not wait for an operation in
  // progress.
  bool IsConnected() const;

  int TimeoutMs() const override { return timeoutMs_.load(std::memory_order_relaxed); }
  // Drains what is already waiting without blocking, logs and counts it as
  // received lines; notices a peer that closed the connection.
  void DiscardStale() override;
  // Connects first when the connection is down or was lost.
  void Send(const uint8_t* frame, int length) override;
  // Waits up to waitMs until data can be read, then takes what is there, up
  // to `length` bytes. 0 on timeout; -1 when the connection is down, was
  // closed by the peer or failed (it is then down until the next Send), or
  // after Shutdown().
  int Receive(uint8_t* buffer, int length, int waitMs) override;
  // count 0 logs nothing.
  void ReplyReceived(const uint8_t* buffer, int count) override;

 private:
  // Under io_'s lock.
  void ConnectLocked();
  void DropLocked() { io_.Reset(); }

  TrafficCounters& counters_;
  LogSink& log_;
  std::atomic<int> timeoutMs_{1000};
  sockaddr_storage address_{};
  socklen_t addressLength_ = 0;
  InterruptibleFd io_;
  bool awaitingReply_ = false;  // under io_'s lock: nothing read since the last Send
};

}  // namespace mms
