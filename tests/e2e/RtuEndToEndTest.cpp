// The program on a serial line, through its windows: a libmodbus RTU slave
// on a pseudo-terminal, then a line on which nobody answers. The cases run
// in order on one program run; the second connects with the settings file
// changed in between.
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "datawindow/WriteRegisterDialog.h"
#include "e2e/EndToEnd.h"
#include "support/LibmodbusSlaves.h"
#include "support/PtyPair.h"

using e2e::Count;
using e2e::ValueText;

namespace {

uint16_t HoldingAt(int i) { return static_cast<uint16_t>(0x0101 * (i + 1)); }

}  // namespace

class RtuEndToEndTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<mms::test::LibmodbusRtuSlave> slave_;
  std::unique_ptr<e2e::Run> run_;
  DataWindow* holding_ = nullptr;
  DataWindow* coils_ = nullptr;

  const QRegularExpression logLine_{QStringLiteral("^<(tx|rx)>(0x[0-9A-F]{2} )*</\\1>$")};

 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    slave_ = std::make_unique<mms::test::LibmodbusRtuSlave>(1);
    for (int i = 0; i < 10; ++i) {
      slave_->SetHoldingRegister(i, HoldingAt(i));
      slave_->SetCoil(10 + i, i >= 5);
    }
    run_ = std::make_unique<e2e::Run>(e2e::Rtu(slave_->DevicePath()));
    QVERIFY(run_->Started());
    holding_ = run_->NewWindow(e2e::kHoldingRegisters, 0);
    coils_ = run_->NewWindow(e2e::kCoils, 10);
    QVERIFY(holding_ && coils_);
  }

  void cleanupTestCase() {
    run_.reset();
    slave_.reset();
  }

  void valuesAndARegisterWriteOverTheLine() {
    run_->Connect();
    QCOMPARE(run_->Main().PanelText(0),
             QString::fromStdString(slave_->DevicePath()) + QStringLiteral(" 115200"));
    QVERIFY(run_->ControlsConnected());
    QTRY_VERIFY(Count(holding_->validLabel) >= 2 && Count(coils_->validLabel) >= 2);
    for (int i = 0; i < 10; ++i) {
      QCOMPARE(ValueText(holding_, i), QString::number(HoldingAt(i)));
      QCOMPARE(ValueText(coils_, i), QString::number(i >= 5 ? 1 : 0));
    }
    QCOMPARE(Count(holding_->errorsLabel), 0);

    // Hexadecimal entry in a decimal window.
    e2e::OnModal<WriteRegisterDialog>([](WriteRegisterDialog* d) {
      QTest::keyClicks(d->valueEdit, QStringLiteral("$BEEF"));
      QTest::keyClick(d->valueEdit, Qt::Key_Return);
    });
    e2e::DoubleClickValue(*run_, holding_, 7);
    QTRY_COMPARE(slave_->HoldingRegister(7), uint16_t{0xBEEF});
    QTRY_COMPARE(ValueText(holding_, 7), QStringLiteral("48879"));
    QCOMPARE(run_->Errors(), QStringList());

    const QStringList lines = run_->LogLines();
    for (const QString& l : lines) QVERIFY2(logLine_.match(l).hasMatch(), qPrintable(l));
    // The poll of registers 0..9 with its CRC, and the write echoed.
    QVERIFY(lines.contains(QStringLiteral("<tx>0x01 0x03 0x00 0x00 0x00 0x0A 0xC5 0xCD </tx>")));
    const QString write = QStringLiteral("0x01 0x06 0x00 0x07 0xBE 0xEF ");
    qsizetype at = -1;
    for (qsizetype i = 0; i < lines.size() && at < 0; ++i) {
      if (lines[i].startsWith(QStringLiteral("<tx>") + write)) at = i;
    }
    QVERIFY(at >= 0 && at + 1 < lines.size());
    QCOMPARE(lines[at].size(), QStringLiteral("<tx></tx>").size() + 8 * 5);  // with its CRC
    QCOMPARE(lines[at + 1],
             QString(lines[at]).replace(QStringLiteral("tx>"), QStringLiteral("rx>")));

    run_->Disconnect();
    QCOMPARE(run_->Main().PanelText(0), QStringLiteral("Not connected"));
    QVERIFY(run_->ControlsDisconnected());
    QVERIFY(run_->Log().endsWith("\r\n"));
    // The pass in progress still ends, and may still count a reply.
    QTRY_VERIFY(!run_->program().pool.Running());
  }

  void aSilentLineShowsTimeoutAndLogsEmptyReplies() {
    mms::test::PtyPair silent;
    run_->WriteSettings(e2e::Rtu(silent.SlavePath(), 100));
    run_->Main().RefreshResults();  // the last connection's final counts on screen
    const int validBefore = Count(holding_->validLabel);
    const int errorsBefore = Count(holding_->errorsLabel);
    run_->Connect();
    QVERIFY(run_->ControlsConnected());
    QTRY_COMPARE(run_->Main().PanelText(0), QStringLiteral("TIMEOUT"));
    QTRY_COMPARE(holding_->errorTextLabel->text(), QStringLiteral("Modbus message timeout"));
    QTRY_COMPARE(coils_->errorTextLabel->text(), QStringLiteral("Modbus message timeout"));
    QTRY_VERIFY(Count(holding_->errorsLabel) >= errorsBefore + 2);
    QCOMPARE(Count(holding_->validLabel), validBefore);
    // The grid keeps what the device last said.
    QCOMPARE(ValueText(holding_, 7), QStringLiteral("48879"));

    // The new log holds this connection only: every request, then an empty reply.
    const QStringList lines = run_->LogLines();
    QVERIFY(lines.size() >= 4);
    QVERIFY(!lines.join(QString()).contains(QStringLiteral("0xBE 0xEF")));
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2) {
      QVERIFY2(lines[i].startsWith(QStringLiteral("<tx>0x01 ")), qPrintable(lines[i]));
      QCOMPARE(lines[i + 1], QStringLiteral("<rx></rx>"));
    }

    run_->Disconnect();
    QCOMPARE(run_->Main().PanelText(0), QStringLiteral("Not connected"));
    // A reply wait cut short by Disconnect must not bring "TIMEOUT" back.
    QTRY_VERIFY(!run_->program().pool.Running());
    QTest::qWait(250);
    QCOMPARE(run_->Main().PanelText(0), QStringLiteral("Not connected"));
    QVERIFY(run_->Log().endsWith("\r\n"));
    QCOMPARE(run_->Errors(), QStringList());
  }
};

QTEST_MAIN(RtuEndToEndTest)
#include "RtuEndToEndTest.moc"
