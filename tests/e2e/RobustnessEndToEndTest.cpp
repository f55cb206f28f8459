// The program through its windows when things go wrong around it: windows
// closed while their poll waits for a device that never answers, Exit and
// Disconnect during such a wait, Disconnect and Connect in one breath, the
// whole window table used up while polling, ports that cannot be opened, a
// device that is down at Connect. No crash, no hang, no stray error box.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "common/WindowTable.h"
#include "e2e/EndToEnd.h"
#include "support/DeafListener.h"
#include "support/LibmodbusSlaves.h"
#include "support/PtyPair.h"

using e2e::Count;
using e2e::ValueText;

namespace {

// A TCP peer that takes connections (the kernel completes them for its
// backlog) and never reads or answers: every poll waits out its timeout.
class SilentTcpPeer {
 public:
  SilentTcpPeer() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        listen(fd_, 8) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~SilentTcpPeer() {
    if (fd_ >= 0) close(fd_);
  }
  SilentTcpPeer(const SilentTcpPeer&) = delete;
  SilentTcpPeer& operator=(const SilentTcpPeer&) = delete;
  uint16_t Port() const { return port_; }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

enum class Peer { kTcpSilent, kRtuSilent, kTcpSlave, kRtuSlave };

// One device of the kind asked for, alive for the test, and the settings
// that reach it.
class Device {
 public:
  Device(Peer peer, int timeoutMs) : peer_(peer) {
    switch (peer) {
      case Peer::kTcpSilent:
        settings_ = e2e::Tcp(silentTcp_.Port(), timeoutMs);
        status_ = QStringLiteral("127.0.0.1:%1").arg(silentTcp_.Port());
        break;
      case Peer::kRtuSilent:
        settings_ = e2e::Rtu(silentLine_.SlavePath(), timeoutMs);
        status_ = QString::fromStdString(silentLine_.SlavePath()) + QStringLiteral(" 115200");
        break;
      case Peer::kTcpSlave:
        tcpSlave_ = std::make_unique<mms::test::LibmodbusTcpSlave>();
        settings_ = e2e::Tcp(tcpSlave_->Port(), timeoutMs);
        status_ = QStringLiteral("127.0.0.1:%1").arg(tcpSlave_->Port());
        break;
      case Peer::kRtuSlave:
        rtuSlave_ = std::make_unique<mms::test::LibmodbusRtuSlave>(1);
        settings_ = e2e::Rtu(rtuSlave_->DevicePath(), timeoutMs);
        status_ = QString::fromStdString(rtuSlave_->DevicePath()) + QStringLiteral(" 115200");
        break;
    }
  }
  bool Answers() const { return peer_ == Peer::kTcpSlave || peer_ == Peer::kRtuSlave; }
  const e2e::LinkSettings& Settings() const { return settings_; }
  // Panel 0 once connected.
  const QString& Status() const { return status_; }

