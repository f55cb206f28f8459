#include "common/ResponseTimes.h"

#include <cstdio>

namespace mms {

std::string MillisecondsText(uint32_t micros) {
  char text[32];
  if (micros < 99950) {
    std::snprintf(text, sizeof text, "%.1f", micros / 1000.0);
  } else {
    std::snprintf(text, sizeof text, "%u", (micros + 500) / 1000);
  }
  return text;
}

std::string LastResponseText(const ResponseTimes& times) {
  return times.Count == 0 ? "-" : MillisecondsText(times.LastMicros);
}

std::string ResponseRangeText(const ResponseTimes& times) {
  if (times.Count == 0) return "-";
  return MillisecondsText(times.MinMicros) + "/" + MillisecondsText(times.MeanMicros()) + "/" +
         MillisecondsText(times.MaxMicros);
}

std::string ResponseTimesSpoken(const ResponseTimes& times) {
  if (times.Count == 0) return "no response yet";
  return "last " + MillisecondsText(times.LastMicros) + " ms, minimum " +
         MillisecondsText(times.MinMicros) + " ms, mean " + MillisecondsText(times.MeanMicros()) +
         " ms, maximum " + MillisecondsText(times.MaxMicros) + " ms";
}

}  // namespace mms
