// The serial transport over pseudo-terminals: against a libmodbus RTU slave,
// our scripted slave, and a bare line driven by the test.
#include "modbus/SerialPort.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

#include "modbus/ModbusProtocol.h"
#include "common/TrafficCounters.h"
#include "common/Errors.h"
#include "support/FakeTransport.h"
#include "support/LibmodbusSlaves.h"
#include "support/PtyPair.h"
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

SerialLineSettings Line(const std::string& path, int baud = 115200, int timeoutMs = kReplyMs) {
  SerialLineSettings line;
  line.Port = path;
  line.DevicePath = path;
  line.BaudRate = baud;
  line.TimeoutMs = timeoutMs;
  return line;
}

// A serial port with its counters, log and "TIMEOUT" hook, as Connect sets it up.
struct Rig {
  TrafficCounters counters;
  RecordingLogSink log;
  std::atomic<int> timeouts{0};
  std::shared_ptr<SerialPort> port =
      std::make_shared<SerialPort>(counters, log, [this] { timeouts.fetch_add(1); });
  test::ReplyWait wait{*port};  // the reply wait of each exchange

  explicit Rig(const SerialLineSettings& line) {
    EXPECT_EQ(port->Open(line), SerialPort::OpenResult::kOpened) << line.DevicePath;
    wait.Set(line.TimeoutMs);
  }
  int Transact(uint8_t function, uint8_t device, uint16_t address, uint16_t count, uint16_t* values,
               int capacity) {
    return ModbusTransaction(wait, kModbusRtu, function, device, address, count, values, capacity);
  }
  // Drops input until a line of `frames` logged frames is reached: the test's
  // way of waiting until bytes the pty carries have arrived.
  bool DiscardUntil(size_t frames) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    for (;;) {
      port->DiscardStale();
      if (log.Frames().size() >= frames) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(2ms);
    }
  }
  int Read(uint8_t function, uint16_t address, uint16_t count, std::vector<uint16_t>& out) {
    out.assign(count, 0xDEAD);
    return Transact(function, 1, address, count, out.data(), static_cast<int>(out.size()));
  }
};

Bytes ReadAvailable(int fd, std::chrono::milliseconds wait) {
  Bytes out;
  pollfd p{fd, POLLIN, 0};
  while (poll(&p, 1, static_cast<int>(wait.count())) > 0) {
    uint8_t chunk[300];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    out.insert(out.end(), chunk, chunk + n);
    wait = 20ms;
  }
  return out;
}

// --- a real slave ----------------------------------------------------------------