 private:
  Peer peer_;
  SilentTcpPeer silentTcp_;
  mms::test::PtyPair silentLine_;
  std::unique_ptr<mms::test::LibmodbusTcpSlave> tcpSlave_;
  std::unique_ptr<mms::test::LibmodbusRtuSlave> rtuSlave_;
  e2e::LinkSettings settings_;
  QString status_;
};

// Long enough that waiting for it anywhere would break the bounds below.
constexpr int kLongTimeoutMs = 5000;
// What Exit, or Disconnect and Connect, may take at most: far above what they
// need, far below kLongTimeoutMs.
constexpr qint64 kPromptMs = 3000;

int Sum(const QList<QPointer<DataWindow>>& windows, QLabel* DataWindow::*label) {
  int sum = 0;
  for (const QPointer<DataWindow>& w : windows) {
    if (w) sum += Count(w->*label);
  }
  return sum;
}

}  // namespace

Q_DECLARE_METATYPE(Peer)

class RobustnessEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void closingAWindowWhileItsPollWaitsForAReply_data() {
    QTest::addColumn<Peer>("peer");
    QTest::newRow("tcp") << Peer::kTcpSilent;
    QTest::newRow("rtu") << Peer::kRtuSilent;
  }
  void closingAWindowWhileItsPollWaitsForAReply() {
    QFETCH(Peer, peer);
    Device device(peer, 400);
    e2e::Run run(device.Settings());
    QVERIFY(run.Started());
    QPointer<DataWindow> first = run.NewWindow(e2e::kHoldingRegisters, 0);
    QPointer<DataWindow> second = run.NewWindow(e2e::kCoils, 0);
    QVERIFY(first && second);
    run.Connect();
    // The first window's poll has been sent and waits for its reply.
    QTRY_VERIFY(Count(first->pollsLabel) >= 1);
    run.Activate(first);
    run.Main().CloseWindow();
    QTRY_VERIFY(first.isNull());
    QCOMPARE(run.program().state.DataWindows.Slot(0), nullptr);

    // The wait ends with nobody to tell; the thread goes on with the others.
    QTRY_VERIFY(Count(second->errorsLabel) >= 1);
    QTRY_COMPARE(second->errorTextLabel->text(), QStringLiteral("Modbus message timeout"));
    QPointer<DataWindow> third = run.NewWindow(e2e::kInputs, 0);
    QVERIFY(third);
    QCOMPARE(third->SlotIndex, 2);  // the closed window's slot is not reused
    QTRY_VERIFY(Count(third->pollsLabel) >= 1);
    QCOMPARE(run.Errors(), QStringList());
    QVERIFY(run.Exit() < kPromptMs);
  }

  void exitWhilePollingASilentDeviceIsPrompt_data() {
    QTest::addColumn<Peer>("peer");
    QTest::newRow("tcp") << Peer::kTcpSilent;
    QTest::newRow("rtu") << Peer::kRtuSilent;
  }
  void exitWhilePollingASilentDeviceIsPrompt() {
    QFETCH(Peer, peer);
    Device device(peer, kLongTimeoutMs);
    e2e::Run run(device.Settings());
    QVERIFY(run.Started());
    DataWindow* first = run.NewWindow(e2e::kHoldingRegisters, 0);
    QVERIFY(first && run.NewWindow(e2e::kInputRegisters, 0));
    run.Connect();
    QTRY_VERIFY(Count(first->pollsLabel) >= 1);
    QTest::qWait(50);  // well inside the reply wait
    const qint64 ms = run.Exit();
    QVERIFY2(ms < kPromptMs, qPrintable(QString::number(ms)));
    QCOMPARE(run.Errors(), QStringList());
  }

  void disconnectThenConnectAtOnce_data() {
    QTest::addColumn<Peer>("peer");
    QTest::newRow("tcp slave") << Peer::kTcpSlave;
    QTest::newRow("rtu slave") << Peer::kRtuSlave;
    QTest::newRow("tcp silent") << Peer::kTcpSilent;
    QTest::newRow("rtu silent") << Peer::kRtuSilent;
  }
  void disconnectThenConnectAtOnce() {
    QFETCH(Peer, peer);
    Device device(peer, kLongTimeoutMs);
    e2e::Run run(device.Settings());
    QVERIFY(run.Started());
    const QList<QPointer<DataWindow>> windows = {run.NewWindow(e2e::kHoldingRegisters, 0),
                                         run.NewWindow(e2e::kCoils, 0)};
    QVERIFY(windows[0] && windows[1]);
    // A device that answers shows valid replies; a silent one, polls that go on.
    QLabel* DataWindow::*progress = device.Answers() ? &DataWindow::validLabel : &DataWindow::pollsLabel;
    run.Connect();
    QTRY_VERIFY(Sum(windows, progress) >= 1);

    for (int cycle = 0; cycle < 3; ++cycle) {
      QElapsedTimer clock;
      clock.start();
      run.Disconnect();
      run.Connect();
      QVERIFY2(clock.elapsed() < kPromptMs, qPrintable(QString::number(clock.elapsed())));
      QVERIFY(run.ControlsConnected());
      QCOMPARE(run.Main().PanelText(0), device.Status());
      const int before = Sum(windows, progress);
      QTRY_VERIFY(Sum(windows, progress) > before);
    }
    if (device.Answers()) {
      for (const QPointer<DataWindow>& w : windows) QTRY_COMPARE(w->errorTextLabel->text(), QString());
      QTRY_VERIFY(run.LogLines().size() >= 2);  // this connection's own log
    }
    run.Disconnect();
    QVERIFY(run.ControlsDisconnected());
    QCOMPARE(run.Main().PanelText(0), QStringLiteral("Not connected"));
    QTRY_VERIFY(!run.program().pool.Running());
    const QByteArray log = run.Log();
    QVERIFY(log.isEmpty() || log.endsWith("\r\n"));
    QCOMPARE(run.Errors(), QStringList());
    QVERIFY(run.Exit() < kPromptMs);
  }

