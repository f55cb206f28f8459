#include <gtest/gtest.h>

#include <future>

#include "polling/PollHarness.h"

namespace mms::test {
namespace {

using std::chrono::milliseconds;

long Ms(Clock::duration d) { return std::chrono::duration_cast<milliseconds>(d).count(); }

class PollingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pool = std::make_unique<PollingThread>(table, windows, scanRate, exchange.Function());
  }
  void TearDown() override {
    exchange.Release();
    ui.Shutdown();
    pool->Shutdown();
  }

  std::shared_ptr<WindowRecord> AddWindow(uint8_t deviceId, uint8_t function = 3,
                                          uint16_t length = 10) {
    auto record = std::make_shared<WindowRecord>();
    record->SetDeviceID(deviceId);
    record->SetFunction(function);
    record->SetLength(length);
    EXPECT_GE(table.Add(record), 0);
    return record;
  }

  // Shutdown in the background; true when it returned within kPatience.
  bool ShutdownReturns(std::function<void()> meanwhile = [] {}) {
    auto done = std::async(std::launch::async, [this] { pool->Shutdown(); });
    meanwhile();
    return done.wait_for(kPatience) == std::future_status::ready;
  }

  WindowTable table;
  TestUiThread ui;
  RecordingWindows windows{table, ui.Id()};
  std::atomic<int32_t> scanRate{0};
  ScriptedExchange exchange;
  std::shared_ptr<TestLink> link = std::make_shared<TestLink>();
  std::unique_ptr<PollingThread> pool;
};

TEST_F(PollingTest, ServesWindowsInSlotOrderWithDelayAfterEachAndScanRateAfterThePass) {
  for (uint8_t id : {1, 2, 3}) AddWindow(id);
  pool->SetDelayBetweenPolls(30);
  scanRate = 200;
  exchange.HoldFrom(6);
  pool->Resume(link, kModbusTcp);
  ASSERT_TRUE(exchange.WaitForHeld(1));

  const auto calls = exchange.Calls();
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(calls[i].deviceId, i % 3 + 1) << i;
    EXPECT_EQ(calls[i].transport, link.get());
    EXPECT_EQ(calls[i].protocolMode, kModbusTcp);
  }
  EXPECT_GE(Ms(calls[1].at - calls[0].at), 30);
  EXPECT_GE(Ms(calls[2].at - calls[1].at), 30);
  EXPECT_GE(Ms(calls[3].at - calls[2].at), 30 + 200);  // last delay, then the pass pause
  EXPECT_GE(Ms(calls[4].at - calls[3].at), 30);
  for (const auto& e : windows.Events()) EXPECT_FALSE(e.onUiThread) << e.what;
  EXPECT_EQ(windows.Trace(1), "poll grid poll grid");
}

TEST_F(PollingTest, ClosedSlotIsSkippedWithoutTheDelay) {
  for (uint8_t id : {1, 2, 3}) AddWindow(id);
  table.Empty(1);
  pool->SetDelayBetweenPolls(600);
  exchange.HoldFrom(2);
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));

  const auto calls = exchange.Calls();
  EXPECT_EQ(calls[0].deviceId, 1);
  EXPECT_EQ(calls[1].deviceId, 3);
  // One delay between them, not two (a margin of a whole delay for a busy machine).
  const long gap = Ms(calls[1].at - calls[0].at);
  EXPECT_GE(gap, 600);
  EXPECT_LT(gap, 1190);
  EXPECT_EQ(windows.Trace(1), "");
}

