#pragma once
#include <cstdint>

namespace mms {

inline constexpr int kLogTransmitted = 1;
inline constexpr int kLogReceived = 2;

// Where the transports hand each frame for the transmission log. LogHandOff
// copies the bytes and returns at once while the writer keeps up; when it
// falls behind, it waits a bounded time for room rather than lose the frame.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void LogHandOff(int direction, const uint8_t* bytes, int count) = 0;
};

}  // namespace mms
