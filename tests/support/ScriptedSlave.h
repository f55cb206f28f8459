#pragma once
// A Modbus slave of our own that misbehaves on cue, for the faults no real
// device plays when asked: silence, late or split replies, exception replies,
// a wrong device ID or transaction identifier, short replies, a bad CRC, a
// dropped connection.
//
// It serves from construction to destruction on a thread of its own: Modbus
// TCP, RTU over TCP or UDP on 127.0.0.1 (a free port), or Modbus RTU on the
// master side of a pseudo-terminal pair (the program under test opens
// DevicePath()). UDP plays a split reply as two datagrams, and ThenOwn() as
// the stray datagram followed by the own one. Each
// request it receives takes the next cue pushed by the test; with no cue left
// it gives the normal reply. Its values are fixed: register a (holding or
// input) holds RegisterValue(a), coil or input a is BitValue(a); writes are
// echoed as a device would, and change nothing.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>

#include "support/PtyPair.h"

namespace mms::test {

using Bytes = std::vector<uint8_t>;

// What the slave does with one request. Start from one of the makers and
// refine with Late() and Split().
struct Cue {
  enum class Action { kReply, kSilence, kClose };
  Action action = Action::kReply;
  std::optional<Bytes> raw;   // whole frame sent instead of the built reply
  uint8_t exceptionCode = 0;  // != 0: exception reply (function | 0x80, code)
  int deviceIdDelta = 0;      // added to the device ID of the built reply
  int transactionIdDelta = 0;  // TCP: added to the echoed transaction identifier
  int shortBy = 0;             // data bytes left off a read reply (byte count to match)
  bool badCrc = false;        // RTU: the reply's CRC spoiled
  int delayMs = 0;            // before the first byte
  bool thenOwn = false;       // the normal reply follows in the same write
  int splitAt = 0;            // > 0: that many bytes, a pause, then the rest
  int splitPauseMs = 0;

  static Cue Normal() { return Cue{}; }
  static Cue Silence() {
    Cue c;
    c.action = Action::kSilence;
    return c;
  }
  // TCP: close the connection (no reply); RTU: the same as Silence().
  static Cue Close() {
    Cue c;
    c.action = Action::kClose;
    return c;
  }
  static Cue Raw(Bytes frame) {
    Cue c;
    c.raw = std::move(frame);
    return c;
  }
  static Cue Exception(uint8_t code) {
    Cue c;
    c.exceptionCode = code;
    return c;
  }
  static Cue WrongDeviceId() {
    Cue c;
    c.deviceIdDelta = 1;
    return c;
  }
  static Cue WrongTransactionId() {
    Cue c;
    c.transactionIdDelta = 1;
    return c;
  }
  // A read reply that carries `bytes` data bytes fewer than asked for.
  static Cue Short(int bytes) {
    Cue c;
    c.shortBy = bytes;
    return c;
  }
  static Cue BadCrc() {
    Cue c;
    c.badCrc = true;
    return c;
  }
  Cue Late(int ms) const {
    Cue c = *this;
    c.delayMs = ms;
    return c;
  }
  // This cue's (stray) reply, then the request's own.
  Cue ThenOwn() const {
    Cue c = *this;
    c.thenOwn = true;
    return c;
  }
  Cue Split(int at, int pauseMs) const {
    Cue c = *this;
    c.splitAt = at;
    c.splitPauseMs = pauseMs;
    return c;
  }
};

class ScriptedSlave {
 public:
  enum class Mode { kTcp, kRtu, kRtuOverTcp, kUdp };

  explicit ScriptedSlave(Mode mode);
  ~ScriptedSlave();
  ScriptedSlave(const ScriptedSlave&) = delete;
  ScriptedSlave& operator=(const ScriptedSlave&) = delete;

  uint16_t Port() const { return port_; }  // all but kRtu
  const std::string& DevicePath() const;   // kRtu

  void Push(const Cue& cue);
  // The reply a well-behaved slave gives to `request` (a whole TCP or RTU
  // frame in this slave's mode); empty for a request it cannot parse.
  Bytes NormalReply(const Bytes& request) const;
  static uint16_t RegisterValue(uint16_t address) { return static_cast<uint16_t>(address + 1); }
  static bool BitValue(uint16_t address) { return (address & 1) != 0; }

  // Every request received so far, framing included, in order.
  std::vector<Bytes> Requests() const;
  // Waits until `count` requests have arrived / `count` cues have been
  // played out completely (reply sent, silence or close done).
  bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;
  bool WaitForCuesDone(size_t count, std::chrono::milliseconds timeout) const;

  // TCP, RTU over TCP: connections accepted so far.
  int Connections() const;
  // TCP, RTU over TCP: closes every connection and the listening socket, so that connects
  // are refused; Listen() takes the same port again.
  void GoAway();
  void Listen();

 private:
  struct Client {
    int fd;
    Bytes pending;
  };
  void Serve();
  void ServeTcp();
  void ServeRtu();
  void ServeUdp();
  bool RtuFraming() const { return mode_ == Mode::kRtu || mode_ == Mode::kRtuOverTcp; }
  bool Stream() const { return mode_ == Mode::kTcp || mode_ == Mode::kRtuOverTcp; }
  // Sends on fd: to the last datagram's sender in UDP.
  bool SendOut(int fd, const uint8_t* data, size_t n);
  // Takes whole requests off `pending` and plays their cues; false when the
  // connection was closed by a cue.
  bool HandleInput(int fd, Bytes& pending);
  bool Play(int fd, const Bytes& request);
  // The reply `cue` builds for `request`; empty when it is too short.
  Bytes Build(const Cue& cue, const Bytes& request) const;
  // Sleeps ms, returning false early when the slave is stopping.
  bool Pause(int ms);
  static void Signal(int fd);
  static void Drain(int fd);
  bool OpenListener();
  bool OpenUdp();

  const Mode mode_;
  std::unique_ptr<PtyPair> pty_;
  uint16_t port_ = 0;
  int stopFd_ = -1;     // set once, at destruction
  int commandFd_ = -1;  // GoAway() and Listen()

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::deque<Cue> cues_;
  std::vector<Bytes> requests_;
  size_t cuesDone_ = 0;
  int connections_ = 0;
  bool stopping_ = false;
  // Commands from the test to the serving thread.
  bool goAway_ = false;
  bool listen_ = false;

  // Serving thread only.
  int listenFd_ = -1;  // UDP: the datagram socket
  sockaddr_in udpPeer_{};
  std::vector<Client> clients_;
  std::thread thread_;
};

}  // namespace mms::test