TEST_F(PollingTest, ResultDecidesTheReportsAndTheRecordHoldsTheLatest) {
  const auto record = AddWindow(1);
  const std::vector<int> results = {trNoReply, trNoReply, trOk, trInvalidReply, trOk};
  // Owns its state: the thread may still call it while the test is torn down.
  exchange.SetAnswer(
      [results, n = std::make_shared<size_t>(0)](const ScriptedExchange::Call&, uint16_t* values) {
        values[0] = 0xBEEF;
        return *n < results.size() ? results[(*n)++] : trOk;
      });
  exchange.HoldFrom(results.size());
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));

  EXPECT_EQ(windows.Trace(0),
            "poll error timeout poll error timeout poll grid poll error invalid poll grid poll");
  for (const auto& e : windows.Events()) {
    EXPECT_FALSE(e.onUiThread) << e.what;  // reported on the polling thread
    if (e.what == "grid") {
      EXPECT_EQ(e.firstValue, 0xBEEF);
      EXPECT_EQ(e.request.Length, 10);
      EXPECT_EQ(e.request.Function, 3);
    }
  }
  PollResult result;
  ASSERT_TRUE(record->TakeResult(&result));
  EXPECT_EQ(result.Polls, 6u);  // the sixth is in flight
  EXPECT_EQ(result.Valid, 2u);
  EXPECT_EQ(result.Errors, 3u);
  EXPECT_EQ(result.Last, PollOutcome::Valid);
  EXPECT_EQ(result.ValueCount, 10);
  EXPECT_EQ(result.Values[0], 0xBEEF);
  EXPECT_FALSE(record->TakeResult(&result));  // nothing newer
}

TEST_F(PollingTest, QueuedWriteReplacesOnePollAndLeavesNoTrace) {
  auto first = AddWindow(1);
  AddWindow(2);
  first->QueueWrite(WriteRequest{6, 9, 100, 1, {5, 0, 0, 0}});
  first->QueueWrite(WriteRequest{16, 9, 100, 2, {0x0000, 0x3FC0, 0, 0}});  // the latest wins
  exchange.SetAnswer([](const ScriptedExchange::Call& call, uint16_t*) {
    return call.function == 16 ? trInvalidReply : trOk;  // the write fails
  });
  exchange.HoldFrom(4);
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));

  const auto calls = exchange.Calls();
  EXPECT_EQ(calls[0].function, 16);
  EXPECT_EQ(calls[0].deviceId, 9);
  EXPECT_EQ(calls[0].address, 100);
  EXPECT_EQ(calls[0].count, 2);
  EXPECT_EQ(calls[0].values[1], 0x3FC0);
  EXPECT_EQ(calls[0].capacity, kWriteWords);
  EXPECT_EQ(calls[1].deviceId, 2);
  EXPECT_EQ(calls[2].function, 3);  // next pass: polled again
  EXPECT_EQ(calls[2].deviceId, 1);
  EXPECT_FALSE(first->WritePending());
  EXPECT_EQ(windows.Trace(0), "poll grid poll");
}

TEST_F(PollingTest, ConnectBeforeAnyWindowIdlesWithoutSpinningUntilTheFirstOne) {
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(Eventually([&] { return pool->PassCount() >= 2; }));
  const uint64_t before = pool->PassCount();
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_LT(pool->PassCount() - before, 100u);  // a pause, not a spin
  EXPECT_TRUE(pool->Running());

  AddWindow(7);
  ASSERT_TRUE(exchange.WaitForCalls(1));
  EXPECT_EQ(exchange.Calls()[0].deviceId, 7);

  // Every window closed again, ScanRate 0: still no spin.
  table.Empty(0);
  const size_t sent = exchange.Calls().size();
  const uint64_t closedAt = pool->PassCount();
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_LT(pool->PassCount() - closedAt, 100u);
  EXPECT_LE(exchange.Calls().size(), sent + 1);
}

