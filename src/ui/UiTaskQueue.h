#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace mms {

// Tasks handed from worker threads to the user-interface thread, without Qt so
// that it runs under ThreadSanitizer on its own. The owner supplies `wake`,
// which must arrange for RunPending() to be called on the user-interface
// thread soon; it is called from the queuing thread, outside the lock.
//
// Shutdown() releases every worker waiting in RunAndWait() whose task has not
// started yet, so a user-interface thread that is about to wait for the
// workers (Exit) never waits on a worker that is waiting for it. A task that
// has already started runs to its end first; it runs on the user-interface
// thread, so it cannot be blocked by the shutdown.
class UiTaskQueue {
 public:
  explicit UiTaskQueue(std::function<void()> wake,
                       std::thread::id uiThread = std::this_thread::get_id())
      : wake_(std::move(wake)), uiThread_(uiThread) {}
  UiTaskQueue(const UiTaskQueue&) = delete;
  UiTaskQueue& operator=(const UiTaskQueue&) = delete;

  // Runs `task` on the user-interface thread and waits for it. Called on the
  // user-interface thread itself, the task runs at once. Returns false, without
  // running the task, once Shutdown() has been called.
  bool RunAndWait(const std::function<void()>& task) {
    if (std::this_thread::get_id() == uiThread_) {
      if (IsShutDown()) return false;
      RunGuarded(task);
      return true;
    }
    auto entry = std::make_shared<Entry>();
    entry->borrowed = &task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (shutDown_) return false;
      queue_.push_back(entry);
    }
    wake_();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock,
               [&] { return entry->state == State::kDone || entry->state == State::kDropped; });
    return entry->state == State::kDone;
  }

  // Queues `task` without waiting. Returns false, dropping it, after Shutdown().
  bool Post(std::function<void()> task) {
    auto entry = std::make_shared<Entry>();
    entry->owned = std::move(task);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (shutDown_) return false;
      queue_.push_back(entry);
    }
    wake_();
    return true;
  }

  // Runs the tasks queued before the call; user-interface thread only. Tasks
  // queued while it runs wait for the next call (their own wake-up).
  void RunPending() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (std::size_t n = queue_.size(); n > 0 && !queue_.empty() && !shutDown_; --n) {
      std::shared_ptr<Entry> entry = std::move(queue_.front());
      queue_.pop_front();
      entry->state = State::kRunning;
      lock.unlock();
      RunGuarded(entry->borrowed ? *entry->borrowed : entry->owned);
      lock.lock();
      entry->state = State::kDone;
      done_.notify_all();
    }
  }

  // From now on RunAndWait() and Post() return false at once; tasks not yet
  // started are dropped and their waiters released. Any thread; idempotent.
  void Shutdown() {
    std::deque<std::shared_ptr<Entry>> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      shutDown_ = true;
      dropped.swap(queue_);
      for (auto& entry : dropped) entry->state = State::kDropped;
      done_.notify_all();
    }
    // Posted tasks are destroyed here, outside the lock.
  }

  bool IsShutDown() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shutDown_;
  }

  std::size_t PendingCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
  }

 private:
  enum class State { kQueued, kRunning, kDone, kDropped };
  struct Entry {
    const std::function<void()>* borrowed = nullptr;  // RunAndWait: the waiter's task
    std::function<void()> owned;                      // Post: the queue's own copy
    State state = State::kQueued;
  };

  // A task that throws must not take the event loop down; it ends that task only.
  static void RunGuarded(const std::function<void()>& task) {
    try {
      if (task) task();
    } catch (...) {
    }
  }

  std::function<void()> wake_;
  const std::thread::id uiThread_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::shared_ptr<Entry>> queue_;
  bool shutDown_ = false;
};

}  // namespace mms
