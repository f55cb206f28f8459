#pragma once
#include <algorithm>
#include <cstdint>
#include <string>

namespace mms {

// A window's response times since its counters were last reset: the last,
// the smallest, the largest and the sum for the mean, in microseconds.
// Plain numbers, so adding one never allocates.
struct ResponseTimes {
  uint64_t Count = 0;
  uint64_t TotalMicros = 0;
  uint32_t LastMicros = 0;
  uint32_t MinMicros = 0;
  uint32_t MaxMicros = 0;

  void Add(uint32_t micros) {
    MinMicros = Count == 0 ? micros : std::min(MinMicros, micros);
    MaxMicros = std::max(MaxMicros, micros);
    LastMicros = micros;
    TotalMicros += micros;
    ++Count;
  }
  uint32_t MeanMicros() const {
    return Count == 0 ? 0 : static_cast<uint32_t>(TotalMicros / Count);
  }
};

// Milliseconds, short enough for a counter's room: "0.4", "12.3", and whole
// from 100 ms on ("250").
std::string MillisecondsText(uint32_t micros);
// The last response time, "12.3"; "-" before the first response.
std::string LastResponseText(const ResponseTimes& times);
// Minimum, mean and maximum, "10.1/12.0/15.4"; "-" before the first response.
std::string ResponseRangeText(const ResponseTimes& times);

// The same for screen readers: "last 12.3 ms, minimum 10.1 ms, mean 12.0 ms,
// maximum 15.4 ms"; "no response yet" before the first.
std::string ResponseTimesSpoken(const ResponseTimes& times);

}  // namespace mms
