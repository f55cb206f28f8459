// The TCP transport on loopback: against a libmodbus TCP slave and our
// scripted slave.
#include "modbus/TcpClient.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "common/Errors.h"
#include "common/TrafficCounters.h"
#include "modbus/ModbusProtocol.h"
#include "support/DeafListener.h"
#include "support/FakeTransport.h"
#include "support/LibmodbusSlaves.h"
#include "support/RecordingLogSink.h"
#include "support/ScriptedSlave.h"

namespace mms {
namespace {

using test::Bytes;
using test::Cue;
using test::RecordingLogSink;
using test::ScriptedSlave;
using Frame = RecordingLogSink::Frame;
using namespace std::chrono_literals;

// Reply waits: generous where a reply is expected, so a loaded machine does
// not turn it into a timeout; short where nothing is meant to arrive.
constexpr int kReplyMs = 5000;
constexpr int kNothingMs = 150;

// A port on 127.0.0.1 where nothing listens (bound once, then released).
uint16_t UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

struct Rig {
  TrafficCounters counters;
  RecordingLogSink log;
  std::shared_ptr<TcpClient> client = std::make_shared<TcpClient>(counters, log);
  test::ReplyWait wait{*client};  // the reply wait of each exchange
  bool connected = false;

  explicit Rig(uint16_t port, int timeoutMs = kReplyMs) {
    connected = client->Open("127.0.0.1", std::to_string(port), timeoutMs);
    wait.Set(timeoutMs);
  }
  int Transact(uint8_t function, uint8_t device, uint16_t address, uint16_t count, uint16_t* values,
               int capacity) {
    return ModbusTransaction(wait, kModbusTcp, function, device, address, count, values, capacity);
  }
  int Read(uint8_t function, uint16_t address, uint16_t count, std::vector<uint16_t>& out) {
    out.assign(count, 0xDEAD);
    return Transact(function, 1, address, count, out.data(), static_cast<int>(out.size()));
  }
};

std::vector<uint16_t> Expected(uint16_t address, int count) {
  std::vector<uint16_t> v;
  for (int i = 0; i < count; ++i) {
    v.push_back(ScriptedSlave::RegisterValue(static_cast<uint16_t>(address + i)));
  }
  return v;
}

// --- a real slave ----------------------------------------------------------------

TEST(TcpClientTest, ReadsAndWritesALibmodbusSlave) {
  test::LibmodbusTcpSlave slave;
  for (int a = 0; a < 10; ++a) {
    slave.SetCoil(a, a % 3 == 0);
    slave.SetDiscreteInput(a, a % 2 == 0);
    slave.SetHoldingRegister(a, static_cast<uint16_t>(0x2000 + a));
    slave.SetInputRegister(a, static_cast<uint16_t>(0xE000 - a));
  }
  Rig rig(slave.Port());
  ASSERT_TRUE(rig.connected);
  std::vector<uint16_t> v;

  ASSERT_EQ(rig.Read(1, 0, 10, v), trOk);
  for (int a = 0; a < 10; ++a) EXPECT_EQ(v[a], a % 3 == 0 ? 1 : 0) << a;
  ASSERT_EQ(rig.Read(2, 0, 10, v), trOk);
  for (int a = 0; a < 10; ++a) EXPECT_EQ(v[a], a % 2 == 0 ? 1 : 0) << a;
  ASSERT_EQ(rig.Read(3, 0, 10, v), trOk);
  for (int a = 0; a < 10; ++a) EXPECT_EQ(v[a], 0x2000 + a) << a;
  ASSERT_EQ(rig.Read(4, 8, 2, v), trOk);
  EXPECT_EQ(v, (std::vector<uint16_t>{0xE000 - 8, 0xE000 - 9}));

  uint16_t on = 1;
  EXPECT_EQ(rig.Transact(5, 1, 4, 1, &on, 1), trOk);
  EXPECT_TRUE(slave.Coil(4));
  uint16_t word = 0xBEEF;
  EXPECT_EQ(rig.Transact(6, 1, 2, 1, &word, 1), trOk);
  EXPECT_EQ(slave.HoldingRegister(2), 0xBEEF);
  uint16_t four[4] = {1, 2, 3, 4};
  EXPECT_EQ(rig.Transact(16, 1, 20, 4, four, 4), trOk);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(slave.HoldingRegister(20 + i), i + 1);

  const auto frames = rig.log.Frames();
  ASSERT_EQ(frames.size(), 14u);
  const size_t replyLengths[7] = {11, 11, 29, 13, 12, 12, 12};
  uint32_t rxBytes = 0;
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(frames[2 * i].direction, kLogTransmitted) << i;
    EXPECT_EQ(frames[2 * i + 1].direction, kLogReceived) << i;
    EXPECT_EQ(frames[2 * i + 1].bytes.size(), replyLengths[i]) << i;
    rxBytes += static_cast<uint32_t>(replyLengths[i]);
  }
  // The third request: transaction identifier 3.
  EXPECT_EQ(frames[4].bytes,
            (Bytes{0x00, 0x03, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}));
  EXPECT_EQ(rig.counters.TxFrames.load(), 7u);
  EXPECT_EQ(rig.counters.RxFrames.load(), 7u);
  EXPECT_EQ(rig.counters.TxBytes.load(), 12u * 6 + 21u);
  EXPECT_EQ(rig.counters.RxBytes.load(), rxBytes);
}

// --- faults on cue -----------------------------------------------------------------

TEST(TcpClientTest, RepliesOnCueGiveTheirResults) {
  struct Case {
    const char* name;
    Cue cue;
    int result;
    std::vector<size_t> logged;  // bytes of each received line
    int waitMs;
  };
  const Case cases[] = {
      {"normal", Cue::Normal(), trOk, {15}, kReplyMs},
      {"split in two", Cue::Normal().Split(5, 30), trOk, {15}, kReplyMs},
      {"split in the header", Cue::Normal().Split(2, 30), trOk, {15}, kReplyMs},
      {"silence", Cue::Silence(), trNoReply, {}, kNothingMs},
      {"exception", Cue::Exception(2), trInvalidReply, {9}, kReplyMs},
      // Frames for another request are dropped and the wait goes on.
      {"wrong unit first", Cue::WrongDeviceId().ThenOwn(), trOk, {15, 15}, kReplyMs},
      {"wrong transaction id first", Cue::WrongTransactionId().ThenOwn(), trOk, {15, 15}, kReplyMs},
      {"one register short", Cue::Short(2), trInvalidReply, {13}, kReplyMs},
      {"too late", Cue::Normal().Late(1000), trNoReply, {}, kNothingMs},
  };
  ScriptedSlave slave(ScriptedSlave::Mode::kTcp);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(slave.Port(), c.waitMs);
    ASSERT_TRUE(rig.connected);
    slave.Push(c.cue);
    std::vector<uint16_t> v;
    EXPECT_EQ(rig.Read(3, 0, 3, v), c.result);
    if (c.result == trOk) {
      EXPECT_EQ(v, Expected(0, 3));
    }
    const auto frames = rig.log.Frames();
    ASSERT_EQ(frames.size(), 1 + c.logged.size());
    size_t bytes = 0;
    for (size_t i = 0; i < c.logged.size(); ++i) {
      EXPECT_EQ(frames[i + 1].direction, kLogReceived);
      EXPECT_EQ(frames[i + 1].bytes.size(), c.logged[i]);
      bytes += c.logged[i];
    }
    EXPECT_EQ(rig.counters.RxFrames.load(), c.logged.size());
    EXPECT_EQ(rig.counters.RxBytes.load(), bytes);
    rig.client->Shutdown();
  }
}

