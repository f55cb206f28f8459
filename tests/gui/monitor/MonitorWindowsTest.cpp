// The traffic monitor and the trends window in the whole program, polling a
// libmodbus TCP slave on loopback. The cases run in order on one program run.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "e2e/EndToEnd.h"
#include "monitor/TrafficMonitor.h"
#include "monitor/TrafficTableModel.h"
#include "monitor/TrendWindow.h"
#include "support/LibmodbusSlaves.h"

using mms::test::LibmodbusTcpSlave;

class MonitorWindowsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<LibmodbusTcpSlave> slave_;
  std::unique_ptr<e2e::Run> run_;
  DataWindow* holding_ = nullptr;
  DataWindow* missing_ = nullptr;
  TrafficMonitor* monitor_ = nullptr;

  // Rows whose column `column` reads `text`.
  int RowsWith(int column, const QString& text) const {
    const TrafficTableModel* model = monitor_->Model();
    int rows = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
      rows += model->index(row, column).data().toString() == text;
    }
    return rows;
  }

 private slots:
  void initTestCase() {
    slave_ = std::make_unique<LibmodbusTcpSlave>();
    slave_->SetHoldingRegister(0, 1234);
    slave_->SetHoldingRegister(1, 5);
    run_ = std::make_unique<e2e::Run>(e2e::Tcp(slave_->Port()));
    QVERIFY(run_->Started());
    holding_ = run_->NewWindow(e2e::kHoldingRegisters, 0, 2);
    // Beyond the slave's table: answered with exception 02.
    missing_ = run_->NewWindow(e2e::kHoldingRegisters, LibmodbusTcpSlave::kTableSize, 1);
    QVERIFY(holding_ && missing_);
  }

  void cleanupTestCase() {
    if (run_) run_->Exit();
    run_.reset();
    slave_.reset();
  }

  void monitorListsTheFramesOfThePoll() {
    MonitorWindows& windows = *run_->program().monitorWindows;
    windows.monitorAction->trigger();
    monitor_ = windows.Monitor();
    QVERIFY(monitor_->isVisible());
    run_->Connect();
    using Model = TrafficTableModel;
    QTRY_VERIFY_WITH_TIMEOUT(RowsWith(Model::kValues, QStringLiteral("1234 5")) > 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(
        RowsWith(Model::kValues, QStringLiteral("exception 02, illegal data address")) > 0, 10000);
    QCOMPARE(RowsWith(Model::kProblems, QString()), monitor_->Model()->rowCount());
    QVERIFY(RowsWith(Model::kFunction, QStringLiteral("Read holding registers")) > 2);
    QVERIFY(RowsWith(Model::kWindow, holding_->windowTitle()) > 0);

    // Filtered by window: the other window's frames leave the list.
    const int index = monitor_->windowFilter->findData(missing_->SlotIndex);
    QVERIFY(index > 0);
    monitor_->windowFilter->setCurrentIndex(index);
    emit monitor_->windowFilter->activated(index);
    QTRY_VERIFY(monitor_->Model()->rowCount() > 0);
    QCOMPARE(RowsWith(Model::kWindow, missing_->windowTitle()), monitor_->Model()->rowCount());
    monitor_->problemsOnlyBox->setChecked(true);  // the exception replies
    QTRY_VERIFY(monitor_->Model()->rowCount() > 0);
    QCOMPARE(RowsWith(Model::kDirection, QStringLiteral("rx")), monitor_->Model()->rowCount());

    // Paused: the list holds still while polling goes on.
    monitor_->pauseButton->click();
    const int rows = monitor_->Model()->rowCount();
    const int replies = slave_->Replies();
    QTRY_VERIFY_WITH_TIMEOUT(slave_->Replies() > replies + 6, 10000);
    QCoreApplication::processEvents();
    QCOMPARE(monitor_->Model()->rowCount(), rows);

    // Copy and save carry the decoded frame and its bytes.
    monitor_->frameList->selectRow(0);
    monitor_->CopySelection();
    const QString copied = QApplication::clipboard()->text();
    QVERIFY2(copied.contains(QStringLiteral("exception 02, illegal data address")) &&
                 copied.contains(QStringLiteral("01 83 02")),
             qPrintable(copied));
    QVERIFY(monitor_->detailPane->toPlainText().contains(QStringLiteral("01 83 02")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.txt"));
    QVERIFY(monitor_->SaveTo(path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().count('\n'), rows + 1);
  }

  void trendPlotsACellFromTheCellMenu() {
    holding_->grid->setCurrentCell(0, 1);  // the value cell of offset 0
    emit holding_->cellMenu->aboutToShow();
    QVERIFY(holding_->addToTrendAction->isEnabled());
    holding_->addToTrendAction->trigger();
    TrendWindow* trends = run_->program().monitorWindows->Trends();
    QVERIFY(trends->isVisible());
    QCOMPARE(trends->TraceCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(trends->Series(0)->Points().size() >= 3, 10000);
    QCOMPARE(trends->Series(0)->Points().back().value, 1234.0);
    slave_->SetHoldingRegister(0, 77);
    QTRY_COMPARE_WITH_TIMEOUT(trends->Series(0)->Points().back().value, 77.0, 10000);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trend.png"));
    QVERIFY(trends->SaveImage(path));
    QVERIFY(!QImage(path).isNull());
  }
};

QTEST_MAIN(MonitorWindowsTest)
#include "MonitorWindowsTest.moc"