TEST_F(PollingTest, StopTakesEffectAtTheEndOfThePassAndReleasesTheTransport) {
  for (uint8_t id : {1, 2, 3}) AddWindow(id);
  scanRate = 60000;  // a Disconnect does not wait for the pass pause
  exchange.HoldFrom(0);
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));
  pool->RequestStop();
  EXPECT_TRUE(pool->Running());
  exchange.Release();
  ASSERT_TRUE(Eventually([&] { return !pool->Running(); }));
  EXPECT_EQ(exchange.Calls().size(), 3u);  // the pass was finished

  std::weak_ptr<TestLink> weak = link;
  link.reset();
  EXPECT_TRUE(weak.expired());

  auto next = std::make_shared<TestLink>("next");
  pool->Resume(next, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForCalls(4));
  EXPECT_EQ(exchange.Calls()[3].transport, next.get());
}

TEST_F(PollingTest, DisconnectAndConnectBeforeThePassEndedKeepsPollingOnTheNewTransport) {
  for (uint8_t id : {1, 2}) AddWindow(id);
  exchange.HoldFrom(0);
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));
  pool->RequestStop();
  auto next = std::make_shared<TestLink>("next");
  pool->Resume(next, kModbusTcp);
  exchange.Release();

  ASSERT_TRUE(exchange.WaitForCalls(7));
  const auto calls = exchange.Calls();
  for (size_t i = 1; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].transport, next.get()) << i;
    EXPECT_EQ(calls[i].protocolMode, kModbusTcp) << i;
  }
  EXPECT_TRUE(pool->Running());
}

TEST_F(PollingTest, ShutdownWaitsForTheTransactionInProgressAndStartsNoOther) {
  AddWindow(1);
  exchange.HoldFrom(0);
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));
  // The connection ends a waiting transaction by shutting its transport;
  // the release stands for that.
  EXPECT_TRUE(ShutdownReturns([&] {
    std::this_thread::sleep_for(milliseconds(50));
    exchange.Release();
  }));
  EXPECT_EQ(windows.Trace(0), "poll grid");  // its result still counts
  EXPECT_EQ(exchange.Calls().size(), 1u);
}

TEST_F(PollingTest, PollingNeverWaitsForABusyUiThread) {
  const auto record = AddWindow(1);
  ui.Block();  // the screen is busy painting
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(Eventually([&] { return exchange.Calls().size() >= 20; }));
  PollResult result;
  ASSERT_TRUE(record->TakeResult(&result));
  EXPECT_GE(result.Valid, 19u);
  EXPECT_TRUE(ShutdownReturns());
}

TEST_F(PollingTest, ShutdownCutsLongPausesShort) {
  struct Case {
    const char* name;
    int32_t delay, scan;
  };
  for (const Case& c : {Case{"delay between polls", 600000, 0}, Case{"scan rate", 0, 600000}}) {
    SCOPED_TRACE(c.name);
    WindowTable ownTable;
    auto record = std::make_shared<WindowRecord>();
    ownTable.Add(record);
    std::atomic<int32_t> ownScan{c.scan};
    ScriptedExchange ownExchange;
    PollingThread ownPool(ownTable, windows, ownScan, ownExchange.Function());
    ownPool.SetDelayBetweenPolls(c.delay);
    ownPool.Resume(link, kModbusRtu);
    ASSERT_TRUE(ownExchange.WaitForCalls(1));
    auto done = std::async(std::launch::async, [&] { ownPool.Shutdown(); });
    EXPECT_EQ(done.wait_for(kPatience), std::future_status::ready);
  }
}

