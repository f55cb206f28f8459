#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "DialogTestSupport.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "ui/CentreOnMain.h"

namespace {

const QByteArray kUntouchedOk =
    "[Protocol]\nProtocol=ModbusRTU\n"
    "[RTUPortSettings]\nPort=COM2\nBitrate=115200\nParity=NONE\nStopBits=1\n"
    "RS485=0\nRS485DelayBeforeSend=0\nRS485DelayAfterSend=0\n"
    "Timeout=1000\nDelayBetweenPolls=10\n"
    "[TCPPortSettings]\nIPAddress=127.0.0.1\nTCPPort=502\n"
    "[General]\nTimeout=1000\nDelayBetweenPolls=10\n";

void TypeInto(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

}  // namespace

class SettingsDialogsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<SettingsSandbox> sandbox_;
  std::unique_ptr<QWidget> main_;

  std::unique_ptr<ConnectionSettingsDialog> MakeSettings() {
    return std::make_unique<ConnectionSettingsDialog>(main_.get());
  }
  static QList<QWidget*> RtuFields(ConnectionSettingsDialog& d) {
    return {d.rtuGroup, d.portBox, d.bitrateBox, d.parityBox, d.stopBitsBox};
  }
  static QList<QWidget*> TcpFields(ConnectionSettingsDialog& d) {
    return {d.tcpGroup, d.ipAddressEdit, d.tcpPortEdit};
  }
  static void ExpectEnabled(const QList<QWidget*>& widgets, bool enabled) {
    for (QWidget* w : widgets) QVERIFY2(w->isEnabled() == enabled, qPrintable(w->objectName()));
  }

 private slots:
  void init() {
    sandbox_ = std::make_unique<SettingsSandbox>();
    main_ = std::make_unique<QWidget>();
    main_->setGeometry(100, 50, 801, 601);
    main_->show();
    SetMainWindow(main_.get());
  }
  void cleanup() {
    main_.reset();
    sandbox_.reset();
  }

  // --- connection settings dialog ---