TEST(SerialPortTest, ReadsAndWritesALibmodbusSlave) {
  test::LibmodbusRtuSlave slave(1);
  for (int a = 0; a < 10; ++a) {
    slave.SetCoil(a, a % 3 == 0);
    slave.SetDiscreteInput(a, a % 2 == 0);
    slave.SetHoldingRegister(a, static_cast<uint16_t>(0x1000 + a));
    slave.SetInputRegister(a, static_cast<uint16_t>(0xF000 - a));
  }
  Rig rig(Line(slave.DevicePath()));
  std::vector<uint16_t> v;

  ASSERT_EQ(rig.Read(1, 0, 10, v), trOk);
  for (int a = 0; a < 10; ++a) EXPECT_EQ(v[a], a % 3 == 0 ? 1 : 0) << a;
  ASSERT_EQ(rig.Read(2, 0, 10, v), trOk);
  for (int a = 0; a < 10; ++a) EXPECT_EQ(v[a], a % 2 == 0 ? 1 : 0) << a;
  ASSERT_EQ(rig.Read(3, 0, 10, v), trOk);
  for (int a = 0; a < 10; ++a) EXPECT_EQ(v[a], 0x1000 + a) << a;
  ASSERT_EQ(rig.Read(4, 3, 2, v), trOk);
  EXPECT_EQ(v, (std::vector<uint16_t>{0xF000 - 3, 0xF000 - 4}));

  uint16_t on = 1;
  EXPECT_EQ(rig.Transact(5, 1, 3, 1, &on, 1), trOk);
  EXPECT_TRUE(slave.Coil(3));
  uint16_t word = 0x1234;
  EXPECT_EQ(rig.Transact(6, 1, 1, 1, &word, 1), trOk);
  EXPECT_EQ(slave.HoldingRegister(1), 0x1234);
  uint16_t pair[2] = {0xABCD, 0x0102};
  EXPECT_EQ(rig.Transact(16, 1, 7, 2, pair, 2), trOk);
  EXPECT_EQ(slave.HoldingRegister(7), 0xABCD);
  EXPECT_EQ(slave.HoldingRegister(8), 0x0102);

  // One transmitted and one received line per exchange, in order, each the
  // whole frame; the holding-register read is the known request.
  const auto frames = rig.log.Frames();
  ASSERT_EQ(frames.size(), 14u);
  const size_t replyLengths[7] = {7, 7, 25, 9, 8, 8, 8};
  uint32_t rxBytes = 0;
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(frames[2 * i].direction, kLogTransmitted) << i;
    EXPECT_EQ(frames[2 * i + 1].direction, kLogReceived) << i;
    EXPECT_EQ(frames[2 * i + 1].bytes.size(), replyLengths[i]) << i;
    rxBytes += static_cast<uint32_t>(replyLengths[i]);
  }
  EXPECT_EQ(frames[4].bytes, (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
  EXPECT_EQ(frames[8].bytes, (Bytes{0x01, 0x05, 0x00, 0x03, 0xFF, 0x00, 0x7C, 0x3A}));
  EXPECT_EQ(rig.counters.TxFrames.load(), 7u);
  EXPECT_EQ(rig.counters.RxFrames.load(), 7u);
  EXPECT_EQ(rig.counters.TxBytes.load(), 8u * 6 + 13u);
  EXPECT_EQ(rig.counters.RxBytes.load(), rxBytes);
  EXPECT_EQ(rig.timeouts.load(), 0);
}

// --- faults on cue -----------------------------------------------------------------

TEST(SerialPortTest, FaultyRepliesGiveTheirResults) {
  struct Case {
    const char* name;
    Cue cue;
    int result;
    bool timeoutShown;
    size_t receivedBytes;  // of the logged reply line
    int waitMs;
  };
  const Case cases[] = {
      {"silence", Cue::Silence(), trNoReply, true, 0, kNothingMs},
      {"bad CRC", Cue::BadCrc(), trInvalidReply, false, 25, kReplyMs},
      // No identifier on a serial line: a frame of another device is invalid.
      {"wrong device", Cue::WrongDeviceId(), trInvalidReply, false, 25, kReplyMs},
      {"exception", Cue::Exception(2), trInvalidReply, false, 5, kReplyMs},
      {"short", Cue::Raw({0x01, 0x03, 0x14}), trInvalidReply, false, 3, kReplyMs},
      {"one register short", Cue::Short(2), trInvalidReply, false, 23, kReplyMs},
  };
  ScriptedSlave slave(ScriptedSlave::Mode::kRtu);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(Line(slave.DevicePath(), 115200, c.waitMs));
    slave.Push(c.cue);
    std::vector<uint16_t> v;
    EXPECT_EQ(rig.Read(3, 0, 10, v), c.result);
    EXPECT_EQ(rig.timeouts.load(), c.timeoutShown ? 1 : 0);
    const auto frames = rig.log.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].direction, kLogReceived);
    EXPECT_EQ(frames[1].bytes.size(), c.receivedBytes);
    EXPECT_EQ(rig.counters.RxFrames.load(), c.receivedBytes > 0 ? 1u : 0u);
    EXPECT_EQ(rig.counters.RxBytes.load(), c.receivedBytes);
    EXPECT_EQ(rig.counters.TxFrames.load(), 1u);
    rig.port->Shutdown();
  }
}