// A reply that comes after its transaction gave up never answers the next
// request: it is dropped before the request is sent or, when it comes later,
// by its transaction identifier while the next reply is awaited.
TEST(TcpClientTest, LateReplyNeverAnswersTheNextRequest) {
  ScriptedSlave slave(ScriptedSlave::Mode::kTcp);
  Rig rig(slave.Port());
  slave.Push(Cue::Normal().Late(500));
  std::vector<uint16_t> v;
  rig.wait.Set(100);
  EXPECT_EQ(rig.Read(3, 0, 2, v), trNoReply);

  // Same function and length: only the identifier tells the replies apart.
  rig.wait.Set(kReplyMs);
  EXPECT_EQ(rig.Read(3, 10, 2, v), trOk);
  EXPECT_EQ(v, Expected(10, 2));
  const auto requests = slave.Requests();
  ASSERT_EQ(requests.size(), 2u);
  auto frames = rig.log.Frames();
  ASSERT_EQ(frames.size(), 4u);  // tx, tx, stale rx, rx, the stale one maybe before the 2nd tx
  const Frame stale{kLogReceived, slave.NormalReply(requests[0])};
  EXPECT_TRUE(frames[1] == stale || frames[2] == stale);
  EXPECT_EQ(frames[3], (Frame{kLogReceived, slave.NormalReply(requests[1])}));
  EXPECT_EQ(rig.counters.RxFrames.load(), 2u) << "the stale reply is counted too";
  EXPECT_EQ(rig.counters.RxBytes.load(), 2u * 13);
}

// A device that drops the connection and is gone for a while: transactions
// fail meanwhile, and the first one after it is back reconnects by itself.
TEST(TcpClientTest, ReconnectsWhenTheDeviceComesBack) {
  ScriptedSlave slave(ScriptedSlave::Mode::kTcp);
  Rig rig(slave.Port());
  std::vector<uint16_t> v;
  ASSERT_EQ(rig.Read(3, 0, 1, v), trOk);

  slave.GoAway();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(rig.Read(3, 0, 1, v), trNoReply) << i;
  EXPECT_FALSE(rig.client->IsConnected());

  slave.Listen();
  EXPECT_EQ(rig.Read(3, 5, 1, v), trOk);
  EXPECT_EQ(v, Expected(5, 1));
  EXPECT_EQ(slave.Connections(), 2);

  // A connection closed by the peer in the middle of an exchange.
  slave.Push(Cue::Close());
  EXPECT_EQ(rig.Read(3, 0, 1, v), trNoReply);
  EXPECT_EQ(rig.Read(3, 7, 1, v), trOk);
  EXPECT_EQ(v, Expected(7, 1));
  EXPECT_EQ(slave.Connections(), 3);
  EXPECT_EQ(rig.counters.TxFrames.load(), 6u);  // every request counted, sent or not
}

