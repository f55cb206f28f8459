#include "modbus/PollingThread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "modbus/ModbusProtocol.h"
#include "common/WindowTable.h"

namespace mms {

namespace {

// A pass that sent nothing (no window yet, or every slot closed) with a pass
// pause shorter than this waits this long instead, so an idle connection
// does not spin. Short enough that a new window is polled without a
// noticeable delay.
constexpr int32_t kIdlePassMs = 20;

}  // namespace

PollingThread::PollingThread(const WindowTable& table, PollObserver& observer,
                             const std::atomic<int32_t>& scanRate, TransactionFunction transaction)
    : table_(table),
      observer_(observer),
      scanRate_(scanRate),
      transaction_(transaction ? std::move(transaction) : TransactionFunction(&ModbusTransaction)) {
  thread_ = std::thread([this] { Execute(); });
}

PollingThread::~PollingThread() { Shutdown(); }

void PollingThread::Resume(std::shared_ptr<Transport> transport, uint8_t protocolMode) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (shutdown_) return;
  transport_ = std::move(transport);
  protocolMode_.store(protocolMode);
  StopRequested = false;
  running_ = true;
  wake_.notify_all();
}

void PollingThread::RequestStop() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!running_) return;
  StopRequested = true;
  cutPauses_ = true;
  wake_.notify_all();
  CancelJobs(lock);
}

bool PollingThread::Submit(PollingJob job) {
  if (!job) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_ && !StopRequested && !shutdown_) {
      jobs_.push_back(std::move(job));
      wake_.notify_all();
      return true;
    }
  }
  job(nullptr, protocolMode_.load());
  return false;
}

void PollingThread::CancelJobs(std::unique_lock<std::mutex>& lock) {
  if (jobs_.empty()) return;
  std::vector<PollingJob> cancelled;
  cancelled.swap(jobs_);
  lock.unlock();
  for (PollingJob& job : cancelled) job(nullptr, protocolMode_.load());
  lock.lock();
}

void PollingThread::SetDelayBetweenPolls(int32_t ms) { delayBetweenPolls_.store(std::max(ms, 0)); }

void PollingThread::RaisePriority() { raisePriority_.store(true); }

void PollingThread::Shutdown() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    shutdown_ = true;
    stopping_.store(true);
    wake_.notify_all();
    CancelJobs(lock);
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool PollingThread::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

uint16_t PollingThread::MaxReadCount(uint8_t function) {
  switch (function) {
    case 1:
    case 2:
      return std::min<uint16_t>(kMaxReadBits, kReadBufferSize);
    case 3:
    case 4:
      return std::min<uint16_t>(kMaxReadRegisters, kReadBufferSize);
    default:
      return 0;
  }
}

void PollingThread::Execute() {
  pthread_setname_np(pthread_self(), "Polling");
  const int normalNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  while (WaitForRun()) {
    if (raisePriority_.exchange(false)) {
      // Lowering the nice value needs privileges most desktops do not grant.
      (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), normalNice - 1);
    }
    const uint64_t sentBefore = transactions_.load();
    SlotLimit = table_.WindowCount();
    for (CurrentSlot = 0; CurrentSlot < SlotLimit && !stopping_.load(); ++CurrentSlot) {
      ScanDelay = scanRate_.load();
      VisitSlot(CurrentSlot);
    }
    int32_t pause = ScanDelay;
    if (transactions_.load() == sentBefore) pause = std::max(pause, kIdlePassMs);
    Pause(pause);
    passes_.fetch_add(1);
  }
}

bool PollingThread::WaitForRun() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (StopRequested) {
    StopRequested = false;
    running_ = false;
    transport_.reset();
  }
  if (!running_) CancelJobs(lock);
  wake_.wait(lock, [this] { return running_ || shutdown_; });
  cutPauses_ = false;
  return !shutdown_;
}

std::shared_ptr<Transport> PollingThread::CurrentTransport() {
  std::lock_guard<std::mutex> lock(mutex_);
  return transport_;
}

void PollingThread::VisitSlot(int slot) {
  // Our own references: closing the window or disconnecting meanwhile frees
  // neither until this visit is over.
  const std::shared_ptr<WindowRecord> record = table_.Slot(slot);
  if (!record) return;
  const std::shared_ptr<Transport> transport = CurrentTransport();
  WriteRequest write;
  if (record->TakeWrite(&write)) {
    Write(*record, write, transport.get());
  } else if (!Poll(*record, transport.get())) {
    return;  // nothing sent, nothing to pause for
  }
  transactions_.fetch_add(1);
  Pause(delayBetweenPolls_.load());
}