  void noFileShowsTheDialogDefaults() {
    auto d = MakeSettings();
    QCOMPARE(d->windowTitle(), QStringLiteral("Connection settings"));
    QCOMPARE(d->portBox->currentText(), QStringLiteral("COM2"));
    QCOMPARE(d->bitrateBox->currentText(), QStringLiteral("115200"));
    QCOMPARE(d->parityBox->currentText(), QStringLiteral("NONE"));
    QCOMPARE(d->stopBitsBox->currentText(), QStringLiteral("1"));
    QCOMPARE(d->ipAddressEdit->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(d->tcpPortEdit->text(), QStringLiteral("502"));
    QCOMPARE(d->timeoutEdit->text(), QStringLiteral("1000"));
    QCOMPARE(d->delayEdit->text(), QStringLiteral("10"));
    QVERIFY(d->rtuButton->isChecked());
    ExpectEnabled(RtuFields(*d) + TcpFields(*d), true);
    QCOMPARE(d->rtuGroup->title(), QStringLiteral("Modbus RTU "));
    const Qt::WindowFlags flags = d->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(d->minimumSize() == d->maximumSize());  // fixed frame
    QVERIFY(!QFile::exists(sandbox_->Path()));      // reading creates nothing
  }

  void protocolInFileChoosesTheOpeningState_data() {
    QTest::addColumn<QByteArray>("protocol");
    QTest::addColumn<bool>("tcp");
    QTest::newRow("exact TCP") << QByteArray("ModbusTCP") << true;
    QTest::newRow("TCP in other case") << QByteArray("modbustcp") << false;
    QTest::newRow("exact RTU") << QByteArray("ModbusRTU") << false;
    QTest::newRow("unknown") << QByteArray("Serial") << false;
  }
  void protocolInFileChoosesTheOpeningState() {
    QFETCH(QByteArray, protocol);
    QFETCH(bool, tcp);
    sandbox_->Write("[protocol]\nPROTOCOL=" + protocol +
                    "\n[RTUPortSettings]\nPort=/dev/ttyUSB0\n[general]\ntimeout=250\n");
    auto d = MakeSettings();
    QCOMPARE(d->tcpButton->isChecked(), tcp);
    QCOMPARE(d->portBox->currentText(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(d->timeoutEdit->text(), QStringLiteral("250"));
    if (tcp) {
      ExpectEnabled(RtuFields(*d), false);
      ExpectEnabled(TcpFields(*d), true);
    } else {
      // Nothing is disabled until the user picks a protocol.
      ExpectEnabled(RtuFields(*d) + TcpFields(*d), true);
    }
    QVERIFY(d->generalGroup->isEnabled());
  }

  void damagedFileStillOpensAndIsRepairedByOk() {
    static const char kHead[] = "\x00\xff\xfe[RTUPortSettings\n=\n[RTUPortSettings]\nPort=";
    QByteArray junk(kHead, sizeof kHead - 1);
    junk += QByteArray(5000, 'P') + "\n\x01\x02garbage\n";
    sandbox_->Write(junk);
    auto d = MakeSettings();
    QCOMPARE(d->portBox->currentText(), QString(2047, QLatin1Char('P')));
    QCOMPARE(d->bitrateBox->currentText(), QStringLiteral("115200"));
    d->open();
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    QVERIFY(sandbox_->errors.isEmpty());
    QVERIFY(!d->isVisible());
    const QByteArray text = sandbox_->Read();
    QVERIFY(text.contains("\x01\x02garbage\n"));  // foreign lines stay as they were
    QVERIFY(text.contains("[Protocol]\nProtocol=ModbusRTU\n"));
  }

  void protocolButtonsSwitchTheGroups() {
    auto d = MakeSettings();
    d->show();
    QTest::mouseClick(d->tcpButton, Qt::LeftButton);
    ExpectEnabled(RtuFields(*d), false);
    ExpectEnabled(TcpFields(*d), true);
    QTest::mouseClick(d->rtuButton, Qt::LeftButton);
    ExpectEnabled(RtuFields(*d), true);
    ExpectEnabled(TcpFields(*d), false);
    ExpectEnabled({d->generalGroup, d->timeoutEdit, d->delayEdit}, true);
  }

  // The modes reached by address use the TCP page; each is stored by its name,
  // chosen again from the file, and reached by keyboard.
  void newModesUseTheTcpPageAndAreStored_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<int>("mnemonic");
    QTest::addColumn<QByteArray>("protocol");
    QTest::newRow("RTU over TCP") << "rtuOverTcpButton"
                                  << "Modbus RTU over TCP" << int(Qt::Key_O)
                                  << QByteArray("ModbusRTUoverTCP");
    QTest::newRow("UDP") << "udpButton"
                         << "Modbus UDP" << int(Qt::Key_U) << QByteArray("ModbusUDP");
  }
  void newModesUseTheTcpPageAndAreStored() {
    QFETCH(QString, button);
    QFETCH(QString, accessibleName);
    QFETCH(int, mnemonic);
    QFETCH(QByteArray, protocol);
    auto d = MakeSettings();
    d->open();
    QVERIFY(QTest::qWaitForWindowActive(d.get()));
    auto* radio = d->findChild<QRadioButton*>(button);
    QVERIFY(radio != nullptr);
    QCOMPARE(radio->accessibleName(), accessibleName);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : d.get(), Qt::Key(mnemonic), Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(radio->isChecked(), 5000);  // a mnemonic clicks a moment later
    ExpectEnabled(RtuFields(*d) + QList<QWidget*>{d->rs485Box}, false);
    ExpectEnabled(TcpFields(*d), true);
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    QVERIFY(sandbox_->Read().contains("[Protocol]\nProtocol=" + protocol + "\n"));

    auto again = MakeSettings();
    QVERIFY(again->findChild<QRadioButton*>(button)->isChecked());
  }

  void rs485OptionEnablesItsDelaysAndIsStored() {
    sandbox_->Write("[Protocol]\nProtocol=ModbusRTU\n");  // a file from before RS-485
    auto d = MakeSettings();
    d->open();
    QVERIFY(!d->rs485Box->isChecked());
    ExpectEnabled({d->rs485BeforeEdit, d->rs485AfterEdit}, false);
    QTest::mouseClick(d->rs485Box, Qt::LeftButton);
    ExpectEnabled({d->rs485BeforeEdit, d->rs485AfterEdit}, true);
    TypeInto(d->rs485BeforeEdit, QStringLiteral("2"));
    TypeInto(d->rs485AfterEdit, QStringLiteral("5"));
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    QVERIFY(sandbox_->Read().contains(
        "StopBits=1\nRS485=1\nRS485DelayBeforeSend=2\nRS485DelayAfterSend=5\n"));
    auto again = MakeSettings();
    QVERIFY(again->rs485Box->isChecked());
    QCOMPARE(again->rs485AfterEdit->text(), QStringLiteral("5"));
  }

  void untouchedOkWritesEveryKeyInOrder() {
    auto d = MakeSettings();
    d->open();
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QCOMPARE(sandbox_->Read(), kUntouchedOk);
    QVERIFY(sandbox_->errors.isEmpty());
  }

  void okStoresDisabledFieldsAndTypedTextAsItStands() {
    sandbox_->Write("[General]\nScanRate=300\n");
    auto d = MakeSettings();
    d->open();
    TypeInto(d->portBox->lineEdit(), QStringLiteral("COM12"));
    TypeInto(d->timeoutEdit, QStringLiteral(" 2x "));
    QTest::mouseClick(d->tcpButton, Qt::LeftButton);
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    const QByteArray text = sandbox_->Read();
    QVERIFY2(text.startsWith("[General]\nScanRate=300\nTimeout= 2x \nDelayBetweenPolls=10\n"),
             text.constData());
    QVERIFY(text.contains("[Protocol]\nProtocol=ModbusTCP\n"));
    QVERIFY(text.contains("[RTUPortSettings]\nPort=COM12\n"));
    QVERIFY(text.contains("\nTimeout= 2x \nDelayBetweenPolls=10\n[TCPPortSettings]"));
    QCOMPARE(d->portBox->findText(QStringLiteral("COM12")), -1);  // not added to the list
  }

  void cancelKeepsTheEditsForTheNextShowing() {
    auto d = MakeSettings();
    d->open();
    TypeInto(d->ipAddressEdit, QStringLiteral("10.0.0.7"));
    d->bitrateBox->setCurrentText(QStringLiteral("9600"));
    QTest::mouseClick(d->cancelButton, Qt::LeftButton);
    QVERIFY(!d->isVisible());
    QVERIFY(!QFile::exists(sandbox_->Path()));

    sandbox_->Write("[TCPPortSettings]\nIPAddress=192.168.1.1\n");  // read only at creation
    d->open();
    QCOMPARE(d->ipAddressEdit->text(), QStringLiteral("10.0.0.7"));
    QCOMPARE(d->bitrateBox->currentText(), QStringLiteral("9600"));
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    const QByteArray text = sandbox_->Read();
    QVERIFY2(text.startsWith("[TCPPortSettings]\nIPAddress=10.0.0.7\nTCPPort=502\n"),
             text.constData());
    QVERIFY(text.contains("Bitrate=9600\n"));
  }

  void failedWriteShowsTheErrorAndKeepsTheDialogOpen() {
    const QString dir = sandbox_->Directory() + QStringLiteral("/missing");
    mms::SetSettingsDirectory(dir.toStdString());
    auto d = MakeSettings();
    d->open();
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    QCOMPARE(sandbox_->errors,
             QStringList{QStringLiteral("Unable to write to %1/ZeKvadro.ini.").arg(dir)});
    QVERIFY(d->isVisible());
    QVERIFY(!QFileInfo::exists(dir));
  }

  void enterPressesOkAndEscapeCancels_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("stored");
    QTest::newRow("Enter in a drop-down") << "parityBox" << int(Qt::Key_Return) << true;
    QTest::newRow("Enter in an edit") << "tcpPortEdit" << int(Qt::Key_Return) << true;
    QTest::newRow("Escape in a drop-down") << "portBox" << int(Qt::Key_Escape) << false;
    QTest::newRow("Escape in an edit") << "delayEdit" << int(Qt::Key_Escape) << false;
  }
  void enterPressesOkAndEscapeCancels() {
    QFETCH(QString, field);
    QFETCH(int, key);
    QFETCH(bool, stored);
    auto d = MakeSettings();
    d->open();
    QVERIFY(QTest::qWaitForWindowActive(d.get()));
    QWidget* w = d->findChild<QWidget*>(field);
    QVERIFY(w != nullptr);
    if (auto* box = qobject_cast<QComboBox*>(w)) w = box->lineEdit();
    w->setFocus();
    QTest::keyClick(w, Qt::Key(key));
    QVERIFY(!d->isVisible());
    QCOMPARE(QFile::exists(sandbox_->Path()), stored);
  }

  void fieldsCarryTheirCaptionsAndFollowTheVisualOrder() {
    auto d = MakeSettings();
    const QList<QPair<QWidget*, QString>> expected = {{d->portBox, "Port"},
                                                      {d->bitrateBox, "Bitrate"},
                                                      {d->parityBox, "Parity"},
                                                      {d->stopBitsBox, "Stop bits"},
                                                      {d->ipAddressEdit, "IP address"},
                                                      {d->tcpPortEdit, "TCP port"},
                                                      {d->timeoutEdit, "Timeout (ms)"},
                                                      {d->delayEdit, "Delay between polls (ms)"}};
    for (const auto& [widget, name] : expected) QCOMPARE(widget->accessibleName(), name);

    d->rs485Box->setChecked(true);  // the delays take the focus only with RS-485 on
    const QList<QWidget*> order = {
        d->rtuButton,   d->portBox,         d->bitrateBox,     d->parityBox,     d->stopBitsBox,
        d->rs485Box,    d->rs485BeforeEdit, d->rs485AfterEdit, d->ipAddressEdit, d->tcpPortEdit,
        d->timeoutEdit, d->delayEdit,       d->okButton,       d->cancelButton};
    for (int i = 0; i + 1 < order.size(); ++i) {
      // Skip the inner line edits of the drop-downs and the unchecked radio button.
      QWidget* next = order[i]->nextInFocusChain();
      while (next != order[i + 1] && next != d.get() &&
             (next->focusPolicy() == Qt::NoFocus || next->parentWidget() == order[i] ||
              next == d->tcpButton || next == d->rtuOverTcpButton || next == d->udpButton))
        next = next->nextInFocusChain();
      QVERIFY2(next == order[i + 1], qPrintable(order[i]->objectName()));
    }
  }

  void centredOnTheMainWindowOnceItIsOnScreen() {
    auto d = MakeSettings();
    QVERIFY(CentredOn(*d, *main_));
    d->open();
    QVERIFY(CentredOn(*d, *main_));

    // A main window not yet shown at creation: centred when first shown.
    main_->hide();
    main_->setGeometry(300, 200, 600, 500);
    auto late = MakeSettings();
    main_->show();
    late->open();
    QVERIFY(CentredOn(*late, *main_));

    // Where the user leaves it, it stays.
    late->reject();
    late->move(5, 5);
    late->open();
    QCOMPARE(late->pos(), QPoint(5, 5));
  }

  // --- data definition dialog ---

  void setupShowsTheStoredScanRateAtEveryShowing() {
    DataDefinitionDialog d(main_.get());
    QCOMPARE(d.windowTitle(), QStringLiteral("SetupForm"));
    d.open();
    QCOMPARE(d.scanRateEdit->text(), QStringLiteral("1000"));
    d.reject();
    sandbox_->Write("[GENERAL]\nscanrate=abc\n");
    d.open();
    QCOMPARE(d.scanRateEdit->text(), QStringLiteral("abc"));
    QCOMPARE(d.scanRateEdit->accessibleName(), QStringLiteral("Scan rate (ms)"));
  }

  void setupOkStoresConvertsAndCloses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("file");  // empty: no file written
    QTest::addColumn<QString>("error");    // empty: none shown
    QTest::addColumn<int>("scanRate");     // -1: target not called
    QTest::newRow("empty") << "" << QByteArray() << "" << -1;
    QTest::newRow("decimal") << "250" << QByteArray("[General]\nScanRate=250\n") << "" << 250;
    QTest::newRow("hexadecimal") << "$10" << QByteArray("[General]\nScanRate=$10\n") << "" << 16;
    QTest::newRow("letters") << "abc" << QByteArray("[General]\nScanRate=abc\n")
                             << "'abc' is not a valid integer value." << -1;
    QTest::newRow("one blank") << " " << QByteArray("[General]\nScanRate= \n")
                               << "' ' is not a valid integer value." << -1;
  }
  void setupOkStoresConvertsAndCloses() {
    QFETCH(QString, text);
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    QFETCH(int, scanRate);
    int target = -1;
    DataDefinitionDialog d(main_.get());
    d.SetScanRateTarget([&target](int32_t value) { target = value; });
    d.open();
    d.scanRateEdit->setText(text);
    QTest::mouseClick(d.okButton, Qt::LeftButton);
    QCOMPARE(sandbox_->Read(), file);
    QCOMPARE(sandbox_->errors, error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(target, scanRate);
    QCOMPARE(d.isVisible(), scanRate == -1);
  }

  void setupFailedWriteLeavesTheScanRateAlone() {
    const QString dir = sandbox_->Directory() + QStringLiteral("/missing");
    mms::SetSettingsDirectory(dir.toStdString());
    int target = -1;
    DataDefinitionDialog d(main_.get());
    d.SetScanRateTarget([&target](int32_t value) { target = value; });
    d.open();
    d.scanRateEdit->setText(QStringLiteral("500"));
    QTest::keyClick(d.scanRateEdit, Qt::Key_Return);
    QCOMPARE(sandbox_->errors,
             QStringList{QStringLiteral("Unable to write to %1/ZeKvadro.ini.").arg(dir)});
    QCOMPARE(target, -1);
    QVERIFY(d.isVisible());
    QTest::keyClick(d.scanRateEdit, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
  }
};

QTEST_MAIN(SettingsDialogsTest)
#include "SettingsDialogsTest.moc"
