// The polling thread with the real transports against slaves on loopback and
// on a pseudo-terminal.
#include <gtest/gtest.h>

#include <future>

#include "modbus/ConnectionSettings.h"
#include "modbus/SerialPort.h"
#include "modbus/TcpClient.h"
#include "common/TrafficCounters.h"
#include "polling/RealPeerMaster.h"
#include "support/LibmodbusSlaves.h"
#include "support/RecordingLogSink.h"
#include "support/ScriptedSlave.h"

namespace mms::test {
namespace {

// Polling one window of 10 registers from address 0.
struct Master : RealPeerMaster {
  Master() : RealPeerMaster(10, 10) {}
  // The trace of the window once it has seen `events` events.
  std::string TraceAfter(size_t events) {
    EXPECT_TRUE(Eventually([&] { return windows.Events().size() >= events; }));
    const std::string trace = windows.Trace(0);
    size_t end = 0;
    for (size_t i = 0; i < events && end != std::string::npos; ++i) {
      end = trace.find(' ', end + (i ? 1 : 0));
    }
    return trace.substr(0, end);
  }
};

TEST(PollOverRealPeers, LibmodbusSlavesArePolledAndWrittenToOverTcpAndRtu) {
  for (bool rtu : {false, true}) {
    SCOPED_TRACE(rtu ? "RTU" : "TCP");
    std::unique_ptr<LibmodbusSlave> slave;
    if (rtu) {
      slave = std::make_unique<LibmodbusRtuSlave>(1);
    } else {
      slave = std::make_unique<LibmodbusTcpSlave>();
    }
    for (int a = 0; a < 10; ++a) slave->SetHoldingRegister(a, static_cast<uint16_t>(500 + a));
    Master master;
    if (rtu) {
      master.ConnectRtu(static_cast<LibmodbusRtuSlave&>(*slave).DevicePath());
    } else {
      master.ConnectTcp(static_cast<LibmodbusTcpSlave&>(*slave).Port());
    }
    EXPECT_EQ(master.TraceAfter(2), "poll grid");
    EXPECT_EQ(master.windows.Events()[1].firstValue, 500);

    master.record->QueueWrite(WriteRequest{6, 1, 5, 1, {1234, 0, 0, 0}});
    EXPECT_TRUE(Eventually([&] { return slave->HoldingRegister(5) == 1234; }));
    master.record->QueueWrite(WriteRequest{16, 1, 7, 2, {0x0000, 0x3FC0, 0, 0}});
    EXPECT_TRUE(Eventually([&] { return slave->HoldingRegister(8) == 0x3FC0; }));
    master.record->QueueWrite(WriteRequest{5, 1, 3, 1, {1, 0, 0, 0}});
    EXPECT_TRUE(Eventually([&] { return slave->Coil(3); }));
    EXPECT_GT(master.counters.RxFrames.load(), 0u);
  }
}

TEST(PollOverRealPeers, FaultyRepliesShowAsTimeoutOrInvalidReply) {
  struct Case {
    ScriptedSlave::Mode mode;
    const char* name;
  };
  for (const Case& c :
       {Case{ScriptedSlave::Mode::kTcp, "TCP"}, Case{ScriptedSlave::Mode::kRtu, "RTU"}}) {
    SCOPED_TRACE(c.name);
    ScriptedSlave slave(c.mode);
    slave.Push(Cue::Exception(2));
    slave.Push(Cue::Silence());
    slave.Push(Cue::Normal());
    Master master;
    if (c.mode == ScriptedSlave::Mode::kTcp) {
      master.ConnectTcp(slave.Port());
    } else {
      master.ConnectRtu(slave.DevicePath());
    }
    EXPECT_EQ(master.TraceAfter(8), "poll error invalid poll error timeout poll grid");
  }
}

TEST(PollOverRealPeers, ExitWhileATransactionWaitsForASilentDevice) {
  ScriptedSlave slave(ScriptedSlave::Mode::kTcp);
  for (int i = 0; i < 5; ++i) slave.Push(Cue::Silence());
  auto master = std::make_unique<Master>();
  master->ConnectTcp(slave.Port(), 600000);  // the reply wait alone would never end the test
  ASSERT_TRUE(slave.WaitForRequests(1, kPatience));
  auto done = std::async(std::launch::async, [&] { master.reset(); });
  EXPECT_EQ(done.wait_for(kPatience), std::future_status::ready);
}

}  // namespace
}  // namespace mms::test
