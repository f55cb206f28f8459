#pragma once
#include <cstdint>
#include <string>

#include "common/TrafficCounters.h"

namespace mms {

// x rounded to 7 significant digits (half away from zero), then written with
// exactly `decimals` digits after `decimalSeparator`, no thousands separators.
// A magnitude of 10^7 or more (after that rounding) is written in scientific
// form instead: the 7 digits with trailing zeros dropped, then "E+" and a
// three-digit exponent, e.g. "1.234568E+007", "1E+010". Infinity and NaN give
// "INF", "-INF" and "NAN".
std::string FixedText(long double x, int decimals, char decimalSeparator);

// The total of a byte counter with its unit text: "1023 B ", "1.00 KB ",
// "1.50 MB " / "1.50 MB" (received), "1.00 GB " / "1.00 GB" (received).
std::string ByteSizeText(uint32_t n, bool received, char decimalSeparator);

// The texts of status panels 1 to 4, rebuilt on every tick of the main
// window's timer from the traffic counters. Rates divide by the nominal timer
// interval, not by the time that really passed; counter differences are taken
// modulo 2^32, so a wrapped counter still gives its small difference.
// Used on one thread only (the user-interface thread).
class TrafficStatistics {
 public:
  struct Panels {
    std::string tx;         // panel 1: "Tx : 1.50 MB    0.000 KB/s"
    std::string rx;         // panel 2: "Rx : 1.50 MB   0.000 KB/s"
    std::string requests;   // panel 3: "Requests : 0   0.00/s"
    std::string responses;  // panel 4: "Responses : 0   0.00/s"
  };

  // A non-positive interval is taken as the 200 ms of the main window timer.
  explicit TrafficStatistics(int timerIntervalMs = 200);

  // One tick. Each counter is read where the texts need it, so the polling
  // thread may advance them in between; the frame rates and the values kept
  // for the next tick come from the same read, so no frame is lost to a rate.
  Panels Tick(const TrafficCounters& counters, char decimalSeparator);
  // True when a Tick now would give the texts of the last one again: no
  // counter moved since, and none had moved before it. Idle ticks skip it.
  bool WouldRepeat(const TrafficCounters& counters) const;

  const std::string& TxRateText() const { return txRateText_; }
  const std::string& RxRateText() const { return rxRateText_; }
  const std::string& RequestRateText() const { return requestRateText_; }
  const std::string& ResponseRateText() const { return responseRateText_; }

 private:
  float seconds_;
  uint32_t previousTxBytes_ = 0;
  uint32_t previousRxBytes_ = 0;
  uint32_t previousTxFrames_ = 0;
  uint32_t previousRxFrames_ = 0;
  bool lastTickMoved_ = true;  // no texts yet
  std::string txRateText_;
  std::string rxRateText_;
  std::string requestRateText_;
  std::string responseRateText_;
};

}  // namespace mms