// A reply that comes after its transaction gave up is dropped (and logged)
// before the next request, never taken as the next request's answer.
TEST(SerialPortTest, LateReplyIsDiscardedBeforeTheNextRequest) {
  ScriptedSlave slave(ScriptedSlave::Mode::kRtu);
  Rig rig(Line(slave.DevicePath()));
  slave.Push(Cue::Normal().Late(500));
  std::vector<uint16_t> v;
  rig.wait.Set(80);
  EXPECT_EQ(rig.Read(3, 0, 2, v), trNoReply);
  ASSERT_TRUE(rig.DiscardUntil(3));  // the late reply has come

  rig.wait.Set(kReplyMs);
  EXPECT_EQ(rig.Read(3, 10, 2, v), trOk);
  EXPECT_EQ(v, (std::vector<uint16_t>{ScriptedSlave::RegisterValue(10),
                                      ScriptedSlave::RegisterValue(11)}));
  const auto requests = slave.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const auto frames = rig.log.Frames();
  ASSERT_EQ(frames.size(), 5u);  // tx, empty rx, stale rx, tx, rx
  EXPECT_EQ(frames[1], (Frame{kLogReceived, {}}));
  EXPECT_EQ(frames[2], (Frame{kLogReceived, slave.NormalReply(requests[0])}));
  EXPECT_EQ(frames[3].direction, kLogTransmitted);
  EXPECT_EQ(rig.counters.RxFrames.load(), 2u) << "the stale reply is counted too";
  EXPECT_EQ(rig.counters.RxBytes.load(), 2u * 9);
}

// The silence that ends a reply follows the baud rate: a pause that is a
// gap at 115200 baud is inside a character stream at 1200.
TEST(SerialPortTest, InterByteGapFollowsTheBaudRate) {
  ScriptedSlave slave(ScriptedSlave::Mode::kRtu);
  std::vector<uint16_t> v;
  {
    // 12 bits a character: a 35 ms gap, far above the 5 ms pause even when
    // the slave's thread is woken late.
    SerialLineSettings line = Line(slave.DevicePath(), 1200);
    line.Parity = ParityCode::kEven;
    line.StopBits = StopBitsCode::kTwo;
    Rig slow(line);
    slave.Push(Cue::Normal().Split(4, 5));
    EXPECT_EQ(slow.Read(3, 0, 4, v), trOk);
    slow.port->Shutdown();
  }
  Rig fast(Line(slave.DevicePath(), 115200));
  slave.Push(Cue::Normal().Split(4, 60));
  EXPECT_EQ(fast.Read(3, 0, 4, v), trInvalidReply);
  ASSERT_TRUE(fast.DiscardUntil(3));
  // The tail is dropped before the next request, which then succeeds.
  EXPECT_EQ(fast.Read(3, 0, 4, v), trOk);
  const auto frames = fast.log.Frames();
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(frames[1].bytes.size(), 4u);
  EXPECT_EQ(frames[2].bytes.size(), 9u);
}

// --- the bare line -------------------------------------------------------------------

TEST(SerialPortTest, SendsWholeFramesAndReceivesWhatArrives) {
  test::PtyPair line;
  Rig rig(Line(line.SlavePath(), 115200, 100));
  const uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
  rig.port->Send(request, sizeof request);
  EXPECT_EQ(ReadAvailable(line.MasterFd(), 1s), Bytes(request, request + sizeof request));

  // 3 bytes when 25 are expected: returned after the gap, counted as a frame.
  const uint8_t partial[] = {0x01, 0x03, 0x14};
  ASSERT_EQ(write(line.MasterFd(), partial, sizeof partial), 3);
  uint8_t buffer[25] = {};
  EXPECT_EQ(rig.port->Receive(buffer, 25, 1000), 3);
  rig.port->ReplyReceived(buffer, 3);
  EXPECT_EQ(rig.counters.RxFrames.load(), 1u);
  EXPECT_EQ(rig.counters.RxBytes.load(), 3u);

  // More than asked for: the rest stays for DiscardStale, which logs it and
  // counts it as a frame.
  const uint8_t burst[] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(write(line.MasterFd(), burst, sizeof burst), 6);
  EXPECT_EQ(rig.port->Receive(buffer, 4, 1000), 4);
  ASSERT_TRUE(rig.DiscardUntil(3));
  EXPECT_EQ(rig.log.Frames().back(), (Frame{kLogReceived, {5, 6}}));
  EXPECT_EQ(rig.port->Receive(buffer, 4, 20), 0);
  EXPECT_EQ(rig.counters.RxBytes.load(), 5u);
  EXPECT_EQ(rig.counters.RxFrames.load(), 2u);
  EXPECT_EQ(rig.counters.TxBytes.load(), 8u);
}

