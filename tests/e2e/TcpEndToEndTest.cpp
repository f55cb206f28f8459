// The program against a libmodbus TCP slave on loopback, through its windows:
// polling into the grids of all four read functions, a device that goes away
// and comes back, writes from the dialogs, the transmission log, Disconnect.
// The cases run in order on one program run.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"
#include "e2e/EndToEnd.h"
#include "common/IniFile.h"
#include "shell/ConnectionSettingsDialog.h"
#include "common/SettingsFile.h"
#include "shell/DataDefinitionDialog.h"
#include "support/LibmodbusSlaves.h"

using e2e::Count;
using e2e::ValueText;
using mms::test::LibmodbusTcpSlave;

namespace {

// What the slave holds where the windows look.
constexpr int kCoilBase = 20;
constexpr int kInputBase = 30;
constexpr int kHoldingBase = 0;
constexpr int kInputRegisterBase = 40;
constexpr int kFloatBase = 100;

bool CoilAt(int i) { return i % 3 == 0; }
bool InputAt(int i) { return i % 2 == 1; }
uint16_t HoldingAt(int i) { return i == 9 ? 0x8000 : static_cast<uint16_t>(1000 + 111 * i); }
uint16_t InputRegisterAt(int i) { return i == 9 ? 0xFFFF : static_cast<uint16_t>(7 * i); }

}  // namespace

class TcpEndToEndTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<LibmodbusTcpSlave> slave_;
  std::unique_ptr<e2e::Run> run_;
  DataWindow* coils_ = nullptr;
  DataWindow* inputs_ = nullptr;
  DataWindow* holding_ = nullptr;
  DataWindow* inputRegisters_ = nullptr;

  QList<DataWindow*> Windows() const { return {coils_, inputs_, holding_, inputRegisters_}; }
  QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(slave_->Port()); }

 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    slave_ = std::make_unique<LibmodbusTcpSlave>();
    for (int i = 0; i < 10; ++i) {
      slave_->SetCoil(kCoilBase + i, CoilAt(i));
      slave_->SetDiscreteInput(kInputBase + i, InputAt(i));
      slave_->SetHoldingRegister(kHoldingBase + i, HoldingAt(i));
      slave_->SetInputRegister(kInputRegisterBase + i, InputRegisterAt(i));
    }
    // A first run: no settings file yet.
    run_ = std::make_unique<e2e::Run>(e2e::LinkSettings{});
    QVERIFY(run_->Started());
    coils_ = run_->NewWindow(e2e::kCoils, kCoilBase);
    inputs_ = run_->NewWindow(e2e::kInputs, kInputBase);
    holding_ = run_->NewWindow(e2e::kHoldingRegisters, kHoldingBase);
    inputRegisters_ = run_->NewWindow(e2e::kInputRegisters, kInputRegisterBase);
    for (DataWindow* w : Windows()) QVERIFY(w);
  }

  void cleanupTestCase() {
    run_.reset();
    slave_.reset();
  }

  void theSettingsDialogsPrepareTheConnection() {
    e2e::OnModal<ConnectionSettingsDialog>([this](ConnectionSettingsDialog* d) {
      d->tcpButton->click();
      d->ipAddressEdit->setText(QStringLiteral("127.0.0.1"));
      d->tcpPortEdit->setText(QString::number(slave_->Port()));
      d->timeoutEdit->setText(QStringLiteral("300"));
      QTest::mouseClick(d->okButton, Qt::LeftButton);
    });
    run_->Main().ShowConnectionSettings();
    e2e::OnModal<DataDefinitionDialog>([](DataDefinitionDialog* d) {
      d->scanRateEdit->setText(QStringLiteral("20"));
      QTest::mouseClick(d->okButton, Qt::LeftButton);
    });
    run_->Main().ShowDataDefinition();
    const mms::IniFile settings(mms::SettingsFilePath());
    QCOMPARE(settings.ReadString("Protocol", "Protocol", ""), std::string("ModbusTCP"));
    QCOMPARE(settings.ReadString("General", "ScanRate", ""), std::string("20"));
    QCOMPARE(run_->Errors(), QStringList());
  }

  void everyWindowShowsTheDeviceValuesOfItsFunction() {
    run_->Connect();
    QCOMPARE(run_->Main().PanelText(0), Address());
    QVERIFY(run_->ControlsConnected());
    for (DataWindow* w : Windows()) QTRY_VERIFY(Count(w->validLabel) >= 2);

    for (int i = 0; i < 10; ++i) {
      QCOMPARE(ValueText(coils_, i), QString::number(CoilAt(i)));
      QCOMPARE(ValueText(inputs_, i), QString::number(InputAt(i)));
      QCOMPARE(ValueText(holding_, i), QString::number(HoldingAt(i)));
      QCOMPARE(ValueText(inputRegisters_, i), QString::number(InputRegisterAt(i)));
    }
    for (DataWindow* w : Windows()) {
      QVERIFY(Count(w->pollsLabel) >= Count(w->validLabel));
      QCOMPARE(Count(w->errorsLabel), 0);
      QCOMPARE(w->errorTextLabel->text(), QString());
    }
    // A change on the device shows at a later poll.
    slave_->SetInputRegister(kInputRegisterBase + 2, 777);
    QTRY_COMPARE(ValueText(inputRegisters_, 2), QStringLiteral("777"));
    QCOMPARE(run_->Errors(), QStringList());
  }

  void pollingResumesByItselfWhenTheDeviceComesBack() {
    const int errorsBefore = Count(holding_->errorsLabel);
    slave_->GoAway();
    for (DataWindow* w : Windows()) {
      QTRY_COMPARE(w->errorTextLabel->text(), QStringLiteral("Modbus message timeout"));
    }
    QTRY_VERIFY(Count(holding_->errorsLabel) >= errorsBefore + 3);
    // Still connected as far as the user sees, the last values still shown.
    QVERIFY(run_->ControlsConnected());
    QCOMPARE(run_->Main().PanelText(0), Address());
    QCOMPARE(ValueText(holding_, 1), QString::number(HoldingAt(1)));

    QList<int> validBefore;
    for (DataWindow* w : Windows()) validBefore << Count(w->validLabel);
    slave_->SetHoldingRegister(kHoldingBase + 5, 4242);
    slave_->Listen();
    for (int n = 0; n < Windows().size(); ++n) {
      DataWindow* w = Windows()[n];
      QTRY_VERIFY(Count(w->validLabel) > validBefore[n]);
      QTRY_COMPARE(w->errorTextLabel->text(), QString());
    }
    QTRY_COMPARE(ValueText(holding_, 5), QStringLiteral("4242"));
    QCOMPARE(run_->Errors(), QStringList());
  }

  void writesFromTheDialogsReachTheDeviceAndTheNextPoll() {
    // Holding register 3: the register dialog, prefilled with the polled value.
    QString prefill;
    e2e::OnModal<WriteRegisterDialog>([&](WriteRegisterDialog* d) {
      prefill = d->addressEdit->text() + QLatin1Char('=') + d->valueEdit->text();
      QTest::keyClicks(d->valueEdit, QStringLiteral("54321"));
      QTest::keyClick(d->valueEdit, Qt::Key_Return);
    });
    e2e::DoubleClickValue(*run_, holding_, 3);
    QCOMPARE(prefill, QStringLiteral("3=%1").arg(HoldingAt(3)));
    QTRY_COMPARE(slave_->HoldingRegister(kHoldingBase + 3), uint16_t{54321});
    QTRY_COMPARE(ValueText(holding_, 3), QStringLiteral("54321"));

    // Coil 21, off: the coil dialog, switched on.
    bool shownOff = false;
    e2e::OnModal<WriteCoilDialog>([&](WriteCoilDialog* d) {
      shownOff = d->offButton->isChecked() && d->addressEdit->text() == QStringLiteral("21");
      d->onButton->click();
      QTest::mouseClick(d->updateButton, Qt::LeftButton);
    });
    e2e::DoubleClickValue(*run_, coils_, 1);
    QVERIFY(shownOff);
    QTRY_VERIFY(slave_->Coil(kCoilBase + 1));
    QTRY_COMPARE(ValueText(coils_, 1), QStringLiteral("1"));

    // A 32-bit float in a window showing "32bit float": two registers, low word first.
    for (int i = 0; i < 8; ++i) slave_->SetHoldingRegister(kFloatBase + i, 0x1111);
    DataWindow* floats = run_->NewWindow(e2e::kHoldingRegisters, kFloatBase);
    QVERIFY(floats);
    QVERIFY(floats->floatButton->isEnabled());
    floats->floatButton->click();
    QTRY_VERIFY(Count(floats->validLabel) >= 1);
    e2e::OnModal<WriteRegisterDialog>([](WriteRegisterDialog* d) {
      QTest::keyClicks(d->valueEdit, QStringLiteral("-2.5"));
      QTest::keyClick(d->valueEdit, Qt::Key_Return);
    });
    e2e::DoubleClickValue(*run_, floats, 4);
    QTRY_COMPARE(slave_->HoldingRegister(kFloatBase + 5), uint16_t{0xC020});
    QCOMPARE(slave_->HoldingRegister(kFloatBase + 4), uint16_t{0x0000});
    QCOMPARE(slave_->HoldingRegister(kFloatBase + 3), uint16_t{0x1111});
    QCOMPARE(slave_->HoldingRegister(kFloatBase + 6), uint16_t{0x1111});
    QTRY_COMPARE(ValueText(floats, 4), QStringLiteral("-2.5000"));
    QCOMPARE(ValueText(floats, 5), QString());  // the second word has no cell text of its own
    QCOMPARE(run_->Errors(), QStringList());
  }

  void aWindowsSetSavedAndLoadedWhilePollingIsPolledAlike() {
    const QDir here = QDir::current();
    const std::pair<DataWindow*, const char*> saved[] = {{holding_, "holding.kvw"}, {coils_, "coils.kvw"}};
    for (const auto& [window, name] : saved) {
      run_->Activate(window);
      e2e::AnswerFileDialog(here.filePath(QLatin1String(name)));
      run_->Main().SaveWindowAs();
      QCOMPARE(window->FileName, here.filePath(QLatin1String(name)));
    }
    e2e::AnswerFileDialog(here.filePath(QStringLiteral("pair.kvs")));
    run_->Main().SaveWindowsSet();
    QVERIFY(QFile::exists(here.filePath(QStringLiteral("pair.kvs"))));

    const int first = run_->program().state.DataWindows.WindowCount();
    e2e::AnswerFileDialog(here.filePath(QStringLiteral("pair.kvs")));
    run_->Main().LoadWindowsSet();
    // The set lists its windows in slot order.
    DataWindow* coils = run_->Main().WindowAt(first);
    DataWindow* holding = run_->Main().WindowAt(first + 1);
    QVERIFY(holding && coils);
    QCOMPARE(run_->program().state.DataWindows.WindowCount(), first + 2);
    QCOMPARE(holding->functionBox->currentIndex(), int{e2e::kHoldingRegisters});
    QCOMPARE(coils->addressEdit->text(), QString::number(kCoilBase));
    QTRY_VERIFY(Count(holding->validLabel) >= 1 && Count(coils->validLabel) >= 1);
    for (int i = 0; i < 10; ++i) {
      QCOMPARE(ValueText(holding, i), ValueText(holding_, i));
      QCOMPARE(ValueText(coils, i), ValueText(coils_, i));
    }
    QCOMPARE(run_->Errors(), QStringList());
  }

  void theLogHoldsEveryExchangeAndIsWholeAfterDisconnect() {
    const QStringList lines = run_->LogLines();
    QVERIFY(lines.size() > 20);
    const QRegularExpression line(QStringLiteral("^<(tx|rx)>(0x[0-9A-F]{2} )*</\\1>$"));
    for (const QString& l : lines) QVERIFY2(line.match(l).hasMatch(), qPrintable(l));
    // Transaction identifiers count up per request and a reply echoes its
    // request's: compare the frames from the protocol id on, and the pairs.
    const QRegularExpression idBytes(QStringLiteral("^<(tx|rx)>(0x[0-9A-F]{2} 0x[0-9A-F]{2} )"));
    QStringList bodies, ids;
    for (const QString& l : lines) {
      ids << idBytes.match(l).captured(2);
      bodies << QString(l).replace(idBytes, QStringLiteral("<\\1>"));
    }
    // A poll of holding registers 0..9: length 6.
    QVERIFY(bodies.contains(
        QStringLiteral("<tx>0x00 0x00 0x00 0x06 0x01 0x03 0x00 0x00 0x00 0x0A </tx>")));
    // Each write as sent, followed by the device's echo (function 16: its count).
    const struct {
      const char* sent;
      const char* echoed;
    } writes[] = {
        {"0x00 0x00 0x00 0x06 0x01 0x06 0x00 0x03 0xD4 0x31 ",
         "0x00 0x00 0x00 0x06 0x01 0x06 0x00 0x03 0xD4 0x31 "},
        {"0x00 0x00 0x00 0x06 0x01 0x05 0x00 0x15 0xFF 0x00 ",
         "0x00 0x00 0x00 0x06 0x01 0x05 0x00 0x15 0xFF 0x00 "},
        {"0x00 0x00 0x00 0x0B 0x01 0x10 0x00 0x68 0x00 0x02 0x04 0x00 0x00 0xC0 0x20 ",
         "0x00 0x00 0x00 0x06 0x01 0x10 0x00 0x68 0x00 0x02 "},
    };
    for (const auto& w : writes) {
      const QString sent = QStringLiteral("<tx>%1</tx>").arg(QLatin1String(w.sent));
      const qsizetype at = bodies.indexOf(sent);
      QVERIFY2(at >= 0, w.sent);
      QVERIFY(at + 1 < bodies.size());
      QCOMPARE(bodies[at + 1], QStringLiteral("<rx>%1</rx>").arg(QLatin1String(w.echoed)));
      QCOMPARE(ids[at + 1], ids[at]);
    }

    run_->Disconnect();
    QCOMPARE(run_->Main().PanelText(0), QStringLiteral("Not connected"));
    QVERIFY(run_->ControlsDisconnected());
    QTRY_VERIFY(!run_->program().pool.Running());
    const QByteArray log = run_->Log();
    QVERIFY(log.endsWith("\r\n"));
    run_->Main().RefreshResults();  // the last results on screen
    const int polls = Count(holding_->pollsLabel);
    QTest::qWait(150);
    QCOMPARE(run_->Log(), log);
    QCOMPARE(Count(holding_->pollsLabel), polls);

    // The status bar counted what the log holds (one connection this run),
    // and shows rates of 0 now that the line is quiet.
    const QStringList all = run_->LogLines();
    const qsizetype sent = all.filter(QStringLiteral("<tx>")).size();
    const qsizetype received = all.filter(QStringLiteral("<rx>")).size();
    QTRY_COMPARE(run_->Main().PanelText(3), QStringLiteral("Requests : %1   0.00/s").arg(sent));
    QTRY_COMPARE(run_->Main().PanelText(4),
                 QStringLiteral("Responses : %1   0.00/s").arg(received));
    QCOMPARE(run_->Errors(), QStringList());
  }
};

QTEST_MAIN(TcpEndToEndTest)
#include "TcpEndToEndTest.moc"