  // Polling at full speed never waits for the screen, yet every poll is
  // counted and logged, and each grid ends on the device's last answer.
  void fullSpeedPollingCountsAndLogsEveryPoll() {
    mms::test::LibmodbusTcpSlave slave;
    for (int i = 0; i < 40; ++i) slave.SetHoldingRegister(i, static_cast<uint16_t>(500 + i));
    e2e::LinkSettings settings = e2e::Tcp(slave.Port());
    settings.scanRate = QStringLiteral("0");
    e2e::Run run(settings);
    QVERIFY(run.Started());
    QList<DataWindow*> windows;
    for (int i = 0; i < 4; ++i) windows << run.NewWindow(e2e::kHoldingRegisters, 10 * i);
    run.Connect();
    QTest::qWait(1000);  // a second of polling, whatever it achieves
    run.Disconnect();
    QTRY_VERIFY(!run.program().pool.Running());
    run.Main().RefreshResults();

    int polls = 0;
    for (int i = 0; i < windows.size(); ++i) {
      DataWindow* w = windows[i];
      QVERIFY(Count(w->pollsLabel) > 0);
      QCOMPARE(Count(w->pollsLabel), Count(w->validLabel) + Count(w->errorsLabel));
      polls += Count(w->pollsLabel);
      for (int k = 0; k < 10; ++k) QCOMPARE(ValueText(w, k), QString::number(500 + 10 * i + k));
    }
    const QStringList lines = run.LogLines();
    const auto requests = std::count_if(lines.begin(), lines.end(), [](const QString& line) {
      return line.startsWith(QStringLiteral("<tx>"));
    });
    QCOMPARE(requests, polls);
  }

