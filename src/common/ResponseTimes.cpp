#include "common/ResponseTimes.h"

#include <cstdio>

namespace mms {

namespace {

// Milliseconds with one decimal, rounded.
std::string Ms(uint32_t micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", micros / 1000.0);
  return text;
}

}  // namespace

std::string ResponseTimesText(const ResponseTimes& times) {
  if (times.Count == 0) return "-";
  return Ms(times.LastMicros) + " ms (" + Ms(times.MinMicros) + "/" + Ms(times.MeanMicros()) +
         "/" + Ms(times.MaxMicros) + ")";
}

std::string ResponseTimesSpoken(const ResponseTimes& times) {
  if (times.Count == 0) return "no response yet";
  return "last " + Ms(times.LastMicros) + " ms, minimum " + Ms(times.MinMicros) + " ms, mean " +
         Ms(times.MeanMicros()) + " ms, maximum " + Ms(times.MaxMicros) + " ms";
}

}  // namespace mms
