// Modbus RTU over TCP and Modbus UDP against our scripted slave on loopback:
// framing, validation, stale replies, logging and counting, Shutdown.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "common/TrafficCounters.h"
#include "modbus/ModbusProtocol.h"
#include "modbus/RtuOverTcpClient.h"
#include "modbus/UdpClient.h"
#include "support/FakeTransport.h"
#include "support/RecordingLogSink.h"
#include "support/ScriptedSlave.h"

namespace mms {
namespace {

using test::Cue;
using test::RecordingLogSink;
using test::ScriptedSlave;
using namespace std::chrono_literals;

constexpr int kReplyMs = 5000;
constexpr int kNothingMs = 150;

struct Rig {
  TrafficCounters counters;
  RecordingLogSink log;
  uint8_t mode;
  std::shared_ptr<NetClient> client;
  test::ReplyWait wait;

  Rig(uint8_t protocolMode, uint16_t port, int timeoutMs)
      : mode(protocolMode),
        client(protocolMode == kModbusUdp
                   ? std::shared_ptr<NetClient>(std::make_shared<UdpClient>(counters, log))
                   : std::make_shared<RtuOverTcpClient>(counters, log)),
        wait(*client, timeoutMs) {
    EXPECT_TRUE(client->Open("127.0.0.1", std::to_string(port), timeoutMs));
  }
  int Read(uint16_t address, uint16_t count, std::vector<uint16_t>& out) {
    out.assign(count, 0xDEAD);
    return ModbusTransaction(wait, mode, 3, 1, address, count, out.data(),
                             static_cast<int>(out.size()));
  }
};

std::vector<uint16_t> Expected(uint16_t address, int count) {
  std::vector<uint16_t> v;
  for (int i = 0; i < count; ++i)
    v.push_back(ScriptedSlave::RegisterValue(static_cast<uint16_t>(address + i)));
  return v;
}

ScriptedSlave::Mode SlaveMode(uint8_t mode) {
  return mode == kModbusUdp ? ScriptedSlave::Mode::kUdp : ScriptedSlave::Mode::kRtuOverTcp;
}

// Reading 3 registers: an RTU reply is 11 bytes (exception 5), a UDP one 15 (exception 9).
TEST(NetModesTest, RepliesOnCueGiveTheirResults) {
  struct Case {
    const char* name;
    uint8_t mode;
    Cue cue;
    int result;
    std::vector<size_t> logged;  // bytes of each received line
    int waitMs;
  };
  const Case cases[] = {
      {"RTU/TCP normal", kModbusRtuOverTcp, Cue::Normal(), trOk, {11}, kReplyMs},
      {"RTU/TCP in two segments",
       kModbusRtuOverTcp,
       Cue::Normal().Split(4, 50),
       trOk,
       {11},
       kReplyMs},
      {"RTU/TCP bad CRC", kModbusRtuOverTcp, Cue::BadCrc(), trInvalidReply, {11}, kReplyMs},
      {"RTU/TCP wrong unit",
       kModbusRtuOverTcp,
       Cue::WrongDeviceId(),
       trInvalidReply,
       {11},
       kReplyMs},
      // Ends with its 5 bytes, not at the timeout (a 60 s timeout would hang the test).
      {"RTU/TCP exception", kModbusRtuOverTcp, Cue::Exception(2), trInvalidReply, {5}, 60000},
      {"RTU/TCP silence", kModbusRtuOverTcp, Cue::Silence(), trNoReply, {}, kNothingMs},
      {"RTU/TCP rest never comes",
       kModbusRtuOverTcp,
       Cue::Normal().Split(4, 2000),
       trInvalidReply,
       {4},
       300},
      {"UDP normal", kModbusUdp, Cue::Normal(), trOk, {15}, kReplyMs},
      {"UDP wrong id first",
       kModbusUdp,
       Cue::WrongTransactionId().ThenOwn(),
       trOk,
       {15, 15},
       kReplyMs},
      {"UDP wrong unit first",
       kModbusUdp,
       Cue::WrongDeviceId().ThenOwn(),
       trOk,
       {15, 15},
       kReplyMs},
      {"UDP exception", kModbusUdp, Cue::Exception(2), trInvalidReply, {9}, kReplyMs},
      // A datagram is a whole frame: half a reply is not completed by the next.
      {"UDP split in two datagrams",
       kModbusUdp,
       Cue::Normal().Split(5, 0),
       trInvalidReply,
       {5},
       kReplyMs},
      {"UDP silence", kModbusUdp, Cue::Silence(), trNoReply, {}, kNothingMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSlave slave(SlaveMode(c.mode));
    Rig rig(c.mode, slave.Port(), c.waitMs);
    slave.Push(c.cue);
    std::vector<uint16_t> v;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.Read(0, 3, v), c.result);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    if (c.result == trOk) {
      EXPECT_EQ(v, Expected(0, 3));
    }
    const auto frames = rig.log.Frames();
    ASSERT_EQ(frames.size(), 1 + c.logged.size());
    EXPECT_EQ(frames[0].direction, kLogTransmitted);
    EXPECT_EQ(frames[0].bytes, slave.Requests().at(0));
    size_t bytes = 0;
    for (size_t i = 0; i < c.logged.size(); ++i) {
      EXPECT_EQ(frames[i + 1].direction, kLogReceived);
      EXPECT_EQ(frames[i + 1].bytes.size(), c.logged[i]);
      bytes += c.logged[i];
    }
    EXPECT_EQ(rig.counters.TxFrames.load(), 1u);
    EXPECT_EQ(rig.counters.TxBytes.load(), c.mode == kModbusUdp ? 12u : 8u);
    EXPECT_EQ(rig.counters.RxFrames.load(), c.logged.size());
    EXPECT_EQ(rig.counters.RxBytes.load(), bytes);
    rig.client->Shutdown();
  }
}

// A reply that comes after its transaction gave up is dropped before the
// next request goes out, so it never answers it.
TEST(NetModesTest, StaleReplyIsDroppedBeforeTheNextRequest) {
  for (uint8_t mode : {kModbusRtuOverTcp, kModbusUdp}) {
    SCOPED_TRACE(int(mode));
    ScriptedSlave slave(SlaveMode(mode));
    Rig rig(mode, slave.Port(), 50);
    slave.Push(Cue::Normal().Late(200));
    std::vector<uint16_t> v;
    EXPECT_EQ(rig.Read(0, 2, v), trNoReply);
    ASSERT_TRUE(slave.WaitForCuesDone(1, 10s));
    rig.wait.Set(kReplyMs);
    // The stale reply may still be on its way on loopback: wait until it can be taken.
    for (int i = 0; i < 1000 && rig.log.Frames().size() < 2; ++i) {
      rig.client->DiscardStale();
      if (rig.log.Frames().size() < 2) std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(rig.Read(10, 2, v), trOk);
    EXPECT_EQ(v, Expected(10, 2));
    EXPECT_EQ(rig.counters.RxFrames.load(), 2u) << "the stale reply is counted too";
  }
}

// Disconnect ends a reply wait at once, and nothing more is sent or logged.
TEST(NetModesTest, ShutdownEndsAWaitAtOnce) {
  for (uint8_t mode : {kModbusRtuOverTcp, kModbusUdp}) {
    SCOPED_TRACE(int(mode));
    ScriptedSlave slave(SlaveMode(mode));
    Rig rig(mode, slave.Port(), 600000);
    slave.Push(Cue::Silence());
    std::atomic<int> result{-1};
    std::thread poller([&] {
      std::vector<uint16_t> v;
      result = rig.Read(0, 2, v);
    });
    ASSERT_TRUE(slave.WaitForRequests(1, 10s));
    const auto start = std::chrono::steady_clock::now();
    rig.client->Shutdown();
    poller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(result.load(), trNoReply);
    std::vector<uint16_t> v;
    EXPECT_EQ(rig.Read(0, 2, v), trNoReply);
    // The request may or may not be counted, as Shutdown can come between
    // its send and its count; nothing after it is.
    EXPECT_LE(rig.counters.TxFrames.load(), 1u);
  }
}

}  // namespace
}  // namespace mms