TEST(TcpClientTest, NothingListeningStillGivesAUsableClient) {
  const uint16_t port = UnusedPort();
  Rig rig(port, kNothingMs);
  EXPECT_FALSE(rig.connected);
  std::vector<uint16_t> v;
  EXPECT_EQ(rig.Read(3, 0, 2, v), trNoReply);
  const auto frames = rig.log.Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].direction, kLogTransmitted);
  EXPECT_EQ(rig.counters.TxFrames.load(), 1u);
  EXPECT_EQ(rig.counters.TxBytes.load(), 12u);
}

TEST(TcpClientTest, AddressTextsAreCheckedAtOpen) {
  ScriptedSlave slave(ScriptedSlave::Mode::kTcp);
  {
    // "localhost" may list ::1 first; the slave listens on IPv4 only.
    TrafficCounters counters;
    RecordingLogSink log;
    TcpClient client(counters, log);
    EXPECT_TRUE(client.Open("localhost", std::to_string(slave.Port()), 200));
  }

  struct Case {
    const char* host;
    const char* port;
    const char* message;
  };
  const Case cases[] = {
      {"127.0.0.1", "abc", "Invalid TCP port 'abc'"},
      {"127.0.0.1", "0", "Invalid TCP port '0'"},
      {"127.0.0.1", "65536", "Invalid TCP port '65536'"},
      {"127.0.0.1", "-502", "Invalid TCP port '-502'"},
      {"127.0.0.1", "", "Invalid TCP port ''"},
      {"", "502", "Unknown host ''"},
  };
  for (const Case& c : cases) {
    TrafficCounters counters;
    RecordingLogSink log;
    TcpClient client(counters, log);
    try {
      client.Open(c.host, c.port, 100);
      ADD_FAILURE() << c.host << ":" << c.port << " accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(TcpClientTest, ShutdownWakesAReceiveAndStopsTraffic) {
  ScriptedSlave slave(ScriptedSlave::Mode::kTcp);
  Rig rig(slave.Port(), 10000);
  ASSERT_TRUE(rig.connected);
  std::atomic<int> result{1};
  std::thread poller([&] {
    uint8_t buffer[16];
    result = rig.client->Receive(buffer, 16, 10000);
  });
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  rig.client->Shutdown();
  poller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // far below the 10 s wait
  EXPECT_EQ(result.load(), -1);
  EXPECT_FALSE(rig.client->IsConnected());

  // No reconnect, no traffic, no log after Shutdown.
  std::vector<uint16_t> v;
  EXPECT_EQ(rig.Read(3, 0, 2, v), trNoReply);
  EXPECT_EQ(rig.counters.TxFrames.load(), 0u);
  EXPECT_TRUE(rig.log.Frames().empty());
  EXPECT_EQ(slave.Connections(), 1);
}

// Shutdown from another thread while the polling thread keeps exchanging:
// whatever the interleaving, every call returns and nothing races.
TEST(TcpClientTest, ShutdownRacesWithExchanges) {
  test::LibmodbusTcpSlave slave;
  for (int round = 0; round < 20; ++round) {
    Rig rig(slave.Port(), 200);
    std::atomic<bool> stop{false};
    std::thread poller([&] {
      std::vector<uint16_t> v;
      while (!stop.load()) rig.Read(3, 0, 4, v);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
    rig.client->Shutdown();
    stop = true;
    poller.join();
    EXPECT_FALSE(rig.client->IsConnected());
  }
}

}  // namespace
}  // namespace mms

namespace mms {
namespace {

TEST(TcpClientTest, ConnectAttemptsEndAtTheTimeout) {
  test::DeafListener deaf;
  const auto start = std::chrono::steady_clock::now();
  Rig rig(deaf.Port(), 200);
  EXPECT_FALSE(rig.connected);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

  // A connect left hanging is cut short by Shutdown.
  TrafficCounters counters;
  RecordingLogSink log;
  TcpClient hanging(counters, log);
  std::atomic<bool> connected{true};
  std::thread opener(
      [&] { connected = hanging.Open("127.0.0.1", std::to_string(deaf.Port()), 100000); });
  std::this_thread::sleep_for(50ms);
  const auto shutdownAt = std::chrono::steady_clock::now();
  hanging.Shutdown();
  opener.join();
  EXPECT_LT(std::chrono::steady_clock::now() - shutdownAt, 5s);
  EXPECT_FALSE(connected.load());
}

}  // namespace
}  // namespace mms