void PollingThread::Write(WindowRecord& record, const WriteRequest& write, Transport* transport) {
  WriteOutcome outcome;
  outcome.Function = write.WriteFunction;
  outcome.Broadcast = write.WriteDeviceID == kBroadcastId;
  outcome.Result = trNoReply;
  if (transport && write.WriteFunction == 23) {
    // Operands first (write address, count, words); the words read come back
    // in their place.
    uint16_t* operands = outcome.Words.data();
    operands[0] = write.WriteAddress;
    operands[1] = std::min<uint16_t>(write.WriteCount, kWriteWords);
    std::copy_n(write.WriteValues, std::min<int>(operands[1], kReadWriteWords - 2), operands + 2);
    outcome.Result = transaction_(*transport, protocolMode_.load(), 23, write.WriteDeviceID,
                                  write.ReadAddress, write.ReadCount, operands, kReadWriteWords);
    outcome.WordCount = outcome.Result == trOk ? write.ReadCount : 0;
  } else if (transport) {
    uint16_t values[kWriteWords];
    std::copy_n(write.WriteValues, kWriteWords, values);
    outcome.Result =
        transaction_(*transport, protocolMode_.load(), write.WriteFunction, write.WriteDeviceID,
                     write.WriteAddress, write.WriteCount, values, kWriteWords);
  }
  if (outcome.Result != trOk) outcome.Words.fill(0);
  // A write's own failure shows only in the dialogs that wait for it; a
  // broadcast that went out is the window's news, as nothing else answers.
  record.PublishWriteOutcome(outcome);
  if (outcome.Broadcast && outcome.Result == trOk) {
    record.CountBroadcast();
    observer_.PollSent(CurrentSlot);
  }
}

bool PollingThread::Poll(WindowRecord& record, Transport* transport) {
  PollDefinition request = record.Poll();
  if (request.DeviceID == kBroadcastId) {
    // No device answers a broadcast, so a read of one is never sent.
    if (record.RefuseBroadcastRead()) observer_.PollFailed(CurrentSlot, trInvalidReply);
    return false;
  }
  const uint16_t limit = MaxReadCount(request.Function);
  request.Length = std::min(request.Length, limit);
  record.CountPoll();
  observer_.PollSent(CurrentSlot);
  int result = trNoReply;
  ExchangeFacts facts;
  if (limit == 0) {
    // Not a read function (a damaged window file): never sent, since a write
    // code would put the read buffer on the wire.
    result = trInvalidReply;
  } else if (transport) {
    transport->LastExchange() = ExchangeFacts{};
    result = transaction_(*transport, protocolMode_.load(), request.Function, request.DeviceID,
                          request.Address, request.Length, ReadBuffer, kReadBufferSize);
    facts = transport->LastExchange();
  }
  if (facts.ResponseMicros >= 0) {
    record.AddResponseTime(static_cast<uint32_t>(facts.ResponseMicros));
  }
  if (result == trOk) {
    record.PublishValues(request, ReadBuffer);
    observer_.PollAnswered(CurrentSlot, request, ReadBuffer);
    return true;
  }
  if (result == trInvalidReply) {
    record.PublishError(PollOutcome::InvalidReply, facts.ExceptionCode);
  } else {
    record.PublishError(PollOutcome::Timeout);
  }
  observer_.PollFailed(CurrentSlot, result);
  return true;
}

void PollingThread::Pause(int32_t ms) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
  std::unique_lock<std::mutex> lock(mutex_);
  bool ranJobs = false;
  for (;;) {
    // Not StopRequested alone: a quick Connect withdraws the stop, and its
    // new connection must still be polled at once, not after the pause.
    if (shutdown_ || cutPauses_) return;
    const bool over = Clock::now() >= until;
    if (!jobs_.empty() && (!ranJobs || !over)) {
      RunJobs(lock);
      ranJobs = true;
      continue;
    }
    if (over) return;
    wake_.wait_until(lock, until, [&] { return shutdown_ || cutPauses_ || !jobs_.empty(); });
  }
}

void PollingThread::RunJobs(std::unique_lock<std::mutex>& lock) {
  std::vector<PollingJob> due;
  due.swap(jobs_);
  const std::shared_ptr<Transport> transport = transport_;
  lock.unlock();
  for (PollingJob& job : due) {
    // A job that throws must not take the polling thread with it.
    try {
      job(transport.get(), protocolMode_.load());
    } catch (...) {
    }
  }
  lock.lock();
}

}  // namespace mms
