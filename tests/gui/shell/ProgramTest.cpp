// The whole program as main() builds it: start-up, and Exit while the
// polling thread is busy with the windows.
#include <QApplication>
#include <QtTest>
#include <memory>

#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"
#include "datawindow/DataWindow.h"  // ThresholdDialog.h needs DataWindow complete
#include "datawindow/ThresholdDialog.h"
#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "shell/Program.h"

namespace {

// A line on which no device ever answers: every poll ends without a reply.
class SilentTransport : public mms::Transport {
 public:
  int TimeoutMs() const override { return 1; }
  void DiscardStale() override {}
  void Send(const uint8_t*, int) override {}
  int Receive(uint8_t*, int, int) override { return 0; }
  void ReplyReceived(const uint8_t*, int) override {}
};

}  // namespace

class ProgramTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpMakesEveryWindowOnceAndLeavesTheWorkersSuspended() {
    auto program = std::make_unique<Program>();
    QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Modbus Master Simulator"));
    QCOMPARE(gMainWindow, program->mainWindow.get());
    const QList<QWidget*> dialogs = {
        gConnectionSettingsDialog, gWriteCoilDialog, gWriteRegisterDialog, gSplashScreen,
        gDataDefinitionDialog,     gThresholdDialog, gLicenseDialog};
    for (QWidget* dialog : dialogs) {
      QVERIFY(dialog);
      QCOMPARE(dialog->parentWidget(), gMainWindow);
      QVERIFY(!dialog->isVisible());
    }
    QVERIFY(!program->pool.Running());
    QCOMPARE(program->pool.TransactionCount(), 0u);
    QCOMPARE(program->state.DataWindows.WindowCount(), 0);

    program.reset();
    QCOMPARE(gMainWindow, nullptr);
    QCOMPARE(gConnectionSettingsDialog, nullptr);
    QCOMPARE(gLicenseDialog, nullptr);
  }

  void exitWhilePollingEndsWithoutWaitingForTheWindows() {
    Program program;
    program.mainWindow->NewWindow();
    program.mainWindow->NewWindow();
    program.pool.Resume(std::make_shared<SilentTransport>(), mms::kModbusRtu);
    // Every poll reports to its window on this thread, so the thread is
    // mostly waiting for us when Exit comes.
    QTRY_VERIFY(program.pool.TransactionCount() >= 10);
    program.mainWindow->Exit();
    QVERIFY(program.dispatcher.IsShutDown());
    // The polling thread has ended: nothing more is polled.
    const uint64_t after = program.pool.TransactionCount();
    QTest::qWait(20);
    QCOMPARE(program.pool.TransactionCount(), after);
  }
};

QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
