#pragma once
#include <cstdint>

namespace mms {

inline constexpr int kLogTransmitted = 1;
inline constexpr int kLogReceived = 2;

// Where the transports hand each frame for the transmission log. LogHandOff
// copies the bytes and returns at once; it never waits for the disk.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void LogHandOff(int direction, const uint8_t* bytes, int count) = 0;
};

}  // namespace mms
