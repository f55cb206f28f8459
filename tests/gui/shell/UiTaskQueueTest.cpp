// The queue behind the user-interface dispatcher, driven by plain threads: the
// test's main thread plays the user-interface thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ui/UiTaskQueue.h"

namespace {

using namespace std::chrono_literals;

// Counts wake-ups so the "user-interface thread" can wait for work without polling.
class Waker {
 public:
  void Wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++wakes_;
    changed_.notify_all();
  }
  // Waits until at least `n` wake-ups have happened.
  void WaitFor(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return wakes_ >= n; });
  }
  int Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return wakes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int wakes_ = 0;
};

class UiTaskQueueTest : public ::testing::Test {
 protected:
  Waker waker_;
  mms::UiTaskQueue queue_{[this] { waker_.Wake(); }};
};

TEST_F(UiTaskQueueTest, WorkerTaskRunsOnTheUiThreadAndTheWorkerWaitsForIt) {
  const auto uiThread = std::this_thread::get_id();
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  bool result = false;
  std::thread worker([&] {
    result = queue_.RunAndWait([&] { ranOn = std::this_thread::get_id(); });
    returned = true;
  });
  waker_.WaitFor(1);
  EXPECT_FALSE(returned.load());  // not before the user-interface thread ran it
  queue_.RunPending();
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(ranOn, uiThread);
}

TEST_F(UiTaskQueueTest, OnTheUiThreadItselfTheTaskRunsAtOnce) {
  int runs = 0;
  EXPECT_TRUE(queue_.RunAndWait([&] { ++runs; }));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(waker_.Count(), 0);
  EXPECT_EQ(queue_.PendingCount(), 0u);
}

TEST_F(UiTaskQueueTest, ShutdownReleasesAWaitingWorkerWithoutRunningItsTask) {
  std::atomic<bool> ran{false};
  bool result = true;
  std::thread worker([&] { result = queue_.RunAndWait([&] { ran = true; }); });
  waker_.WaitFor(1);
  queue_.Shutdown();  // the user-interface thread never serves the queue
  worker.join();
  EXPECT_FALSE(result);
  queue_.RunPending();
  EXPECT_FALSE(ran.load());
}

TEST_F(UiTaskQueueTest, AfterShutdownEverythingIsRefusedAtOnce) {
  queue_.Shutdown();
  queue_.Shutdown();  // idempotent
  int runs = 0;
  EXPECT_FALSE(queue_.RunAndWait([&] { ++runs; }));  // user-interface thread
  bool fromWorker = true;
  std::thread([&] { fromWorker = queue_.RunAndWait([&] { ++runs; }); }).join();
  EXPECT_FALSE(fromWorker);
  EXPECT_FALSE(queue_.Post([&] { ++runs; }));
  queue_.RunPending();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(waker_.Count(), 0);
}

TEST_F(UiTaskQueueTest, PostedTasksRunInOrderAndUnrunOnesAreDroppedAtShutdown) {
  std::vector<int> order;
  auto shared = std::make_shared<int>(0);
  EXPECT_TRUE(queue_.Post([&] { order.push_back(1); }));
  EXPECT_TRUE(queue_.Post([&] { order.push_back(2); }));
  queue_.RunPending();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  queue_.Post([shared] { ++*shared; });
  EXPECT_EQ(shared.use_count(), 2);
  queue_.Shutdown();
  EXPECT_EQ(shared.use_count(), 1);  // the dropped task has let go of what it held
}

TEST_F(UiTaskQueueTest, ATaskQueuedByARunningTaskWaitsForTheNextRound) {
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    queue_.Post(again);
  };
  queue_.Post(again);
  queue_.RunPending();  // must return although every task queues another
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(queue_.PendingCount(), 1u);
  queue_.Shutdown();
}

TEST_F(UiTaskQueueTest, ATaskThatThrowsEndsOnlyThatTask) {
  bool result = false;
  std::thread worker([&] { result = queue_.RunAndWait([] { throw std::runtime_error("x"); }); });
  waker_.WaitFor(1);
  queue_.RunPending();
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_TRUE(queue_.RunAndWait([] { throw 1; }));
}

TEST_F(UiTaskQueueTest, ShutdownDuringARunningTaskLetsItFinish) {
  std::atomic<bool> finished{false};
  bool result = false;
  std::thread worker([&] {
    result = queue_.RunAndWait([&] {
      queue_.Shutdown();  // e.g. Exit chosen while a callback runs
      finished = true;
    });
  });
  waker_.WaitFor(1);
  queue_.RunPending();
  worker.join();
  EXPECT_TRUE(finished.load());
  EXPECT_TRUE(result);
}

TEST_F(UiTaskQueueTest, ManyWorkersAreServedUntilShutdownAndNoneIsLeftWaiting) {
  constexpr int kWorkers = 4;
  std::atomic<int> served{0};
  std::atomic<int> refused{0};
  std::atomic<bool> stop{false};
  int counter = 0;  // only ever touched on the user-interface thread
  std::vector<std::thread> workers;
  for (int i = 0; i < kWorkers; ++i) {
    workers.emplace_back([&] {
      while (!stop) {
        if (queue_.RunAndWait([&] { ++counter; })) {
          ++served;
        } else {
          ++refused;
          return;
        }
      }
    });
  }
  int seen = 0;
  while (served < 200) {
    waker_.WaitFor(++seen);
    queue_.RunPending();
  }
  stop = true;
  queue_.Shutdown();
  for (auto& w : workers) w.join();
  EXPECT_EQ(counter, served.load());
  EXPECT_LE(refused.load(), kWorkers);
}

}  // namespace
