#pragma once
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "common/ResponseTimes.h"

namespace mms {

// What the polling thread reads of a data window at each visit.
struct PollDefinition {
  uint8_t Function = 1;  // 1 coils, 2 inputs, 3 holding registers, 4 input registers
  uint8_t DeviceID = 1;
  uint16_t Address = 0;
  uint16_t Length = 10;
};

// The most words a write request carries: 123 registers (function 16), or
// 1968 coils packed 16 to a word (function 15).
inline constexpr int kWriteWords = 123;
// The most words a read/write request (function 23) reads.
inline constexpr int kReadWriteWords = 125;

// A write queued by the write dialogs, sent in place of the window's next poll.
// WriteValues by function: 5, 6 the value; 16 WriteCount registers; 15
// WriteCount coils, coil i at bit i % 16 of word i / 16; 22 the AND and the OR
// mask; 23 the WriteCount registers written, while ReadCount registers are
// read from ReadAddress.
struct WriteRequest {
  uint8_t WriteFunction = 0;  // 5, 6, 15, 16, 22 or 23
  uint8_t WriteDeviceID = 0;
  uint16_t WriteAddress = 0;
  uint16_t WriteCount = 0;
  uint16_t WriteValues[kWriteWords] = {};
  uint16_t ReadAddress = 0;  // 23 only
  uint16_t ReadCount = 0;
};

// How the last write a window sent ended, for dialogs that show the answer.
// Result is the transaction's (0 a valid reply); Words holds what a function
// 23 read.
struct WriteOutcome {
  uint64_t Sequence = 0;  // grows with every write sent
  uint8_t Function = 0;
  bool Broadcast = false;  // sent to device 0, no reply awaited
  int Result = 0;
  uint16_t WordCount = 0;
  std::array<uint16_t, kReadWriteWords> Words{};
};

// The words of a poll that a window keeps: enough for its largest grid (100
// values) and the three words after its last cell that a 64-bit value reads.
inline constexpr int kPublishedWords = 128;

// How the last completed poll of a window ended.
// BroadcastSent: a write to device 0 went out (counted as a poll, nothing
// awaited); BroadcastRead: a poll of device 0, refused and never sent.
enum class PollOutcome : uint8_t {
  None,
  Valid,
  Timeout,
  InvalidReply,
  BroadcastSent,
  BroadcastRead
};

// The latest result the polling thread published for a window. Values holds
// the first ValueCount words of the last valid poll, which asked for Request.
struct PollResult {
  uint64_t Sequence = 0;        // grows with every publication
  uint64_t ValuesSequence = 0;  // grows with every valid poll
  uint64_t Polls = 0;
  uint64_t Valid = 0;
  uint64_t Errors = 0;
  PollOutcome Last = PollOutcome::None;
  uint8_t ExceptionCode = 0;  // of the last InvalidReply, when it was an exception reply
  ResponseTimes Response;     // of every poll that got a reply, since the last reset
  PollDefinition Request;
  uint16_t ValueCount = 0;
  std::array<uint16_t, kPublishedWords> Values{};
};

// The part of a data window shared between the user-interface thread and the
// polling thread. The window table and the Qt window each hold a shared
// reference, so closing a window never frees what the polling thread is using.
class WindowRecord {
 public:
  PollDefinition Poll() const {
    return PollDefinition{function_.load(), deviceId_.load(), address_.load(), length_.load()};
  }
  void SetFunction(uint8_t v) { function_.store(v); }
  void SetDeviceID(uint8_t v) { deviceId_.store(v); }
  void SetAddress(uint16_t v) { address_.store(v); }
  void SetLength(uint16_t v) { length_.store(v); }

  // Replaces any request not yet taken; the latest one wins.
  void QueueWrite(const WriteRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    write_ = request;
    pending_ = true;
  }
  // Takes the pending request, if any, clearing WritePending.
  bool TakeWrite(WriteRequest* request) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pending_) return false;
    *request = write_;
    pending_ = false;
    return true;
  }
  void PublishWriteOutcome(const WriteOutcome& outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t sequence = outcome_.Sequence + 1;
    outcome_ = outcome;
    outcome_.Sequence = sequence;
  }
  WriteOutcome LastWriteOutcome() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outcome_;
  }
  bool WritePending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_;
  }
  // The request as last queued (kept after it was sent).
  WriteRequest LastWrite() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return write_;
  }

  // Publishing, on the polling thread: a poll is counted when it is sent,
  // then either its words or its error. Never waits for the window.
  void CountPoll() {
    std::lock_guard<std::mutex> lock(resultMutex_);
    ++result_.Polls;
    ++result_.Sequence;
  }
  void PublishValues(const PollDefinition& request, const uint16_t* words) {
    std::lock_guard<std::mutex> lock(resultMutex_);
    ++result_.Valid;
    result_.Last = PollOutcome::Valid;
    result_.Request = request;
    result_.ValueCount = std::min<uint16_t>(request.Length, kPublishedWords);
    std::copy_n(words, result_.ValueCount, result_.Values.begin());
    ++result_.ValuesSequence;
    ++result_.Sequence;
  }
  void PublishError(PollOutcome outcome, uint8_t exceptionCode = 0) {
    std::lock_guard<std::mutex> lock(resultMutex_);
    ++result_.Errors;
    result_.Last = outcome;
    result_.ExceptionCode = exceptionCode;
    ++result_.Sequence;
  }
  // A broadcast write went out: sent, neither valid nor an error.
  void CountBroadcast() {
    std::lock_guard<std::mutex> lock(resultMutex_);
    ++result_.Polls;
    result_.Last = PollOutcome::BroadcastSent;
    ++result_.Sequence;
  }
  // A poll of device 0 was refused. Shown once: after a broadcast write that
  // write stays the window's news, and repeats publish nothing. Returns
  // whether it published.
  bool RefuseBroadcastRead() {
    std::lock_guard<std::mutex> lock(resultMutex_);
    if (result_.Last == PollOutcome::BroadcastSent || result_.Last == PollOutcome::BroadcastRead) {
      return false;
    }
    result_.Last = PollOutcome::BroadcastRead;
    ++result_.Sequence;
    return true;
  }
  // A poll's response time, before its values or error are published.
  void AddResponseTime(uint32_t micros) {
    std::lock_guard<std::mutex> lock(resultMutex_);
    result_.Response.Add(micros);
  }
  // The "Reset" button.
  void ResetCounters() {
    std::lock_guard<std::mutex> lock(resultMutex_);
    result_.Polls = result_.Valid = result_.Errors = 0;
    result_.Response = ResponseTimes{};
    ++result_.Sequence;
  }
  // Copies the latest result into `out` when it is newer than `out`.
  bool TakeResult(PollResult* out) const {
    std::lock_guard<std::mutex> lock(resultMutex_);
    if (out->Sequence == result_.Sequence) return false;
    *out = result_;
    return true;
  }

 private:
  std::atomic<uint8_t> function_{1};
  std::atomic<uint8_t> deviceId_{1};
  std::atomic<uint16_t> address_{0};
  std::atomic<uint16_t> length_{10};
  mutable std::mutex mutex_;
  WriteRequest write_;
  bool pending_ = false;
  WriteOutcome outcome_;
  mutable std::mutex resultMutex_;
  PollResult result_;
};

}  // namespace mms
