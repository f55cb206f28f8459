#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "datawindow/DataWindowLimits.h"
#include "common/WindowRecord.h"
#include "modbus/Transport.h"

namespace mms {

class UiDispatcher;
class WindowTable;

// How the polling thread reports a poll to its data window. Each call runs on
// the user-interface thread (through UiDispatcher::RunAndWait) while the
// polling thread waits. `slot` is the index into DataWindows; an
// implementation looks the window up and does nothing when the slot is empty
// (the user may have closed it meanwhile).
class PollCallbacks {
 public:
  virtual ~PollCallbacks() = default;
  // Before every poll transaction.
  virtual void CountPoll(int slot) = 0;
  // Poll result 0. `request` is the poll as sent; its Length is the number of
  // values this reply wrote into `readBuffer` (kReadBufferSize elements, the
  // rest keep what earlier polls left).
  virtual void FillGrid(int slot, const PollDefinition& request, const uint16_t* readBuffer) = 0;
  // Poll result not 0, before ShowTimeout / ShowInvalidReply.
  virtual void CountError(int slot) = 0;
  // Poll result 129: "Modbus message timeout".
  virtual void ShowTimeout(int slot) = 0;
  // Poll result 128: "Invalid response to Modbus message".
  virtual void ShowInvalidReply(int slot) = 0;
};

// One Modbus exchange, as ModbusTransaction performs it. Injectable so the
// polling order can be tested apart from the codec.
using TransactionFunction = std::function<int(
    Transport& transport, uint8_t protocolMode, uint8_t function, uint8_t deviceId,
    uint16_t startAddress, uint16_t count, uint16_t* values, int valueCapacity)>;

// The polling thread. Created suspended; while running it walks slots
// 0 .. WindowCount-1 of the window table once per pass, sending each
// window's pending write or else its poll, pausing DelayBetweenPolls after
// every transaction and ScanRate after every pass.
//
// All public members are called on the user-interface thread.
class PollingThread {
 public:
  // `table`, `dispatcher`, `callbacks` and `scanRate` must outlive the PollingThread.
  // `transaction` defaults to ModbusTransaction.
  PollingThread(const WindowTable& table, UiDispatcher& dispatcher, PollCallbacks& callbacks,
       const std::atomic<int32_t>& scanRate, TransactionFunction transaction = nullptr);
  // Shutdown().
  ~PollingThread();
  PollingThread(const PollingThread&) = delete;
  PollingThread& operator=(const PollingThread&) = delete;

  // Connect: polls through `transport` from now on. Withdraws a stop that
  // was requested and not yet acted on, so the thread keeps running; if it
  // was suspended it starts a new pass at once. A pass in progress carries
  // on with the new transport from its next transaction.
  void Resume(std::shared_ptr<Transport> transport, uint8_t protocolMode);

  // Disconnect: every pause ends at once (between polls and after the pass);
  // the thread finishes the pass in progress without pausing (transactions
  // on a closed transport give 129) and suspends. Returns at once; never
  // waits for the thread.
  void RequestStop();

  // Pause after every transaction, in ms (negative counts as 0).
  void SetDelayBetweenPolls(int32_t ms);
  int32_t DelayBetweenPolls() const { return delayBetweenPolls_.load(); }

  // TCP Connect: one step above normal. Best effort: ignored where the
  // system does not allow it.
  void RaisePriority();

  // Exit: ends and joins the thread, waking every pause at once. A
  // transaction in progress ends within the transport's own timeout; to end
  // sooner, shut the dispatcher down (so a waiting callback is refused) and
  // have the connection interrupt its transport before calling this. No
  // callback starts once it was called. Idempotent.
  void Shutdown();

  // True between Resume and the moment the thread suspends after a stop.
  bool Running() const;
  // Passes completed since construction (for tests and benchmarks).
  uint64_t PassCount() const { return passes_.load(); }
  // Transactions performed since construction (polls and writes).
  uint64_t TransactionCount() const { return transactions_.load(); }

  // The largest count polled for a read function: what both a reply frame
  // and ReadBuffer hold (1100 for 1 and 2, 125 for 3 and 4). A longer Length
  // is polled clamped to it. 0 for any other code: a poll definition with
  // such a Function (a damaged window file) is never sent and is reported
  // as an invalid reply.
  static uint16_t MaxReadCount(uint8_t function);

 private:
  void Execute();
  bool WaitForRun();
  void VisitSlot(int slot);
  void Poll(const WindowRecord& record, Transport* transport);
  void RunCallback(const std::function<void()>& task);
  // Interruptible pause; returns at once on shutdown, and from a stop
  // request (even one a Resume has withdrawn) to the end of the pass.
  void Pause(int32_t ms);
  std::shared_ptr<Transport> CurrentTransport();

  const WindowTable& table_;
  UiDispatcher& dispatcher_;
  PollCallbacks& callbacks_;
  const std::atomic<int32_t>& scanRate_;
  TransactionFunction transaction_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool running_ = false;       // resumed and not yet suspended
  bool StopRequested = false;  // set by RequestStop, cleared by the thread
  bool cutPauses_ = false;     // set by RequestStop, cleared as a pass starts
  bool shutdown_ = false;
  std::atomic<bool> stopping_{false};  // shutdown_, readable without the lock
  std::atomic<bool> raisePriority_{false};
  std::shared_ptr<Transport> transport_;
  std::atomic<uint8_t> protocolMode_{kModbusRtu};
  std::atomic<int32_t> delayBetweenPolls_{0};

  // Polling-thread state; the callbacks read it while the thread waits.
  int32_t ScanDelay = 0;
  int SlotLimit = 0;
  int CurrentSlot = 0;
  PollDefinition CurrentRequest;
  uint16_t ReadBuffer[kReadBufferSize] = {};
  // Built once so no poll allocates.
  std::function<void()> countPollTask_, fillGridTask_, countErrorTask_, showTimeoutTask_,
      showInvalidReplyTask_;

  std::atomic<uint64_t> passes_{0};
  std::atomic<uint64_t> transactions_{0};
  std::thread thread_;
};

}  // namespace mms
