#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "log/LogSink.h"
#include "modbus/PollingThread.h"

namespace mms {

// The largest frame either framing carries (a TCP frame: 260 bytes). Longer
// hand-offs (a burst of stale input) keep their first kTapFrameBytes bytes.
inline constexpr int kTapFrameBytes = 260;

// One thing the polling thread did, as the traffic monitor sees it.
struct TapEvent {
  enum Kind : uint8_t { kTransmitted, kReceived, kBegin, kEnd };
  Kind kind = kTransmitted;
  uint8_t protocolMode = 0;  // kBegin
  int16_t slot = -1;         // kBegin: the data window, -1 for none
  int32_t result = 0;        // kEnd: the transaction's result
  int64_t wallUs = 0;        // system clock, microseconds since the epoch
  int64_t steadyUs = 0;      // for response times
  uint16_t size = 0;         // bytes as handed over
  uint16_t kept = 0;         // of them in bytes
  uint8_t bytes[kTapFrameBytes];
};

// Where the traffic monitor taps the conversation: frames from the
// transports' log hand-off, and where each transaction starts and ends. The
// polling thread never waits for the monitor: each event is a short-lock copy
// into a preallocated buffer, and when the monitor falls behind events are
// counted as dropped rather than waited for. Disabled (the monitor closed),
// every call returns at once.
class TrafficTap : public LogSink {
 public:
  static constexpr size_t kDefaultCapacity = 8192;
  explicit TrafficTap(size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // User-interface thread. The buffers are allocated at the first enable.
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_.load(std::memory_order_relaxed); }

  // Polling thread.
  void LogHandOff(int direction, const uint8_t* bytes, int count) override;
  void TransactionBegun(int slot, uint8_t protocolMode);
  void TransactionEnded(int result);

  // User-interface thread: hands every event waiting to `take`, oldest first,
  // and returns how many were dropped since the last call.
  uint64_t Drain(const std::function<void(const TapEvent&)>& take);

 private:
  TapEvent* Reserve();  // under mutex_; null when full

  const size_t capacity_;
  std::atomic<bool> enabled_{false};
  std::mutex mutex_;
  // Two buffers: the polling thread fills one while Drain reads the other.
  std::vector<TapEvent> buffers_[2];
  size_t fill_[2] = {0, 0};
  int active_ = 0;
  uint64_t dropped_ = 0;
};

// `inner` (ModbusTransaction) with each call marked on `tap`, the slot read
// from `slotInProgress` on the polling thread.
TransactionFunction TapTransactions(TrafficTap& tap, TransactionFunction inner,
                                    std::function<int()> slotInProgress);

}  // namespace mms