TEST(SerialPortTest, LineSettingsReachTheDevice) {
  struct Case {
    int baud;
    speed_t speed;
    ParityCode parity;
    StopBitsCode stop;
    tcflag_t parityBits;
  };
  const Case cases[] = {
      {1200, B1200, ParityCode::kNone, StopBitsCode::kOne, 0},
      {9600, B9600, ParityCode::kOdd, StopBitsCode::kTwo, PARENB | PARODD},
      {19200, B19200, ParityCode::kEven, StopBitsCode::kOne, PARENB},
      {57600, B57600, ParityCode::kMark, StopBitsCode::kOne, PARENB | PARODD | CMSPAR},
      {115200, B115200, ParityCode::kSpace, StopBitsCode::kTwo, PARENB | CMSPAR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.baud);
    test::PtyPair line;
    SerialLineSettings settings = Line(line.SlavePath(), c.baud);
    settings.Parity = c.parity;
    settings.StopBits = c.stop;
    Rig rig(settings);
    termios tio{};
    ASSERT_EQ(tcgetattr(line.SlaveFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), c.speed);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    // A pty keeps PARODD and CMSPAR but always clears PARENB.
    EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), c.parityBits & ~static_cast<tcflag_t>(PARENB));
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.stop == StopBitsCode::kTwo);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_cflag & (HUPCL | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (INPCK | IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  }
}

TEST(SerialPortTest, PortsThatCannotBeUsedAreRefused) {
  TrafficCounters counters;
  RecordingLogSink log;
  test::PtyPair line;

  // Missing device, a plain file (left untouched), a directory.
  char file[] = "/tmp/mms-not-a-tty-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "keep", 4), 4);
  close(fd);
  for (const std::string& path :
       {std::string("/dev/mms-no-such-port"), std::string(file), std::string("/tmp")}) {
    SerialPort port(counters, log);
    EXPECT_EQ(port.Open(Line(path)), SerialPort::OpenResult::kOpenFailed) << path;
  }
  std::ifstream kept(file);
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "keep");
  std::remove(file);

  // A port in use, by this process or another.
  SerialPort first(counters, log);
  ASSERT_EQ(first.Open(Line(line.SlavePath())), SerialPort::OpenResult::kOpened);
  SerialPort second(counters, log);
  EXPECT_EQ(second.Open(Line(line.SlavePath())), SerialPort::OpenResult::kOpenFailed);

  // Settings termios cannot express: refused before anything is opened.
  SerialLineSettings oneAndHalf = Line("/dev/mms-no-such-port");
  oneAndHalf.StopBits = StopBitsCode::kOneAndHalf;
  SerialLineSettings oddBaud = Line("/dev/mms-no-such-port", 14400);
  for (const auto& settings : {oneAndHalf, oddBaud}) {
    SerialPort port(counters, log);
    EXPECT_THROW(port.Open(settings), Error);
  }
  EXPECT_EQ(counters.TxFrames.load(), 0u);
  EXPECT_TRUE(log.Frames().empty());
}

// Disconnect closes the port while the polling thread waits for a reply:
// the wait ends at once, later operations do nothing, and the port can be
// opened again straight away.
TEST(SerialPortTest, ShutdownWakesAReceiveAndFreesThePort) {
  test::PtyPair line;
  Rig rig(Line(line.SlavePath(), 115200, 10000));
  std::atomic<int> result{1};
  std::thread poller([&] {
    uint8_t buffer[8];
    result = rig.port->Receive(buffer, 8, 10000);
  });
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  rig.port->Shutdown();
  poller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // far below the 10 s wait
  EXPECT_EQ(result.load(), -1);
  EXPECT_FALSE(rig.port->IsOpen());

  const uint8_t frame[] = {1, 2, 3};
  rig.port->Send(frame, 3);
  rig.port->DiscardStale();
  uint8_t buffer[8];
  EXPECT_EQ(rig.port->Receive(buffer, 8, 10000), -1);
  rig.port->ReplyReceived(buffer, 0);
  EXPECT_EQ(rig.counters.TxFrames.load(), 0u);
  EXPECT_EQ(rig.timeouts.load(), 0);  // no "TIMEOUT" over "Not connected"
  EXPECT_TRUE(ReadAvailable(line.MasterFd(), 20ms).empty());

  Rig again(Line(line.SlavePath()));
  EXPECT_TRUE(again.port->IsOpen());
}

}  // namespace
}  // namespace mms
