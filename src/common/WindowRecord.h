#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

namespace mms {

// What the polling thread reads of a data window at each visit.
struct PollDefinition {
  uint8_t Function = 1;  // 1 coils, 2 inputs, 3 holding registers, 4 input registers
  uint8_t DeviceID = 1;
  uint16_t Address = 0;
  uint16_t Length = 10;
};

// A write queued by the write dialogs, sent in place of the window's next poll.
struct WriteRequest {
  uint8_t WriteFunction = 0;  // 5, 6 or 16
  uint8_t WriteDeviceID = 0;
  uint16_t WriteAddress = 0;
  uint16_t WriteCount = 0;
  uint16_t WriteValues[4] = {0, 0, 0, 0};
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
  bool WritePending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_;
  }
  // The request as last queued (kept after it was sent).
  WriteRequest LastWrite() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return write_;
  }

 private:
  std::atomic<uint8_t> function_{1};
  std::atomic<uint8_t> deviceId_{1};
  std::atomic<uint16_t> address_{0};
  std::atomic<uint16_t> length_{10};
  mutable std::mutex mutex_;
  WriteRequest write_;
  bool pending_ = false;
};

}  // namespace mms
