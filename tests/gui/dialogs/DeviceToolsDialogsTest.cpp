// The scan and identification dialogs over a real polling thread and a
// scripted slave on loopback.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "common/TrafficCounters.h"
#include "common/WindowTable.h"
#include "modbus/PollingThread.h"
#include "modbus/TcpClient.h"
#include "shell/DeviceIdentificationDialog.h"
#include "shell/DeviceScanDialog.h"
#include "support/RecordingLogSink.h"
#include "support/ScriptedSlave.h"
#include "ui/QtUiDispatcher.h"

namespace {

class NoWindows : public mms::PollObserver {
 public:
  void PollSent(int) override {}
  void PollAnswered(int, const mms::PollDefinition&, const uint16_t*) override {}
  void PollFailed(int, int) override {}
};

}  // namespace

class DeviceToolsDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void scanListsWhoAnsweredAndOpensItByKeyboard() {
    mms::test::ScriptedSlave slave(mms::test::ScriptedSlave::Mode::kTcp);
    slave.AnswerOnly({2});
    mms::WindowTable table;
    NoWindows observer;
    std::atomic<int32_t> scanRate{10};
    mms::TrafficCounters counters;
    mms::test::RecordingLogSink log;
    QtUiDispatcher dispatcher;
    mms::PollingThread pool(table, observer, scanRate);
    auto client = std::make_shared<mms::TcpClient>(counters, log);

    DeviceScanDialog dialog(pool, dispatcher);
    bool connected = false;
    int opened = -1;
    int openedFunction = 0;
    dialog.connected = [&] { return connected; };
    dialog.openWindow = [&](const mms::ScanSettings& read, int id) {
      openedFunction = read.Function;
      opened = id;
    };
    dialog.show();
    QCOMPARE(dialog.toBox->value(), 247);
    dialog.startButton->click();
    QCOMPARE(dialog.statusLabel->text(),
             QStringLiteral("Not connected: connect first, then scan."));

    client->Open("127.0.0.1", std::to_string(slave.Port()), 2000);
    pool.Resume(client, mms::kModbusTcp);
    connected = true;
    dialog.toBox->setValue(3);
    dialog.startButton->click();
    QVERIFY(dialog.Scanning());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Scanning(), 10000);
    QCOMPARE(dialog.statusLabel->text(), QStringLiteral("Done; 1 found."));
    QCOMPARE(dialog.progressBar->value(), 3);
    QCOMPARE(dialog.foundList->topLevelItemCount(), 1);
    QTreeWidgetItem* found = dialog.FoundItem(2);
    QVERIFY(found);
    QCOMPARE(found->text(1), QStringLiteral("1"));  // register 0 of the scripted slave

    dialog.foundList->setCurrentItem(found);
    dialog.foundList->setFocus();
    QTest::keyClick(dialog.foundList, Qt::Key_Return);
    QCOMPARE(opened, 2);
    QCOMPARE(openedFunction, 3);
    QVERIFY(dialog.isVisible());  // Enter opened the ID, it did not press Start

    dispatcher.Shutdown();
    client->Shutdown();
    pool.Shutdown();
  }

  void identificationTextIsCopied() {
    DeviceIdentificationDialog dialog;
    dialog.ShowAsking(7);
    QVERIFY(!dialog.copyButton->isEnabled());
    dialog.ShowReport(QStringLiteral("Device 7\nVendorName: Acme\n"));
    QVERIFY(dialog.reportEdit->isReadOnly());
    dialog.copyButton->click();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Device 7\nVendorName: Acme\n"));
  }
};

QTEST_MAIN(DeviceToolsDialogsTest)
#include "DeviceToolsDialogsTest.moc"
