#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "modbus/Transport.h"

namespace mms {

class PollingThread;
class UiDispatcher;

// What a device scan asks every unit ID in turn.
struct ScanSettings {
  uint8_t FirstId = 1;
  uint8_t LastId = 247;
  uint8_t Function = 3;  // a read: 1-4
  uint16_t Address = 0;
  uint16_t Count = 1;
  int TimeoutMs = 100;  // instead of the connection's Timeout
};

// One unit ID asked, or the end of the scan.
struct ScanStep {
  uint8_t DeviceId = 0;
  bool Answered = false;  // a reply came (valid, exception or broken)
  int Result = 0;         // TransactionResult
  uint8_t ExceptionCode = 0;
  int32_t ResponseMicros = -1;
  std::string ReplyText;   // the values read, or the error text
  bool Finished = false;   // the last ID was asked
  bool Cancelled = false;  // not connected, or the connection went
};

// A scan of unit IDs over the connection the polling thread owns: one ID per
// polling-thread job, so the data windows are still polled between two IDs,
// each ID with the scan's own short timeout. Every step is reported on the
// user-interface thread through the dispatcher.
class DeviceScan : public std::enable_shared_from_this<DeviceScan> {
 public:
  using Report = std::function<void(const ScanStep&)>;

  // Starts at settings.FirstId. When the polling thread is not running the
  // one report is a cancelled step. `pool` and `dispatcher` outlive the scan's
  // jobs (the polling thread cancels or runs every job before it ends).
  static std::shared_ptr<DeviceScan> Start(PollingThread& pool, UiDispatcher& dispatcher,
                                           const ScanSettings& settings, Report report);

  // Any thread. No ID is asked after this, and no step is reported; the ID
  // being asked ends within the scan's timeout.
  void Stop() { stopped_.store(true); }
  bool Stopped() const { return stopped_.load(); }

  // The reply text of a valid read: its values, separated by spaces (bits as
  // 0/1, registers in decimal), the first 16 and then "...".
  static std::string ValuesText(const uint16_t* values, int count);

 private:
  DeviceScan(PollingThread& pool, UiDispatcher& dispatcher, const ScanSettings& settings,
             Report report);
  void Submit(uint8_t deviceId);
  void Step(Transport* transport, uint8_t protocolMode, uint8_t deviceId);
  void Post(const ScanStep& step);

  PollingThread& pool_;
  UiDispatcher& dispatcher_;
  const ScanSettings settings_;
  const Report report_;
  std::vector<uint16_t> values_;  // polling thread only
  std::atomic<bool> stopped_{false};
};

}  // namespace mms
