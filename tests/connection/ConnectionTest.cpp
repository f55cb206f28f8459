#include "modbus/Connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "common/TempDir.h"
#include "log/TransmissionLog.h"
#include "modbus/ModbusProtocol.h"
#include "modbus/PollingThread.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "common/TempDir.h"
#include "common/UiDispatcher.h"
#include "common/WindowTable.h"
#include "log/TransmissionLog.h"
#include "modbus/PollingThread.h"
#include "support/DeafListener.h"
#include "support/LibmodbusSlaves.h"
#include "support/PtyPair.h"
#include "support/ScriptedSlave.h"

namespace mms {
namespace {

using namespace std::chrono_literals;

// Callbacks run on the calling thread; posted tasks wait for the test to run them.
class TestDispatcher : public UiDispatcher {
 public:
  bool RunAndWait(const std::function<void()>& task) override {
    task();
    return true;
  }
  void Post(std::function<void()> task) override {
    std::lock_guard<std::mutex> lock(mutex_);
    posted_.push_back(std::move(task));
  }
  void RunPosted() {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks.swap(posted_);
    }
    for (auto& task : tasks) task();
  }
  size_t PostedCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return posted_.size();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> posted_;
};

class CountingCallbacks : public PollObserver {
 public:
  void PollSent(int) override { ++polls; }
  void PollAnswered(int, const PollDefinition&, const uint16_t* words) override {
    firstValue = words[0];
    ++valid;
  }
  void PollFailed(int, int result) override {
    ++errors;
    if (result == trNoReply) ++timeouts;
  }
  std::atomic<int> polls{0}, valid{0}, errors{0}, timeouts{0};
  std::atomic<uint16_t> firstValue{0};
};

class RecordingView : public ConnectionView {
 public:
  void ShowPortOpeningError(const std::string&) override { ++portErrors; }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  void SetConnectionText(const std::string& text) override { status = text; }
  void SetConnectedControls(bool on) override { connectedControls = on; }
  int portErrors = 0;
  std::vector<std::string> errors;
  std::string status;
  bool connectedControls = false;
};

class ConnectionTest : public ::testing::Test {
 protected:
  ConnectionTest()
      : pool_(table_, callbacks_, scanRate_),
        connection_(counters_, scanRate_, protocolMode_, pool_, log_, dispatcher_, view_) {
    connection_.SetLogPath(LogPath());
    auto record = std::make_shared<WindowRecord>();
    record->SetFunction(3);
    record->SetLength(4);
    table_.Add(record);
  }
  ~ConnectionTest() override {
    connection_.Shutdown();
    pool_.Shutdown();
  }

  std::string LogPath() const { return dir_.File("Transmission.log"); }
  IniFile Settings(const std::vector<std::array<std::string, 3>>& keys) {
    IniFile file(dir_.File("ZeKvadro.ini"));
    file.WriteString("General", "ScanRate", "0");
    file.WriteString("General", "Timeout", "200");
    for (const auto& [section, key, value] : keys) file.WriteString(section, key, value);
    return file;
  }
  IniFile TcpSettings(uint16_t port) {
    return Settings({{"Protocol", "Protocol", "ModbusTCP"},
                     {"TCPPortSettings", "TCPPort", std::to_string(port)}});
  }
  template <typename Done>
  bool WaitFor(Done done) {
    for (int i = 0; i < 3000 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
  }
  // Connect's opening runs on a thread of its own; its outcome is posted.
  bool Settle() {
    return WaitFor([&] {
      dispatcher_.RunPosted();
      return !connection_.Connecting();
    });
  }

  test::TempDir dir_;
  WindowTable table_;
  TrafficCounters counters_;
  std::atomic<int32_t> scanRate_{0};
  std::atomic<uint8_t> protocolMode_{kModbusRtu};
  TestDispatcher dispatcher_;
  CountingCallbacks callbacks_;
  RecordingView view_;
  TransmissionLog log_;
  PollingThread pool_;
  Connection connection_;
};

TEST_F(ConnectionTest, TcpConnectPollsLogsAndDisconnectsCleanly) {
  test::LibmodbusTcpSlave slave;
  slave.SetHoldingRegister(0, 4711);
  connection_.Connect(TcpSettings(slave.Port()));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view_.status, "127.0.0.1:" + std::to_string(slave.Port()));
  EXPECT_TRUE(view_.connectedControls);
  EXPECT_EQ(protocolMode_.load(), kModbusTcp);
  ASSERT_TRUE(WaitFor([&] { return callbacks_.valid.load() >= 2; }));
  EXPECT_EQ(callbacks_.firstValue.load(), 4711);

  connection_.Disconnect();
  EXPECT_EQ(view_.status, "Not connected");
  EXPECT_FALSE(view_.connectedControls);
  const std::string log = test::ReadWhole(LogPath());
  // The first request of a connection: transaction identifier 1.
  EXPECT_EQ(
      log.rfind("<tx>0x00 0x01 0x00 0x00 0x00 0x06 0x01 0x03 0x00 0x00 0x00 0x04 </tx>\r\n", 0),
      0u);
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n") << "the last line is complete";