  void aConnectThatHangsHoldsNothingUp_data() {
    QTest::addColumn<bool>("exit");
    QTest::newRow("disconnect") << false;
    QTest::newRow("exit") << true;
  }
  void aConnectThatHangsHoldsNothingUp() {
    QFETCH(bool, exit);
    mms::test::DeafListener deaf;  // the TCP connect hangs for the whole Timeout
    e2e::Run run(e2e::Tcp(deaf.Port(), 600000));
    QVERIFY(run.Started());
    QVERIFY(run.NewWindow(e2e::kHoldingRegisters, 0));
    QElapsedTimer clock;
    clock.start();
    run.Main().ConnectCommand();
    QVERIFY2(clock.elapsed() < kPromptMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(run.ControlsConnected());
    QCOMPARE(run.Main().PanelText(0), QStringLiteral("Connecting..."));
    if (exit) {
      const qint64 ms = run.Exit();
      QVERIFY2(ms < kPromptMs, qPrintable(QString::number(ms)));
      return;
    }
    clock.restart();
    run.Disconnect();
    QVERIFY2(clock.elapsed() < kPromptMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(run.ControlsDisconnected());
    QCOMPARE(run.Main().PanelText(0), QStringLiteral("Not connected"));
    QVERIFY(!run.program().pool.Running());
    QCOMPARE(run.Errors(), QStringList());
    QVERIFY(run.Exit() < kPromptMs);
  }

  void theWholeWindowTableOpenedAndClosedWhilePolling() {
    mms::test::LibmodbusTcpSlave slave;
    for (int i = 0; i < 10; ++i) slave.SetHoldingRegister(i, static_cast<uint16_t>(i + 1));
    e2e::LinkSettings settings = e2e::Tcp(slave.Port());
    settings.scanRate = QStringLiteral("0");
    e2e::Run run(settings);
    QVERIFY(run.Started());
    run.Connect();

    QList<QPointer<DataWindow>> windows;
    for (int n = 0; n < mms::kMaxDataWindows; ++n) {
      DataWindow* w = run.NewWindow(static_cast<e2e::Function>(n % 4), 0);
      QVERIFY(w);
      QCOMPARE(w->SlotIndex, n);
      windows << w;
      QTest::qWait(3);  // let some polls of the windows so far come in
      // Every third step closes an older window, while it is being polled.
      if (n % 3 == 2 && windows[n - 1]) {
        run.Activate(windows[n - 1]);
        run.Main().CloseWindow();
      }
    }
    QTRY_VERIFY(std::none_of(windows.begin(), windows.end(), [](const QPointer<DataWindow>& w) {
      return w && w->SlotIndex % 3 == 1 && w->SlotIndex < mms::kMaxDataWindows - 1;
    }));
    QCOMPARE(run.program().state.DataWindows.WindowCount(), mms::kMaxDataWindows);

    // The table is used up: one error box, no window.
    const int open = run.Main().OpenChildWindowCount();
    run.Main().NewWindow();
    const QStringList errors = run.TakeErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].startsWith(QStringLiteral("No data window slot is left")));
    QCOMPARE(run.Main().OpenChildWindowCount(), open);

    // Every window left open is still polled and shows the device's values.
    QList<int> valid;
    for (const QPointer<DataWindow>& w : windows) valid << (w ? Count(w->validLabel) : 0);
    for (int n = 0; n < windows.size(); ++n) {
      const QPointer<DataWindow>& w = windows[n];
      if (!w) continue;
      QTRY_VERIFY(Count(w->validLabel) > valid[n]);
      if (w->functionBox->currentIndex() == e2e::kHoldingRegisters) {
        QCOMPARE(ValueText(w, 3), QStringLiteral("4"));
      }
      QCOMPARE(w->errorTextLabel->text(), QString());
    }
    QCOMPARE(run.Errors(), QStringList());
    QVERIFY(run.Exit() < kPromptMs);
  }

  void pollDefinitionsTypedWhilePolling() {
    mms::test::LibmodbusTcpSlave slave;
    for (int i = 0; i < 200; ++i) slave.SetHoldingRegister(i, static_cast<uint16_t>(i + 1));
    e2e::LinkSettings settings = e2e::Tcp(slave.Port());
    settings.scanRate = QStringLiteral("0");
    e2e::Run run(settings);
    QVERIFY(run.Started());
    DataWindow* w = run.NewWindow(e2e::kHoldingRegisters, 0);
    QVERIFY(w);
    run.Connect();
    QTRY_VERIFY(Count(w->validLabel) >= 1);

    const QString invalid =
        QStringLiteral("Invalid response to Modbus message: exception 02, illegal data address");
    const struct {
      const char* address;
      const char* length;
      QString error;  // errorTextLabel once the definition is polled
      int offset;     // a value cell to look at when it answers, -1 for none
    } cases[] = {
        // Failing and answering definitions alternate, so each result is new.
        {"2040", "10", invalid, -1},    // past the device's table: exception reply
        {"0", "2000", QString(), 19},   // more than one reply holds: polled clamped
        {"65535", "10", invalid, -1},   // past the end of the address space
        {"$20", "0x0A", QString(), 9},  // hexadecimal entry
        // Nothing to read: libmodbus answers only after its own response
        // timeout, too late to be taken as the answer.
        {"0", "0", QStringLiteral("Modbus message timeout"), -1},
        {"5", "10", QString(), 0},
    };
    for (const auto& c : cases) {
      const QString what =
          QStringLiteral("%1/%2").arg(QLatin1String(c.address), QLatin1String(c.length));
      // Pasted whole: typed key by key, "$" alone would already be refused.
      w->addressEdit->setText(QLatin1String(c.address));
      w->lengthEdit->setText(QLatin1String(c.length));
      const mms::PollDefinition poll = w->Record()->Poll();
      const int polls = Count(w->pollsLabel);
      QTRY_VERIFY2(Count(w->pollsLabel) >= polls + 2, qPrintable(what));
      QTRY_COMPARE(w->errorTextLabel->text(), c.error);
      if (c.offset >= 0) {
        QTRY_COMPARE(ValueText(w, c.offset), QString::number(poll.Address + c.offset + 1));
      }
    }
    // A typed text that is no number: its error box, the last good value kept.
    w->lengthEdit->selectAll();
    QTest::keyClicks(w->lengthEdit, QStringLiteral("1x"));
    QCOMPARE(run.TakeErrors(), QStringList{QStringLiteral("'1x' is not a valid integer value.")});
    QCOMPARE(w->Record()->Poll().Length, uint16_t{1});
    QCOMPARE(run.Errors(), QStringList());
  }

