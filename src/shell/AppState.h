#pragma once
#include <atomic>
#include <cstdint>

#include "common/TrafficCounters.h"
#include "modbus/Transport.h"
#include "common/WindowTable.h"

namespace mms {

// What the main window owns and the worker threads read: the window table,
// the traffic counters, ScanRate and ProtocolMode. Created before any window
// and before the worker threads, destroyed after both.
struct AppState {
  WindowTable DataWindows;
  TrafficCounters Traffic;
  std::atomic<int32_t> ScanRate{0};
  std::atomic<uint8_t> ProtocolMode{kModbusRtu};
};

}  // namespace mms
