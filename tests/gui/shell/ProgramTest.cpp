// The whole program as main() builds it: start-up, and Exit while the
// polling thread is busy with the windows.
#include <QApplication>
#include <QtTest>
#include <memory>

#include "auxiliary/Licenseform.h"
#include "auxiliary/Splashscreen.h"
#include "datawindow/Ti.h"  // Tresholddisplaywindow.h needs Ti complete
#include "datawindow/Tresholddisplaywindow.h"
#include "datawindow/Writecoil.h"
#include "datawindow/Writeregister.h"
#include "shell/Program.h"
#include "shell/Settings.h"
#include "shell/Setup.h"

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
    QCOMPARE(MainForm, program->mainForm.get());
    const QList<QWidget*> dialogs = {FormSettings,     WriteCoilForm, WriteRegisterForm,
                                     SplashScreenForm, SetupForm,     ThresholdWindow,
                                     License};
    for (QWidget* dialog : dialogs) {
      QVERIFY(dialog);
      QCOMPARE(dialog->parentWidget(), MainForm);
      QVERIFY(!dialog->isVisible());
    }
    QVERIFY(!program->pool.Running());
    QCOMPARE(program->pool.TransactionCount(), 0u);
    QCOMPARE(program->state.DataWindows.WindowCount(), 0);

    program.reset();
    QCOMPARE(MainForm, nullptr);
    QCOMPARE(FormSettings, nullptr);
    QCOMPARE(License, nullptr);
  }

  void exitWhilePollingEndsWithoutWaitingForTheWindows() {
    Program program;
    program.mainForm->FileNew1Execute();
    program.mainForm->FileNew1Execute();
    program.pool.Resume(std::make_shared<SilentTransport>(), mms::kModbusRtu);
    // Every poll reports to its window on this thread, so the thread is
    // mostly waiting for us when Exit comes.
    QTRY_VERIFY(program.pool.TransactionCount() >= 10);
    program.mainForm->FileExit1Execute();
    QVERIFY(program.dispatcher.IsShutDown());
    // The polling thread has ended: nothing more is polled.
    const uint64_t after = program.pool.TransactionCount();
    QTest::qWait(20);
    QCOMPARE(program.pool.TransactionCount(), after);
  }
};

QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
