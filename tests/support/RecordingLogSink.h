#pragma once
// A LogSink that keeps every frame handed to it, for assertions on what the
// transmission log would have written.
#include <cstdint>
#include <mutex>
#include <vector>

#include "log/LogSink.h"

namespace mms::test {

class RecordingLogSink : public LogSink {
 public:
  struct Frame {
    int direction;  // kLogTransmitted or kLogReceived
    std::vector<uint8_t> bytes;
    bool operator==(const Frame& other) const {
      return direction == other.direction && bytes == other.bytes;
    }
  };

  void LogHandOff(int direction, const uint8_t* bytes, int count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back(
        Frame{direction, std::vector<uint8_t>(bytes, bytes + (count > 0 ? count : 0))});
  }
  std::vector<Frame> Frames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Frame> frames_;
};

}  // namespace mms::test
