#pragma once
#include <atomic>
#include <cstdint>

namespace mms {

// TxBytes, RxBytes, TxFrames, RxFrames: zero at start, never reset, wrapping
// at 2^32. Written by the transports on the polling thread, read by the
// traffic statistics on the user-interface thread.
struct TrafficCounters {
  std::atomic<uint32_t> TxBytes{0};
  std::atomic<uint32_t> RxBytes{0};
  std::atomic<uint32_t> TxFrames{0};
  std::atomic<uint32_t> RxFrames{0};
};

}  // namespace mms