  void aPortThatCannotBeOpened_data() {
    QTest::addColumn<QString>("port");
    QTest::newRow("missing") << QStringLiteral("/dev/mms-e2e-no-such-port");
    QTest::newRow("not a terminal") << QStringLiteral("/dev/null");
    QTest::newRow("a folder") << QDir::tempPath();
  }
  void aPortThatCannotBeOpened() {
    QFETCH(QString, port);
    mms::test::LibmodbusRtuSlave slave(1);
    e2e::Run run(e2e::Rtu(port.toStdString()));
    QVERIFY(run.Started());
    DataWindow* w = run.NewWindow(e2e::kHoldingRegisters, 0);
    QVERIFY(w);
    run.Connect();
    QCOMPARE(run.TakeErrors(), QStringList{QStringLiteral("Port opening error!")});
    QVERIFY(run.ControlsDisconnected());
    QCOMPARE(run.Main().PanelText(0), QStringLiteral("Not connected"));
    QVERIFY(QFile::exists(run.LogPath()));
    QVERIFY(!run.program().pool.Running());
    QTest::qWait(100);
    QCOMPARE(Count(w->pollsLabel), 0);

    // Put right in the settings file, the next Connect works, log included.
    run.WriteSettings(e2e::Rtu(slave.DevicePath()));
    run.Connect();
    QVERIFY(run.ControlsConnected());
    QTRY_VERIFY(Count(w->validLabel) >= 1);
    QTRY_VERIFY(run.LogLines().size() >= 2);
    run.Disconnect();
    QVERIFY(run.Log().endsWith("\r\n"));
    QCOMPARE(run.Errors(), QStringList());
  }

  void aTcpDeviceDownAtConnectIsPolledOnceItStarts() {
    mms::test::LibmodbusTcpSlave slave;
    slave.SetInputRegister(4, 99);
    slave.GoAway();
    e2e::Run run(e2e::Tcp(slave.Port()));
    QVERIFY(run.Started());
    DataWindow* w = run.NewWindow(e2e::kInputRegisters, 0);
    QVERIFY(w);
    run.Connect();
    // No box, connected as far as the user sees; every poll times out.
    QVERIFY(run.ControlsConnected());
    QCOMPARE(run.Main().PanelText(0), QStringLiteral("127.0.0.1:%1").arg(slave.Port()));
    QTRY_VERIFY(Count(w->errorsLabel) >= 2);
    QCOMPARE(w->errorTextLabel->text(), QStringLiteral("Modbus message timeout"));
    slave.Listen();
    QTRY_COMPARE(ValueText(w, 4), QStringLiteral("99"));
    QTRY_COMPARE(w->errorTextLabel->text(), QString());
    QCOMPARE(run.Errors(), QStringList());
  }
};

QTEST_MAIN(RobustnessEndToEndTest)
#include "RobustnessEndToEndTest.moc"