// Disconnect ends any pause at once, wherever the thread is: a Connect
// right after it is polled at once, not after a 10-minute pause.
TEST_F(PollingTest, DisconnectEndsEveryPauseAtOnce) {
  struct Case {
    const char* name;
    int32_t delay, scan;
    bool connectAgain;
  };
  const Case cases[] = {
      {"delay between polls, disconnect", 600000, 0, false},
      {"delay between polls, disconnect and connect", 600000, 0, true},
      {"scan rate, disconnect", 0, 600000, false},
      {"scan rate, disconnect and connect", 0, 600000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WindowTable ownTable;
    ownTable.Add(std::make_shared<WindowRecord>());
    std::atomic<int32_t> ownScan{c.scan};
    ScriptedExchange ownExchange;
    PollingThread ownPool(ownTable, windows, ownScan, ownExchange.Function());
    ownPool.SetDelayBetweenPolls(c.delay);
    ownPool.Resume(link, kModbusRtu);
    ASSERT_TRUE(ownExchange.WaitForCalls(1));
    ownPool.RequestStop();  // wherever the thread is: in the call, a callback or the pause
    if (c.connectAgain) {
      auto next = std::make_shared<TestLink>("next");
      ownPool.Resume(next, kModbusRtu);
      ASSERT_TRUE(ownExchange.WaitForCalls(2));
      EXPECT_EQ(ownExchange.Calls()[1].transport, next.get());
      EXPECT_TRUE(ownPool.Running());
    } else {
      EXPECT_TRUE(Eventually([&] { return !ownPool.Running(); }));
      EXPECT_EQ(ownExchange.Calls().size(), 1u);
    }
    ownPool.Shutdown();
  }
}

TEST_F(PollingTest, WindowClosedDuringItsPollStaysAliveUntilTheVisitEnds) {
  auto record = AddWindow(1);
  std::weak_ptr<WindowRecord> weak = record;
  exchange.HoldFrom(0);
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));

  table.Empty(0);  // the user closes the window
  record.reset();
  EXPECT_FALSE(weak.expired());
  exchange.Release();
  ASSERT_TRUE(Eventually([&] { return weak.expired(); }));
  EXPECT_EQ(windows.Trace(0), "poll");  // FillGrid found the slot empty
  EXPECT_GE(windows.ClosedSlotCalls(), 1);
}

TEST_F(PollingTest, LengthIsClampedToWhatTheReadBufferAndAReplyHold) {
  struct Case {
    uint8_t function;
    uint16_t length, sent;
  };
  const std::vector<Case> cases = {
      {1, 2000, 1100}, {2, 1101, 1100}, {2, 1100, 1100}, {1, 1, 1}, {3, 200, 125},
      {4, 126, 125},   {3, 125, 125},   {4, 65535, 125}, {3, 0, 0},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    AddWindow(static_cast<uint8_t>(i + 1), cases[i].function, cases[i].length);
  }
  AddWindow(99, 6, 10);  // not a read function: never sent
  exchange.HoldFrom(cases.size());
  pool->Resume(link, kModbusRtu);
  ASSERT_TRUE(exchange.WaitForHeld(1));

  const auto calls = exchange.Calls();
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(testing::Message()
                 << "function " << int(cases[i].function) << " length " << cases[i].length);
    EXPECT_EQ(calls[i].function, cases[i].function);
    EXPECT_EQ(calls[i].count, cases[i].sent);
    EXPECT_EQ(calls[i].capacity, kReadBufferSize);
  }
  EXPECT_EQ(calls[cases.size()].deviceId, 1);  // the next pass, not device 99
  EXPECT_EQ(windows.Trace(static_cast<int>(cases.size())), "poll error invalid");
}

TEST(PoolLifecycle, CreatedSuspendedAndShutdownTwiceIsHarmless) {
  WindowTable table;
  table.Add(std::make_shared<WindowRecord>());
  DirectDispatcher direct;
  RecordingWindows windows(table, std::this_thread::get_id());
  std::atomic<int32_t> scan{0};
  ScriptedExchange exchange;
  PollingThread pool(table, windows, scan, exchange.Function());
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_FALSE(pool.Running());
  EXPECT_TRUE(exchange.Calls().empty());
  pool.RequestStop();  // Disconnect while never connected
  pool.Shutdown();
  pool.Shutdown();
  pool.Resume(std::make_shared<TestLink>(), kModbusRtu);  // after exit: ignored
  EXPECT_FALSE(pool.Running());
}

}  // namespace
}  // namespace mms::test
