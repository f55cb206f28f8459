#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "datawindow/DataWindowLimits.h"
#include "common/WindowRecord.h"
#include "modbus/Transport.h"

namespace mms {

class WindowTable;

// Told of every poll as the polling thread completes it, on the polling
// thread, after the result is published into the window's record (the
// screen shows records at its own pace; see RepaintSignal). An observer must
// return at once and never wait for the user-interface thread. `slot` is the
// index into DataWindows.
class PollObserver {
 public:
  virtual ~PollObserver() = default;
  // Before every poll transaction, and after a broadcast write (a poll sent
  // that awaits nothing).
  virtual void PollSent(int slot) = 0;
  // A valid reply: `request` is the poll as sent, its Length the number of
  // words in `words`.
  virtual void PollAnswered(int slot, const PollDefinition& request, const uint16_t* words) = 0;
  // trNoReply ("Modbus message timeout") or trInvalidReply ("Invalid
  // response to Modbus message"; once also when a poll of device 0 is
  // refused unsent).
  virtual void PollFailed(int slot, int result) = 0;
};

// One Modbus exchange, as ModbusTransaction performs it. Injectable so the
// polling order can be tested apart from the codec.
using TransactionFunction = std::function<int(
    Transport& transport, uint8_t protocolMode, uint8_t function, uint8_t deviceId,
    uint16_t startAddress, uint16_t count, uint16_t* values, int valueCapacity)>;

// A one-off exchange run on the polling thread between two transactions,
// over the connection it polls. Called with a null transport when it is
// cancelled instead (not connected, Disconnect, Exit), then on whichever
// thread cancels; it must return at once then.
using PollingJob = std::function<void(Transport* transport, uint8_t protocolMode)>;

// The polling thread. Created suspended; while running it walks slots
// 0 .. WindowCount-1 of the window table once per pass, sending each
// window's pending write or else its poll, pausing DelayBetweenPolls after
// every transaction and ScanRate after every pass.
//
// All public members are called on the user-interface thread.
class PollingThread {
 public:
  // `table`, `observer` and `scanRate` must outlive the PollingThread.
  // `transaction` defaults to ModbusTransaction.
  PollingThread(const WindowTable& table, PollObserver& observer,
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

  // Queues `job` for the polling thread: it runs after the transaction in
  // progress, in order with other jobs. Every pause runs the jobs queued by
  // then, and keeps running newly queued ones until the pause is over, so a
  // chain of jobs that each queue the next shares the line with the polls.
  // When the thread is not running (or stopping) the job is cancelled on the
  // caller's thread and Submit returns false. Any thread.
  bool Submit(PollingJob job);

  // Pause after every transaction, in ms (negative counts as 0).
  void SetDelayBetweenPolls(int32_t ms);
  int32_t DelayBetweenPolls() const { return delayBetweenPolls_.load(); }

  // TCP Connect: one step above normal. Best effort: ignored where the
  // system does not allow it.
  void RaisePriority();

  // Exit: ends and joins the thread, waking every pause at once. A
  // transaction in progress ends within the transport's own timeout; to end
  // sooner, have the connection interrupt its transport before calling this.
  // Idempotent.
  void Shutdown();

  // True between Resume and the moment the thread suspends after a stop.
  bool Running() const;
  // Passes completed since construction (for tests and benchmarks).
  uint64_t PassCount() const { return passes_.load(); }
  // Transactions performed since construction (polls and writes).
  uint64_t TransactionCount() const { return transactions_.load(); }
  // The slot whose transaction is under way: for a transaction function,
  // on the polling thread only.
  int SlotInProgress() const { return CurrentSlot; }

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
  // False when nothing was sent (a read of device 0).
  bool Poll(WindowRecord& record, Transport* transport);
  // The write branch: every queued write is sent from here.
  void Write(WindowRecord& record, const WriteRequest& write, Transport* transport);
  // Interruptible pause; returns at once on shutdown, and from a stop
  // request (even one a Resume has withdrawn) to the end of the pass.
  // Runs queued jobs (see Submit).
  void Pause(int32_t ms);
  void RunJobs(std::unique_lock<std::mutex>& lock);
  // Takes every queued job out under `lock` and cancels them without it.
  void CancelJobs(std::unique_lock<std::mutex>& lock);
  std::shared_ptr<Transport> CurrentTransport();

  const WindowTable& table_;
  PollObserver& observer_;
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
  std::vector<PollingJob> jobs_;  // under mutex_
  std::atomic<uint8_t> protocolMode_{kModbusRtu};
  std::atomic<int32_t> delayBetweenPolls_{0};

  // Polling-thread state.
  int32_t ScanDelay = 0;
  int SlotLimit = 0;
  int CurrentSlot = 0;
  uint16_t ReadBuffer[kReadBufferSize] = {};

  std::atomic<uint64_t> passes_{0};
  std::atomic<uint64_t> transactions_{0};
  std::thread thread_;
};

}  // namespace mms