  // Connect at once again: polling resumes and the log starts anew.
  test::WriteWhole(LogPath(), log + "left by the first connection\r\n");
  const int before = callbacks_.valid.load();
  connection_.Connect(TcpSettings(slave.Port()));
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(WaitFor([&] { return callbacks_.valid.load() > before + 1; }));
  connection_.Disconnect();
  EXPECT_EQ(test::ReadWhole(LogPath()).find("left by the first connection"), std::string::npos);
}

// The modes that share the TCP page: panel 0 names them beside host:port.
TEST_F(ConnectionTest, RtuOverTcpAndUdpConnectPollAndShowTheirMode) {
  struct Case {
    const char* protocol;
    test::ScriptedSlave::Mode slaveMode;
    uint8_t mode;
    const char* name;
  };
  const Case cases[] = {
      {"ModbusRTUoverTCP", test::ScriptedSlave::Mode::kRtuOverTcp, kModbusRtuOverTcp,
       " Modbus RTU over TCP"},
      {"ModbusUDP", test::ScriptedSlave::Mode::kUdp, kModbusUdp, " Modbus UDP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.protocol);
    test::ScriptedSlave slave(c.slaveMode);
    const int before = callbacks_.valid.load();
    connection_.Connect(Settings({{"Protocol", "Protocol", c.protocol},
                                  {"TCPPortSettings", "TCPPort", std::to_string(slave.Port())},
                                  {"General", "Timeout", "5000"}}));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(view_.status, "127.0.0.1:" + std::to_string(slave.Port()) + c.name);
    EXPECT_EQ(protocolMode_.load(), c.mode);
    ASSERT_TRUE(WaitFor([&] { return callbacks_.valid.load() >= before + 2; }));
    EXPECT_EQ(callbacks_.firstValue.load(), test::ScriptedSlave::RegisterValue(0));
    connection_.Disconnect();
    EXPECT_EQ(view_.status, "Not connected");
  }
}

// A driver without RS-485 mode (a pseudo-terminal) makes Connect say so and
// go back to "Not connected".
TEST_F(ConnectionTest, Rs485RefusedByTheDriverIsAnErrorBox) {
  test::PtyPair pty;
  connection_.Connect(
      Settings({{"RTUPortSettings", "Port", pty.SlavePath()}, {"RTUPortSettings", "RS485", "1"}}));
  ASSERT_TRUE(Settle());
  ASSERT_EQ(view_.errors.size(), 1u);
  EXPECT_EQ(view_.errors[0], "The serial driver of " + pty.SlavePath() +
                                 " refused RS-485 mode: Inappropriate ioctl for device");
  EXPECT_EQ(view_.portErrors, 0);
  EXPECT_EQ(view_.status, "Not connected");
  EXPECT_FALSE(connection_.Connected() || pool_.Running());

  // Without RS-485 the same port opens (the refusal left nothing locked).
  connection_.Connect(Settings({{"RTUPortSettings", "Port", pty.SlavePath()}}));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(connection_.Connected());
  connection_.Disconnect();
}

TEST_F(ConnectionTest, TcpWithNothingListeningStillConnectsAndReportsTimeouts) {
  uint16_t freePort;
  {
    test::LibmodbusTcpSlave probe;
    freePort = probe.Port();
  }
  connection_.Connect(TcpSettings(freePort));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(view_.connectedControls);
  ASSERT_TRUE(WaitFor([&] { return callbacks_.timeouts.load() >= 1; }));
  connection_.Disconnect();
}

TEST_F(ConnectionTest, SerialConnectShowsPortAndBaudAndPolls) {
  test::LibmodbusRtuSlave slave;
  slave.SetHoldingRegister(0, 99);
  IniFile file = Settings({{"RTUPortSettings", "Port", slave.DevicePath()},
                           {"RTUPortSettings", "Bitrate", "19200"}});
  connection_.Connect(file);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view_.status, slave.DevicePath() + " 19200");
  EXPECT_EQ(pool_.DelayBetweenPolls(), 5) << "connect's own default";
  ASSERT_TRUE(WaitFor([&] { return callbacks_.valid.load() >= 1; }));
  EXPECT_EQ(callbacks_.firstValue.load(), 99);

  // The exclusive port is free again at once.
  connection_.Disconnect();
  connection_.Connect(file);
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(connection_.Connected());
  connection_.Disconnect();
}

TEST_F(ConnectionTest, PortThatCannotOpenShowsOneBoxAndStillCreatesTheLog) {
  connection_.Connect(Settings({{"RTUPortSettings", "Port", dir_.File("no-such-tty")}}));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view_.portErrors, 1);
  EXPECT_EQ(view_.status, "Not connected");
  EXPECT_FALSE(view_.connectedControls);
  EXPECT_FALSE(connection_.Connected());
  EXPECT_TRUE(log_.HasLogFile());
  EXPECT_FALSE(pool_.Running());
}

