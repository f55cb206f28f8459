#pragma once
// Test peers of the polling thread: a user-interface thread of its own, the
// data-window side of the callbacks, and a scripted Modbus exchange.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/WindowRecord.h"
#include "modbus/ModbusProtocol.h"
#include "modbus/PollingThread.h"
#include "modbus/Transport.h"
#include "common/UiDispatcher.h"
#include "common/WindowTable.h"

namespace mms::test {

using Clock = std::chrono::steady_clock;
inline constexpr auto kPatience = std::chrono::seconds(10);

// Waits on `cv` until `done` holds; false when kPatience ran out first.
// Polls `done` until it holds; false when kPatience ran out first.
template <typename Pred>
bool Eventually(Pred done) {
  const auto end = Clock::now() + kPatience;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

template <typename Pred>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, Pred done) {
  return cv.wait_for(lock, kPatience, done);
}

// Runs RunAndWait tasks one at a time on a thread of its own, like the Qt
// event loop does. Block() stands for a user-interface thread busy elsewhere.
class TestUiThread : public UiDispatcher {
 public:
  TestUiThread() : thread_([this] { Loop(); }) {}
  ~TestUiThread() override { Shutdown(); }

  bool RunAndWait(const std::function<void()>& task) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (shutdown_) return false;
    auto entry = std::make_shared<Entry>();
    entry->task = &task;
    queue_.push_back(entry);
    cv_.notify_all();
    // Refused once shut down, unless the task already started: the caller's
    // state must stay put until it has finished.
    cv_.wait(lock, [&] { return entry->state == kDone || (shutdown_ && entry->state == kQueued); });
    return entry->state == kDone;
  }
  void Post(std::function<void()>) override {}  // PollingThread never posts
  void Block() {
    std::lock_guard<std::mutex> lock(mutex_);
    blocked_ = true;
  }
  void Unblock() {
    std::lock_guard<std::mutex> lock(mutex_);
    blocked_ = false;
    cv_.notify_all();
  }
  // Tasks queued and not yet run.
  size_t Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
  }
  void Shutdown() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      shutdown_ = true;
      cv_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
  }
  std::thread::id Id() const { return thread_.get_id(); }

 private:
  enum State { kQueued, kRunning, kDone };
  struct Entry {
    const std::function<void()>* task = nullptr;
    State state = kQueued;
  };

  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      cv_.wait(lock, [&] { return shutdown_ || (!blocked_ && !queue_.empty()); });
      if (shutdown_) return;
      auto entry = queue_.front();
      queue_.pop_front();
      entry->state = kRunning;
      lock.unlock();
      (*entry->task)();
      lock.lock();
      entry->state = kDone;
      cv_.notify_all();
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<Entry>> queue_;
  bool blocked_ = false;
  bool shutdown_ = false;
  std::thread thread_;
};

// Runs every task at once on the calling thread.
class DirectDispatcher : public UiDispatcher {
 public:
  bool RunAndWait(const std::function<void()>& task) override {
    task();
    return true;
  }
  void Post(std::function<void()> task) override { task(); }
};

// What the polling thread reported, in order; a report for a slot whose
// window was closed meanwhile is counted apart.
class RecordingWindows : public PollObserver {
 public:
  struct Event {
    std::string what;  // "poll", "grid", "error", "timeout", "invalid"
    int slot;
    PollDefinition request;
    uint16_t firstValue;
    bool onUiThread;
  };

  RecordingWindows(const WindowTable& table, std::thread::id uiThread)
      : table_(table), uiThread_(uiThread) {}

  void PollSent(int slot) override { Record("poll", slot); }
  void PollAnswered(int slot, const PollDefinition& request, const uint16_t* words) override {
    Record("grid", slot, request, words[0]);
  }
  void PollFailed(int slot, int result) override {
    Record("error", slot);
    Record(result == trNoReply ? "timeout" : "invalid", slot);
  }

  std::vector<Event> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  // The kinds of the events of one slot, joined by spaces.
  std::string Trace(int slot) const {
    std::string trace;
    for (const auto& e : Events()) {
      if (e.slot != slot) continue;
      if (!trace.empty()) trace += ' ';
      trace += e.what;
    }
    return trace;
  }
  int ClosedSlotCalls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closedSlotCalls_;
  }

 private:
  void Record(const char* what, int slot, PollDefinition request = {}, uint16_t first = 0) {
    const bool onUi = std::this_thread::get_id() == uiThread_;
    if (!table_.Slot(slot)) {
      std::lock_guard<std::mutex> lock(mutex_);
      ++closedSlotCalls_;
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(Event{what, slot, request, first, onUi});
  }

  const WindowTable& table_;
  std::thread::id uiThread_;
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  int closedSlotCalls_ = 0;
};

// A transport that does nothing by itself; the scripted exchange below plays
// the device. Interrupt() is what a connection does to a transport at exit.
class TestLink : public Transport {
 public:
  explicit TestLink(std::string name = "link") : name(std::move(name)) {}
  int TimeoutMs() const override { return 1000; }
  void DiscardStale() override {}
  void Send(const uint8_t*, int) override {}
  int Receive(uint8_t*, int, int) override { return -1; }
  void ReplyReceived(const uint8_t*, int) override {}
  const std::string name;
};

// Plays the Modbus exchanges: records each call, answers from a script, and
// can hold a call until released (a device that takes its time).
class ScriptedExchange {
 public:
  struct Call {
    const Transport* transport;
    uint8_t protocolMode, function, deviceId;
    uint16_t address, count;
    uint16_t values[4];
    int capacity;
    Clock::time_point at;
  };
  // The result for a call; may fill `values` (capacity elements).
  using Answer = std::function<int(const Call&, uint16_t* values)>;

  ScriptedExchange() = default;

  // What the PollingThread calls.
  TransactionFunction Function() {
    return [this](Transport& transport, uint8_t mode, uint8_t function, uint8_t deviceId,
                  uint16_t address, uint16_t count, uint16_t* values, int capacity) {
      Call call{&transport, mode,         function, deviceId,    address,
                count,      {0, 0, 0, 0}, capacity, Clock::now()};
      for (int i = 0; i < 4 && i < capacity; ++i) call.values[i] = values[i];
      std::unique_lock<std::mutex> lock(mutex_);
      calls_.push_back(call);
      if (calls_.size() > holdFrom_) holding_ = true;
      if (holding_) ++held_;
      changed_.notify_all();
      changed_.wait(lock, [&] { return !holding_; });
      Answer answer = answer_;
      lock.unlock();
      return answer ? answer(call, values) : 0;
    };
  }

  void SetAnswer(Answer answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = std::move(answer);
  }
  // Call number n (from 0) and the calls after it wait until Release().
  void HoldFrom(size_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    holdFrom_ = n;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    holding_ = false;
    holdFrom_ = SIZE_MAX;
    changed_.notify_all();
  }
  bool WaitForHeld(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return WaitUntil(changed_, lock, [&] { return held_ >= n; });
  }
  bool WaitForCalls(size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return WaitUntil(changed_, lock, [&] { return calls_.size() >= n; });
  }
  std::vector<Call> Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Call> calls_;
  Answer answer_;
  bool holding_ = false;
  size_t holdFrom_ = SIZE_MAX;
  int held_ = 0;
};

}  // namespace mms::test
