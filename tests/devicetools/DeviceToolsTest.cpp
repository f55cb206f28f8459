// Exception names, response times, device identification and the device
// scan, over the real transports against libmodbus and scripted slaves.
#include <gtest/gtest.h>

#include <mutex>

#include "common/TrafficCounters.h"
#include "modbus/DeviceIdentification.h"
#include "modbus/DeviceScan.h"
#include "modbus/ErrorTexts.h"
#include "modbus/SerialPort.h"
#include "modbus/TcpClient.h"
#include "polling/RealPeerMaster.h"
#include "support/LibmodbusSlaves.h"
#include "support/RecordingLogSink.h"
#include "support/ScriptedSlave.h"

namespace mms::test {
namespace {

// One window of 2 registers unless told otherwise; timeouts of 2 s.
struct Master : RealPeerMaster {
  explicit Master(bool withWindow = true) : RealPeerMaster(2, 5, withWindow) {}
  void ConnectTcp(uint16_t port) { RealPeerMaster::ConnectTcp(port, 2000); }
  void ConnectRtu(const std::string& device) { RealPeerMaster::ConnectRtu(device, 2000); }
};

std::string WindowErrorText(const PollResult& r) {
  return r.Last == PollOutcome::Timeout ? kTimeoutText
                                        : ExchangeErrorText(trInvalidReply, r.ExceptionCode);
}

TEST(ExceptionTexts, ExceptionRepliesNameTheExceptionInTheWindowsErrorText) {
  struct Case {
    ScriptedSlave::Mode mode;
    Cue cue;
    const char* text;
  };
  const Case cases[] = {
      {ScriptedSlave::Mode::kTcp, Cue::Exception(1),
       "Invalid response to Modbus message: exception 01, illegal function"},
      {ScriptedSlave::Mode::kRtu, Cue::Exception(4),
       "Invalid response to Modbus message: exception 04, server device failure"},
      {ScriptedSlave::Mode::kTcp, Cue::Exception(0x0B),
       "Invalid response to Modbus message: exception 0B, gateway target device failed to "
       "respond"},
      {ScriptedSlave::Mode::kRtu, Cue::Exception(0x0C),
       "Invalid response to Modbus message: exception 0C"},
      {ScriptedSlave::Mode::kTcp, Cue::Short(1), "Invalid response to Modbus message"},
      {ScriptedSlave::Mode::kRtu, Cue::BadCrc(), "Invalid response to Modbus message"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptedSlave slave(c.mode);
    for (int i = 0; i < 100; ++i) slave.Push(c.cue);
    Master master;
    if (c.mode == ScriptedSlave::Mode::kTcp) {
      master.ConnectTcp(slave.Port());
    } else {
      master.ConnectRtu(slave.DevicePath());
    }
    ASSERT_TRUE(Eventually([&] { return master.Result().Errors > 0; }));
    EXPECT_EQ(WindowErrorText(master.Result()), c.text);
  }
  // A real slave: an address beyond its map.
  LibmodbusTcpSlave slave;
  Master master;
  master.record->SetAddress(LibmodbusSlave::kTableSize + 10);
  master.ConnectTcp(slave.Port());
  ASSERT_TRUE(Eventually([&] { return master.Result().Errors > 0; }));
  EXPECT_EQ(WindowErrorText(master.Result()),
            "Invalid response to Modbus message: exception 02, illegal data address");
}

TEST(ResponseTimes, LastMinMeanMaxOfEveryReplyUntilReset) {
  for (bool rtu : {false, true}) {
    SCOPED_TRACE(rtu ? "RTU" : "TCP");
    std::unique_ptr<LibmodbusSlave> slave;
    Master master;
    if (rtu) {
      auto* s = new LibmodbusRtuSlave(1);
      slave.reset(s);
      master.ConnectRtu(s->DevicePath());
    } else {
      auto* s = new LibmodbusTcpSlave;
      slave.reset(s);
      master.ConnectTcp(s->Port());
    }
    ASSERT_TRUE(Eventually([&] { return master.Result().Response.Count >= 5; }));
    const ResponseTimes t = master.Result().Response;
    EXPECT_LE(t.MinMicros, t.MeanMicros());
    EXPECT_LE(t.MeanMicros(), t.MaxMicros);
    EXPECT_LE(t.MinMicros, t.LastMicros);
    EXPECT_LE(t.LastMicros, t.MaxMicros);
    master.pool.RequestStop();
    ASSERT_TRUE(Eventually([&] { return !master.pool.Running(); }));
    master.record->ResetCounters();
    EXPECT_EQ(master.Result().Response.Count, 0u);
    EXPECT_EQ(master.Result().Response.MaxMicros, 0u);
  }
  EXPECT_EQ(ResponseRangeText(ResponseTimes{}), "-");
  ResponseTimes t;
  for (uint32_t us : {2000u, 1000u, 6000u}) t.Add(us);
  EXPECT_EQ(LastResponseText(t), "6.0");
  EXPECT_EQ(ResponseRangeText(t), "1.0/3.0/6.0");
}

Bytes TcpFrame(uint16_t transactionId, const Bytes& body) {
  Bytes frame{
      static_cast<uint8_t>(transactionId >> 8), static_cast<uint8_t>(transactionId), 0, 0, 0,
      static_cast<uint8_t>(body.size())};
  for (uint8_t b : body) frame.push_back(b);
  return frame;
}

Bytes Object(uint8_t id, const std::string& value) {
  Bytes object{id, static_cast<uint8_t>(value.size())};
  for (char c : value) object.push_back(static_cast<uint8_t>(c));
  return object;
}

TEST(DeviceIdentification, FollowsMoreFollowsAndReportsServerIdOrItsException) {
  // Function 43 / 14 played by the scripted slave, in two pages; its 17 is an exception.
  ScriptedSlave scripted(ScriptedSlave::Mode::kTcp);
  Bytes first{1, 0x2B, 0x0E, 2, 0x82, 0xFF, 3, 3};
  for (const Bytes& o : {Object(0, "Acme"), Object(1, "P-1"), Object(2, "1.2")})
    for (uint8_t b : o) first.push_back(b);
  Bytes second{1, 0x2B, 0x0E, 2, 0x82, 0x00, 0, 3};
  for (const Bytes& o : {Object(3, "acme.example"), Object(4, "Widget"), Object(0x80, "x\ty")})
    for (uint8_t b : o) second.push_back(b);
  scripted.Push(Cue::Raw(TcpFrame(1, first)));
  scripted.Push(Cue::Raw(TcpFrame(2, second)));
  TrafficCounters counters;
  RecordingLogSink log;
  TcpClient client(counters, log);
  client.Open("127.0.0.1", std::to_string(scripted.Port()), 2000);
  std::string report = IdentificationReport(1, IdentifyDevice(client, kModbusTcp, 1));
  EXPECT_EQ(report,
            "Device 1\n\nRead device identification (function 43 / MEI 14)\n"
            "Conformity level: 82 (regular, individual access)\n"
            "VendorName: Acme\nProductCode: P-1\nMajorMinorRevision: 1.2\n"
            "VendorUrl: acme.example\nProductName: Widget\nObject 80: x.y\n"
            "\nReport server ID (function 17)\n"
            "Invalid response to Modbus message: exception 03, illegal data value\n");
  ASSERT_EQ(scripted.Requests().size(), 3u);
  EXPECT_EQ(scripted.Requests()[1].back(), 3);  // the second page from the next object id
  client.Shutdown();

  // libmodbus knows 17 and refuses 43 (over RTU it cannot even frame 43).
  for (bool rtu : {false, true}) {
    SCOPED_TRACE(rtu ? "RTU" : "TCP");
    std::unique_ptr<LibmodbusSlave> slave;
    std::unique_ptr<Transport> link;
    if (rtu) {
      auto* s = new LibmodbusRtuSlave(7);
      slave.reset(s);
      auto* port = new SerialPort(counters, log);
      link.reset(port);
      SerialLineSettings line;
      line.DevicePath = s->DevicePath();
      line.BaudRate = 115200;
      line.TimeoutMs = 2000;
      ASSERT_EQ(port->Open(line), SerialPort::OpenResult::kOpened);
    } else {
      auto* s = new LibmodbusTcpSlave;
      slave.reset(s);
      auto* tcp = new TcpClient(counters, log);
      link.reset(tcp);
      tcp->Open("127.0.0.1", std::to_string(s->Port()), 2000);
    }
    report = IdentificationReport(7, IdentifyDevice(*link, rtu ? kModbusRtu : kModbusTcp, 7));
    if (!rtu) {
      EXPECT_NE(report.find("exception 01, illegal function\n\nReport server ID"),
                std::string::npos)
          << report;
    }
    EXPECT_NE(report.find("Run indicator: ON\nAdditional data: LMB"), std::string::npos) << report;
  }
}

TEST(DeviceIdentification, OnePageOverRtu) {
  ScriptedSlave scripted(ScriptedSlave::Mode::kRtu);
  Bytes page{4, 0x2B, 0x0E, 1, 0x01, 0x00, 0, 1};
  for (uint8_t b : Object(0, "Acme")) page.push_back(b);
  int length = static_cast<int>(page.size());
  page.resize(page.size() + 2);
  AppendCrc(page.data(), length);
  scripted.Push(Cue::Raw(page));
  TrafficCounters counters;
  RecordingLogSink log;
  SerialPort port(counters, log);
  SerialLineSettings line;
  line.DevicePath = scripted.DevicePath();
  line.BaudRate = 115200;
  line.TimeoutMs = 2000;
  ASSERT_EQ(port.Open(line), SerialPort::OpenResult::kOpened);
  const Identification found = IdentifyDevice(port, kModbusRtu, 4);
  ASSERT_EQ(found.Objects.size(), 1u);
  EXPECT_EQ(found.Objects[0].Value, "Acme");
  EXPECT_EQ(found.ServerIdException, 3);
  port.Shutdown();
}

TEST(DeviceIdentification, BrokenPagesAreRefused) {
  const Bytes cases[] = {
      {0x2B, 0x0E, 2, 0x82, 0x00, 0, 1, 0, 5, 'a'},  // object runs past the end
      {0x2B, 0x0E, 2, 0x82, 0x12, 0, 0},             // "more follows" neither 00 nor FF
      {0x2B, 0x0E, 2, 0x82, 0x00, 0, 0, 9},          // bytes behind the last object
      {0x2B, 0x0D, 2, 0x82, 0x00, 0, 0},             // another MEI type
  };
  for (const Bytes& pdu : cases) {
    DeviceIdPage page;
    EXPECT_FALSE(ParseDeviceIdPage(pdu.data(), static_cast<int>(pdu.size()), &page));
  }
}

// Collects what a scan reports, on whichever thread posts it.
struct ScanLog {
  std::vector<ScanStep> Steps() const {
    std::lock_guard<std::mutex> lock(mutex);
    return steps;
  }
  bool Ended() const {
    const auto s = Steps();
    return !s.empty() && (s.back().Finished || s.back().Cancelled);
  }
  // `record`: notes its poll count at every step.
  DeviceScan::Report Reporter(const WindowRecord* record = nullptr) {
    return [this, record](const ScanStep& step) {
      PollResult result;
      if (record) record->TakeResult(&result);
      std::lock_guard<std::mutex> lock(mutex);
      steps.push_back(step);
      polls.push_back(result.Polls);
    };
  }
  mutable std::mutex mutex;
  std::vector<ScanStep> steps;
  std::vector<uint64_t> polls;
};

ScanSettings ScanOf(uint8_t first, uint8_t last, uint16_t address) {
  ScanSettings settings;
  settings.FirstId = first;
  settings.LastId = last;
  settings.Address = address;
  settings.Count = 2;
  return settings;
}

TEST(DeviceScan, ListsOnlyTheIdsThatAnswerWhilePollingGoesOn) {
  for (auto mode : {ScriptedSlave::Mode::kTcp, ScriptedSlave::Mode::kRtu}) {
    SCOPED_TRACE(mode == ScriptedSlave::Mode::kTcp ? "TCP" : "RTU");
    ScriptedSlave slave(mode);
    slave.AnswerOnly({2, 4});
    Master master;
    master.record->SetDeviceID(2);
    if (mode == ScriptedSlave::Mode::kTcp) {
      master.ConnectTcp(slave.Port());
    } else {
      master.ConnectRtu(slave.DevicePath());
    }
    DirectDispatcher dispatcher;
    ScanLog log;
    auto scan = DeviceScan::Start(master.pool, dispatcher, ScanOf(1, 5, 0),
                                  log.Reporter(master.record.get()));
    ASSERT_TRUE(Eventually([&] { return log.Ended(); }));
    const auto steps = log.Steps();
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_TRUE(steps.back().Finished);
    for (const ScanStep& step : steps) {
      const bool there = step.DeviceId == 2 || step.DeviceId == 4;
      EXPECT_EQ(step.Answered, there) << int(step.DeviceId);
      EXPECT_EQ(step.ReplyText, there ? "1 2" : kTimeoutText);
      EXPECT_EQ(step.ResponseMicros >= 0, there);
    }
    // The window was polled between the IDs, not only before and after.
    EXPECT_GT(log.polls.back(), log.polls.front());
  }
  // Exception replies count as answers, and say which.
  LibmodbusTcpSlave slave;
  Master master(false);
  master.ConnectTcp(slave.Port());
  DirectDispatcher dispatcher;
  ScanLog log;
  auto scan = DeviceScan::Start(master.pool, dispatcher, ScanOf(9, 10, LibmodbusSlave::kTableSize),
                                log.Reporter());
  ASSERT_TRUE(Eventually([&] { return log.Ended(); }));
  ASSERT_EQ(log.Steps().size(), 2u);
  for (const ScanStep& step : log.Steps()) {
    EXPECT_TRUE(step.Answered);
    EXPECT_EQ(step.ReplyText,
              "Invalid response to Modbus message: exception 02, illegal data address");
  }
}

TEST(DeviceScan, StopDisconnectAndNoConnectionEndTheScan) {
  ScriptedSlave slave(ScriptedSlave::Mode::kTcp);
  for (int i = 0; i < 300; ++i) slave.Push(Cue::Silence());
  DirectDispatcher dispatcher;
  ScanSettings settings;  // 1-247, every ID silent
  {
    SCOPED_TRACE("not connected");
    Master master(false);
    ScanLog log;
    auto scan = DeviceScan::Start(master.pool, dispatcher, settings, log.Reporter());
    ASSERT_EQ(log.Steps().size(), 1u);
    EXPECT_TRUE(log.Steps()[0].Cancelled);
  }
  {
    SCOPED_TRACE("disconnect");
    Master master(false);
    master.ConnectTcp(slave.Port());
    ScanLog log;
    auto scan = DeviceScan::Start(master.pool, dispatcher, settings, log.Reporter());
    ASSERT_TRUE(Eventually([&] { return !log.Steps().empty(); }));
    master.pool.RequestStop();
    ASSERT_TRUE(Eventually([&] { return log.Ended(); }));
    EXPECT_TRUE(log.Steps().back().Cancelled);
    EXPECT_LT(log.Steps().size(), 5u);
  }
  {
    SCOPED_TRACE("stop");
    Master master(false);
    master.ConnectTcp(slave.Port());
    ScanLog log;
    auto scan = DeviceScan::Start(master.pool, dispatcher, settings, log.Reporter());
    ASSERT_TRUE(Eventually([&] { return !log.Steps().empty(); }));
    scan->Stop();
    const size_t reported = log.Steps().size();
    // A job queued behind the scan's runs once the step in flight is over.
    std::atomic<bool> ran{false};
    master.pool.Submit([&](Transport*, uint8_t) { ran = true; });
    ASSERT_TRUE(Eventually([&] { return ran.load(); }));
    EXPECT_LE(log.Steps().size(), reported + 1);
    EXPECT_FALSE(log.Ended());
  }
}

}  // namespace
}  // namespace mms::test