TEST_F(ConnectionTest, BadValuesStopConnectBeforeAnythingOpens) {
  test::LibmodbusRtuSlave slave;
  const std::vector<std::pair<std::array<std::string, 3>, std::string>> cases = {
      {{"RTUPortSettings", "StopBits", "1.5"},
       "1.5 stop bits are not supported by the serial driver"},
      {{"General", "DelayBetweenPolls", "abc"}, "'abc' is not a valid integer value"},
      {{"General", "ScanRate", "fast"}, "'fast' is not a valid integer value"},
      {{"RTUPortSettings", "Bitrate", "300"}, "Unsupported bit rate '300'"},
      {{"General", "Timeout", "-5"}, "Timeout value -5 is out of range (0 to 86400000 ms)"},
      {{"General", "DelayBetweenPolls", "-1"},
       "DelayBetweenPolls value -1 is out of range (0 to 86400000 ms)"},
      {{"General", "ScanRate", "86400001"},
       "ScanRate value 86400001 is out of range (0 to 86400000 ms)"},
      {{"General", "LogSizeLimitMB", "-1"},
       "LogSizeLimitMB value -1 is out of range (0 to 1048576 MB)"},
  };
  for (const auto& [key, message] : cases) {
    IniFile file = Settings({{"RTUPortSettings", "Port", slave.DevicePath()}, key});
    try {
      connection_.Connect(file);
      ADD_FAILURE() << "no error for " << key[1];
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), message);
    }
    EXPECT_FALSE(connection_.Connected());
    EXPECT_FALSE(log_.HasLogFile());
    EXPECT_EQ(view_.portErrors, 0);
  }
  EXPECT_THROW(connection_.Connect(Settings({{"Protocol", "Protocol", "ModbusTCP"},
                                             {"TCPPortSettings", "TCPPort", "70000"}})),
               Error);
  EXPECT_THROW(connection_.Connect(
                   Settings({{"Protocol", "Protocol", "ModbusTCP"}, {"General", "Timeout", "-5"}})),
               Error);
  EXPECT_FALSE(connection_.Connected());
}

TEST_F(ConnectionTest, ProtocolInAnotherCaseKeepsThePreviousProtocol) {
  connection_.Connect(Settings({{"Protocol", "Protocol", "modbustcp"},
                                {"RTUPortSettings", "Port", dir_.File("none")}}));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(protocolMode_.load(), kModbusRtu);
  EXPECT_EQ(view_.portErrors, 1) << "went the serial way";
}

TEST_F(ConnectionTest, TimeoutTextReachesTheStatusButNeverAfterDisconnect) {
  test::PtyPair silent;  // nobody answers on the other side
  connection_.Connect(Settings({{"RTUPortSettings", "Port", silent.SlavePath()}}));
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(WaitFor([&] { return dispatcher_.PostedCount() > 0; }));
  dispatcher_.RunPosted();
  EXPECT_EQ(view_.status, "TIMEOUT");

  ASSERT_TRUE(WaitFor([&] { return dispatcher_.PostedCount() > 0; }));
  connection_.Disconnect();
  dispatcher_.RunPosted();  // posted before Disconnect, run after it
  EXPECT_EQ(view_.status, "Not connected");
}

// Connect, Disconnect and Exit return at once while the opening hangs (a
// device that never answers the TCP connect, Timeout ten minutes); what a
// cut-off opening finds changes nothing. A host that cannot be found is an
// error box once the lookup has failed.
TEST_F(ConnectionTest, AnOpeningUnderWayHoldsNothingUp) {
  test::DeafListener deaf;
  const auto promptly = [](auto step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::steady_clock::now() - start < 5s;
  };
  IniFile hanging = Settings({{"Protocol", "Protocol", "ModbusTCP"},
                              {"TCPPortSettings", "TCPPort", std::to_string(deaf.Port())},
                              {"General", "Timeout", "600000"}});
  EXPECT_TRUE(promptly([&] { connection_.Connect(hanging); }));
  EXPECT_TRUE(connection_.Connecting());
  EXPECT_TRUE(view_.connectedControls);
  EXPECT_EQ(view_.status, Connection::kConnectingText);
  EXPECT_TRUE(promptly([&] { connection_.Disconnect(); }));
  EXPECT_EQ(view_.status, "Not connected");
  ASSERT_TRUE(WaitFor([&] { return dispatcher_.PostedCount() > 0; }));
  dispatcher_.RunPosted();
  EXPECT_EQ(view_.status, "Not connected");
  EXPECT_FALSE(view_.connectedControls || connection_.Connected() || pool_.Running());

  connection_.Connect(
      Settings({{"Protocol", "Protocol", "ModbusTCP"}, {"TCPPortSettings", "IPAddress", ""}}));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view_.errors, std::vector<std::string>{"Unknown host ''"});
  EXPECT_FALSE(view_.connectedControls || connection_.Connected() || pool_.Running());

  connection_.Connect(hanging);
  EXPECT_TRUE(promptly([&] { connection_.Shutdown(); }));
  EXPECT_TRUE(promptly([&] { pool_.Shutdown(); }));
}

}  // namespace
}  // namespace mms
