#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "modbus/ConnectionSettings.h"
#include "modbus/InterruptibleFd.h"
#include "modbus/Transport.h"

namespace mms {

class LogSink;
struct TrafficCounters;

// Microseconds one character takes on the line: start bit, 8 data bits,
// parity bit if any, stop bits.
int CharacterTimeUs(const SerialLineSettings& line);
// The silence that ends a reply: 3.5 character times, at least 1 ms.
int InterByteGapUs(const SerialLineSettings& line);

// What to add to "Port opening error!" when opening `devicePath` failed with
// `error` (an errno value): for a refused permission the device's group
// (dialout on Debian) and that a new login is needed after joining it; a
// hint for a missing or busy device; empty otherwise.
std::string PortOpeningAdvice(const std::string& devicePath, int error);

// Modbus RTU over a POSIX serial device. Open() on Connect's opening thread,
// the Transport operations on the polling thread, Shutdown() from any thread
// (Disconnect; during Open() the port is then closed again at once). One
// object serves one connection: after Shutdown() it stays closed. Keep it
// alive (shared_ptr) until no thread uses it.
class SerialPort : public Transport {
 public:
  enum class OpenResult { kOpened, kOpenFailed };

  // onTimeout runs on the polling thread when a reply wait ended with no
  // byte at all; it must not block (Connect posts "TIMEOUT" to the status
  // bar through it).
  SerialPort(TrafficCounters& counters, LogSink& log, std::function<void()> onTimeout = {});
  ~SerialPort() override;

  // Opens line.DevicePath for exclusive use (also against a second Open of
  // the same device in this process) and sets raw 8-bit mode, the baud rate,
  // parity and stop bits, no flow control, DTR and RTS off, no hang-up on
  // close. kOpenFailed when the device is missing, busy, no terminal or
  // refuses the settings (Connect shows "Port opening error!"). Throws Error
  // for settings the line cannot take: 1.5 stop bits, a baud rate outside
  // 1200..115200 or a parity code out of range, before opening anything.
  // The timeout is clamped to 0..kMaxTimeoutMs. With line.Rs485, the
  // driver's RS-485 mode is switched on; a driver that refuses it (a
  // pseudo-terminal, most USB adapters without it) throws Error naming the
  // device and the reason, and the device is closed again.
  OpenResult Open(const SerialLineSettings& line);
  // The errno of the last failed Open (0 after a successful one).
  int OpenError() const { return openError_; }

  // Wakes a Receive in progress at once, closes the device and makes later
  // operations fail (-1) or do nothing. Returns within a few milliseconds.
  void Shutdown();
  // Does not wait for an operation in progress.
  bool IsOpen() const;

  int TimeoutMs() const override { return timeoutMs_.load(std::memory_order_relaxed); }
  // Reads what is already waiting without blocking, logs and counts it as
  // one received line (several for more than one frame's worth).
  void DiscardStale() override;
  void Send(const uint8_t* frame, int length) override;
  // The first byte may come until waitMs after the request has left the
  // line; the reply ends with `length` bytes or InterByteGapUs() of silence;
  // the whole read is bounded by waitMs + length character times (at least
  // 1 ms each). -1 when the device failed, hung up or was shut down.
  int Receive(uint8_t* buffer, int length, int waitMs) override;
  // count 0 logs an empty received line and, when the last Receive simply
  // got no byte (not a failure, not shut down), calls onTimeout.
  void ReplyReceived(const uint8_t* buffer, int count) override;

 private:
  using Clock = InterruptibleFd::Clock;

  TrafficCounters& counters_;
  LogSink& log_;
  std::function<void()> onTimeout_;
  std::atomic<int> timeoutMs_{1000};
  int openError_ = 0;        // user-interface thread only
  SerialLineSettings line_;  // under io_'s lock
  int gapUs_ = 1000;
  int perByteUs_ = 1000;
  InterruptibleFd io_;
  // Polling thread only.
  Clock::time_point lineFreeAt_{};
  bool lastReceiveFailed_ = false;
};

}  // namespace mms
