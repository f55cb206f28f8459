// Polling pace: transactions per second of PollingThread against a libmodbus TCP slave
// on loopback (ScanRate 0, DelayBetweenPolls 0), side by side with a
// libmodbus client looping the same read in the same run; then the cost of
// a user-interface round trip (what a write dialog or a connect report pays).
//
//   PollingPaceBench [seconds per measurement, default 3]
#include <modbus.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "log/LogSink.h"
#include "modbus/PollingThread.h"
#include "modbus/TcpClient.h"
#include "common/TrafficCounters.h"
#include "common/UiDispatcher.h"
#include "common/WindowTable.h"
#include "support/LibmodbusSlaves.h"

#ifdef MMS_BENCH_GUI
#include <QApplication>

#include "ui/QtUiDispatcher.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class NullLog : public mms::LogSink {
 public:
  void LogHandOff(int, const uint8_t*, int) override {}
};

class NoWindows : public mms::PollObserver {
 public:
  void PollSent(int) override {}
  void PollAnswered(int, const mms::PollDefinition&, const uint16_t*) override {}
  void PollFailed(int, int) override { ++errors; }
  int errors = 0;
};

// Runs tasks at once on the polling thread: the pace of Modbus alone.
// Runs each task on a thread of its own and waits, as a user-interface
// thread does: two context switches per callback.
class HopDispatcher : public mms::UiDispatcher {
 public:
  HopDispatcher() : thread_([this] { Loop(); }) {}
  ~HopDispatcher() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  bool RunAndWait(const std::function<void()>& task) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stop_) return false;
    task_ = &task;
    done_ = false;
    cv_.notify_all();
    cv_.wait(lock, [&] { return done_ || stop_; });
    return done_;
  }
  void Post(std::function<void()>) override {}

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      cv_.wait(lock, [&] { return stop_ || task_; });
      if (stop_) return;
      const auto* task = task_;
      task_ = nullptr;
      lock.unlock();
      (*task)();
      lock.lock();
      done_ = true;
      cv_.notify_all();
    }
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  const std::function<void()>* task_ = nullptr;
  bool done_ = false;
  bool stop_ = false;
  std::thread thread_;
};

// PollingThread polling one FC3 window of `count` registers; transactions per second.
double PoolRate(uint16_t port, uint16_t count, double seconds) {
  mms::WindowTable table;
  auto record = std::make_shared<mms::WindowRecord>();
  record->SetFunction(3);
  record->SetLength(count);
  table.Add(record);
  NoWindows windows;
  std::atomic<int32_t> scanRate{0};
  mms::TrafficCounters counters;
  NullLog log;
  auto client = std::make_shared<mms::TcpClient>(counters, log);
  client->Open("127.0.0.1", std::to_string(port), 1000);
  mms::PollingThread pool(table, windows, scanRate);
  pool.SetDelayBetweenPolls(0);
  pool.Resume(client, mms::kModbusTcp);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // warm up
  const uint64_t before = pool.TransactionCount();
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const uint64_t after = pool.TransactionCount();
  const double elapsed = Seconds(Clock::now() - start);
  pool.Shutdown();  // the slave answers, so this waits for one reply at most
  client->Shutdown();
  if (windows.errors) std::printf("  (%d failed polls during that run)\n", windows.errors);
  return static_cast<double>(after - before) / elapsed;
}

double LibmodbusRate(uint16_t port, uint16_t count, double seconds) {
  modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
  if (!ctx || modbus_connect(ctx) != 0) {
    std::fprintf(stderr, "libmodbus client cannot connect\n");
    std::exit(1);
  }
  uint16_t values[125];
  for (auto warm = Clock::now(); Clock::now() - warm < std::chrono::milliseconds(200);) {
    modbus_read_registers(ctx, 0, count, values);
  }
  long reads = 0;
  const auto start = Clock::now();
  const auto end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  while (Clock::now() < end) {
    if (modbus_read_registers(ctx, 0, count, values) == count) ++reads;
  }
  const double elapsed = Seconds(Clock::now() - start);
  modbus_close(ctx);
  modbus_free(ctx);
  return static_cast<double>(reads) / elapsed;
}

// Mean cost of one RunAndWait of an empty task, in microseconds.
double RoundTripUs(mms::UiDispatcher& dispatcher, double seconds) {
  const std::function<void()> task = [] {};
  long calls = 0;
  const auto start = Clock::now();
  const auto end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  while (Clock::now() < end) {
    for (int i = 0; i < 100; ++i) dispatcher.RunAndWait(task);
    calls += 100;
  }
  return Seconds(Clock::now() - start) * 1e6 / static_cast<double>(calls);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  if (!(seconds > 0)) {
    std::fprintf(stderr, "usage: %s [seconds per measurement]\n", argv[0]);
    return 2;
  }
#ifdef MMS_BENCH_GUI
  QApplication app(argc, argv);
#endif
  mms::test::LibmodbusTcpSlave slave;
  HopDispatcher hop;

  std::printf("%-44s %12s\n", "measurement", "value");
  for (uint16_t count : {10, 125}) {
    const double pool = PoolRate(slave.Port(), count, seconds);
    const double reference = LibmodbusRate(slave.Port(), count, seconds);
    std::printf("FC3 x%-3d PollingThread                     (tx/s) %12.0f\n", count, pool);
    std::printf("FC3 x%-3d libmodbus client loop     (tx/s) %12.0f\n", count, reference);
    std::printf("FC3 x%-3d PollingThread / libmodbus          (%%)    %12.1f\n", count,
                100.0 * pool / reference);
  }
  std::printf("%-44s %12.2f\n", "RunAndWait round trip, thread hop (us)",
              RoundTripUs(hop, seconds));
#ifdef MMS_BENCH_GUI
  {
    // The program's own dispatcher: the worker waits while the Qt event
    // loop on this thread runs the task.
    QtUiDispatcher qt;
    double us = 0;
    std::thread worker([&] {
      us = RoundTripUs(qt, seconds);
      QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    worker.join();
    qt.Shutdown();
    std::printf("%-44s %12.2f\n", "RunAndWait round trip, Qt event loop (us)", us);
  }
#endif
  return 0;
}
