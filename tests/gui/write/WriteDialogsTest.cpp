#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include "common/WindowTable.h"

#include "datawindow/MaskReadWriteDialog.h"
#include "datawindow/RangeWriteDialog.h"
#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"

using mms::DisplayFormat;

class WriteDialogsTest : public QObject {
  Q_OBJECT

 private:
  mms::WindowTable table;
  std::shared_ptr<mms::WindowRecord> record = std::make_shared<mms::WindowRecord>();
  int slot = -1;
  QMainWindow main;
  QStringList errors;

  void ShowRegisterDialog(WriteRegisterDialog& form, mms::ValueEncoding format, uint16_t value) {
    form.SetWindowTable(&table);
    form.DeviceID = 17;
    form.Address = 112;
    form.WriteAddress = 112;
    form.WriteFunction = 6;
    form.Value = value;
    form.SlotIndex = slot;
    form.Format = format;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
  }

 private slots:
  void initTestCase() {
    slot = table.Add(record);
    main.setGeometry(100, 80, 801, 603);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    SetMainWindow(&main);
    SetErrorBoxHook([this](const QString& text) { errors << text; });
  }
  void init() {
    errors.clear();
    mms::WriteRequest old;
    record->TakeWrite(&old);  // clear what the last case queued
    QLocale::setDefault(QLocale::c());
  }
  void cleanupTestCase() { SetErrorBoxHook({}); }

  void coilDialogPrefillsAndQueuesFunction5() {
    struct Case {
      uint16_t value;
      bool clickOn;  // the choice made before "Update"
      uint16_t sent;
    };
    for (const Case c : {Case{1, false, 0}, Case{0, true, 1}, Case{0xFF00, true, 1}}) {
      WriteCoilDialog form;
      form.SetWindowTable(&table);
      form.DeviceID = 0x0103;
      form.Address = 40;
      form.WriteAddress = 40;
      form.Value = c.value;
      form.SlotIndex = slot;
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      QCOMPARE(form.windowTitle(), QStringLiteral("Write coil"));
      QCOMPARE(form.deviceIdEdit->text(), QStringLiteral("259"));
      QCOMPARE(form.addressEdit->text(), QStringLiteral("40"));
      QCOMPARE(form.onButton->isChecked(), c.value != 0);
      QCOMPARE(form.offButton->isChecked(), c.value == 0);

      (c.clickOn ? form.onButton : form.offButton)->click();
      QTest::mouseClick(form.updateButton, Qt::LeftButton);
      QVERIFY(!form.isVisible());
      QCOMPARE(form.result(), int(QDialog::Accepted));
      mms::WriteRequest sent;
      QVERIFY(record->TakeWrite(&sent));
      QCOMPARE(sent.WriteFunction, uint8_t(5));
      QCOMPARE(sent.WriteDeviceID, uint8_t(3));
      QCOMPARE(sent.WriteAddress, uint16_t(40));
      QCOMPARE(sent.WriteCount, uint16_t(1));
      QCOMPARE(sent.WriteValues[0], c.sent);
    }
  }

  void cancelAndEscapeQueueNothing() {
    WriteCoilDialog coil;
    coil.SetWindowTable(&table);
    coil.SlotIndex = slot;
    coil.show();
    QVERIFY(QTest::qWaitForWindowExposed(&coil));
    QTest::mouseClick(coil.cancelButton, Qt::LeftButton);
    QVERIFY(!coil.isVisible());

    WriteRegisterDialog reg;
    ShowRegisterDialog(reg, DisplayFormat::Decimal, 5);
    QTest::keyClick(reg.valueEdit, Qt::Key_Escape);
    QVERIFY(!reg.isVisible());
    QCOMPARE(reg.result(), int(QDialog::Rejected));
    QVERIFY(!record->WritePending());
  }

  void registerDialogPrefillsAndSelectsTheValue() {
    WriteRegisterDialog form;
    ShowRegisterDialog(form, DisplayFormat::Integer, 65535);
    QCOMPARE(form.windowTitle(), QStringLiteral("WriteRegisterForm"));
    QCOMPARE(form.deviceIdEdit->text(), QStringLiteral("17"));
    QCOMPARE(form.addressEdit->text(), QStringLiteral("112"));
    QCOMPARE(form.valueEdit->text(), QStringLiteral("-1"));  // in the window's format
    QCOMPARE(form.valueEdit->selectedText(), QStringLiteral("-1"));
    QCOMPARE(form.focusWidget(), form.valueEdit);
  }

  void registerUpdateQueuesTheConvertedValue_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("function");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("decimal") << int(DisplayFormat::Decimal) << "C"
                             << "65535" << 6 << QList<int>{0xFFFF};
    QTest::newRow("hexadecimal") << int(DisplayFormat::Hexadecimal) << "C"
                                 << "$1F" << 6 << QList<int>{31};
    QTest::newRow("binary") << int(DisplayFormat::Binary) << "C"
                            << "1000000000000011" << 6 << QList<int>{0x8003};
    QTest::newRow("float") << int(DisplayFormat::Float) << "C"
                           << "1.5" << 16 << QList<int>{0x0000, 0x3FC0};
    QTest::newRow("float, comma locale") << int(DisplayFormat::SwappedFloat) << "de_DE"
                                         << "1,5" << 16 << QList<int>{0x3FC0, 0x0000};
    QTest::newRow("double") << int(DisplayFormat::Double) << "C"
                            << "1" << 16 << QList<int>{0, 0, 0, 0x3FF0};
    QTest::newRow("sw double") << int(DisplayFormat::SwappedDouble) << "C"
                               << "1" << 16 << QList<int>{0x3FF0, 0, 0, 0};
  }
  void registerUpdateQueuesTheConvertedValue() {
    QFETCH(int, format);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(int, function);
    QFETCH(QList<int>, values);
    QLocale::setDefault(QLocale(locale));
    WriteRegisterDialog form;
    ShowRegisterDialog(form, DisplayFormat(format), 0);
    form.valueEdit->setText(text);
    QTest::mouseClick(form.updateButton, Qt::LeftButton);
    QVERIFY(errors.isEmpty());
    QVERIFY(!form.isVisible());
    mms::WriteRequest sent;
    QVERIFY(record->TakeWrite(&sent));
    QCOMPARE(int(sent.WriteFunction), function);
    QCOMPARE(sent.WriteDeviceID, uint8_t(17));
    QCOMPARE(sent.WriteAddress, uint16_t(112));
    QCOMPARE(int(sent.WriteCount), int(values.size()));
    for (int i = 0; i < values.size(); ++i) QCOMPARE(int(sent.WriteValues[i]), values[i]);
  }

  // The dialog opens in the window's type and order, precisely enough that an
  // unchanged "Update" writes back the very words it was opened on.
  void unchangedUpdateWritesBackTheWordsItOpenedOn_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QList<int>>("words");
    using T = mms::ValueType;
    QTest::newRow("hex") << int(T::Hex16) << 0 << "$000A" << QList<int>{0x000A};
    QTest::newRow("int32 DCBA") << int(T::Signed32) << 3 << "-2" << QList<int>{0xFEFF, 0xFFFF};
    QTest::newRow("float NaN") << int(T::Float32) << 0 << "$7FC00001" << QList<int>{0x7FC0, 1};
    QTest::newRow("double GHEFCDAB")
        << int(T::Float64) << 1 << "0,1" << QList<int>{0x999A, 0x9999, 0x9999, 0x3FB9};
  }
  void unchangedUpdateWritesBackTheWordsItOpenedOn() {
    QFETCH(int, type);
    QFETCH(int, order);
    QFETCH(QString, shown);
    QFETCH(QList<int>, words);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    WriteRegisterDialog form;
    form.FollowingWords = {};
    for (int i = 1; i < words.size(); ++i) form.FollowingWords[i - 1] = uint16_t(words[i]);
    form.AddressShownAs = {mms::AddressBase::Modicon, 3};
    ShowRegisterDialog(form, {mms::ValueType(type), mms::ByteOrder(order)}, uint16_t(words[0]));
    QCOMPARE(form.valueEdit->text(), shown);
    QCOMPARE(form.addressEdit->text(), QStringLiteral("40113"));
    QTest::mouseClick(form.updateButton, Qt::LeftButton);
    mms::WriteRequest sent;
    QVERIFY(record->TakeWrite(&sent));
    QCOMPARE(sent.WriteAddress, uint16_t(112));
    QCOMPARE(int(sent.WriteCount), int(words.size()));
    for (int i = 0; i < words.size(); ++i) QCOMPARE(int(sent.WriteValues[i]), words[i]);
  }

  void enterInTheValueFieldActsAsUpdate() {
    WriteRegisterDialog form;
    ShowRegisterDialog(form, DisplayFormat::Decimal, 3);
    QTest::keyClicks(form.valueEdit, "42");  // replaces the selected text
    QTest::keyClick(form.valueEdit, Qt::Key_Return);
    QVERIFY(!form.isVisible());
    mms::WriteRequest sent;
    QVERIFY(record->TakeWrite(&sent));
    QCOMPARE(sent.WriteValues[0], uint16_t(42));
    QVERIFY(!record->WritePending());  // queued once
  }

  void refusedTextShowsTheErrorBoxAndQueuesNothing_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("box");
    QTest::newRow("hex without prefix") << int(DisplayFormat::Hexadecimal) << "1F"
                                        << "'1F' is not a valid integer value.";
    QTest::newRow("float out of range") << int(DisplayFormat::Float) << "1e39"
                                        << "'1e39' is not a valid floating point value.";
    QTest::newRow("binary digit") << int(DisplayFormat::Binary) << "102"
                                  << "'102' is not a valid binary value: type 1 to 16 digits "
                                     "0 or 1.";
  }
  void refusedTextShowsTheErrorBoxAndQueuesNothing() {
    QFETCH(int, format);
    QFETCH(QString, text);
    QFETCH(QString, box);
    WriteRegisterDialog form;
    ShowRegisterDialog(form, DisplayFormat(format), 0);
    form.valueEdit->setText(text);
    QTest::keyClick(form.valueEdit, Qt::Key_Return);
    QCOMPARE(errors, QStringList{box});
    QVERIFY(form.isVisible());
    QVERIFY(!record->WritePending());
  }

  void dialogsAreCentredOnTheMainWindow() {
    WriteCoilDialog coil;
    coil.show();
    QVERIFY(QTest::qWaitForWindowExposed(&coil));
    QCOMPARE(coil.frameGeometry().topLeft(),
             CentredPosition(main.frameGeometry(), coil.frameGeometry().size()));
    WriteRegisterDialog reg;
    reg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&reg));
    QCOMPARE(reg.frameGeometry().topLeft(),
             CentredPosition(main.frameGeometry(), reg.frameGeometry().size()));
  }

  void rangeDialogListsPolledValuesAndQueuesOneRequest_data() {
    QTest::addColumn<bool>("coils");
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("count");  // typed before "Update"
    QTest::addColumn<int>("function");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("coils, one more listed")
        << true << int(DisplayFormat::Decimal) << QStringList{"1", "0", "1"} << "4" << 15
        << QList<int>{0x5};
    QTest::newRow("floats") << false << int(DisplayFormat::Float) << QStringList{"1.5", "0"} << "4"
                            << 16 << QList<int>{0x0000, 0x3FC0, 0x0000, 0x0000};
  }
  void rangeDialogListsPolledValuesAndQueuesOneRequest() {
    QFETCH(bool, coils);
    QFETCH(int, format);
    QFETCH(QStringList, shown);
    QFETCH(QString, count);
    QFETCH(int, function);
    QFETCH(QList<int>, values);
    RangeWriteDialog form;
    form.SetWindowTable(&table);
    form.SlotIndex = slot;
    form.DeviceID = 3;
    form.Address = 20;
    form.Coils = coils;
    form.Count = coils ? 3 : 4;
    form.Words = coils ? std::vector<uint16_t>{1, 0, 1} : std::vector<uint16_t>{0, 0x3FC0};
    form.Format = DisplayFormat(format);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.valuesTable->rowCount(), shown.size());
    for (int i = 0; i < shown.size(); ++i) QCOMPARE(form.valuesTable->item(i, 1)->text(), shown[i]);
    QCOMPARE(form.valuesTable->item(1, 0)->text(), QString::number(coils ? 21 : 22));
    form.countEdit->setText(count);
    QTest::mouseClick(form.updateButton, Qt::LeftButton);
    QVERIFY(errors.isEmpty());
    mms::WriteRequest sent;
    QVERIFY(record->TakeWrite(&sent));
    QCOMPARE(int(sent.WriteFunction), function);
    QCOMPARE(int(sent.WriteAddress), 20);
    for (int i = 0; i < values.size(); ++i) QCOMPARE(int(sent.WriteValues[i]), values[i]);
  }

  void registerDialogUsesFunction16WhenTheWindowSaysSo() {
    WriteRegisterDialog form;
    form.SingleWriteFunction = 16;
    ShowRegisterDialog(form, DisplayFormat::Decimal, 5);
    QTest::mouseClick(form.updateButton, Qt::LeftButton);
    mms::WriteRequest sent;
    QVERIFY(record->TakeWrite(&sent));
    QCOMPARE(int(sent.WriteFunction), 16);
    QCOMPARE(int(sent.WriteCount), 1);
  }

  void readWriteDialogShowsWhatWasRead() {
    MaskReadWriteDialog form;
    form.SetWindowTable(&table);
    form.SlotIndex = slot;
    form.DeviceID = 1;
    form.Address = 7;
    form.ShowTab(23);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.readCountEdit->setText(QStringLiteral("2"));
    form.writeValuesEdit->setText(QStringLiteral("4 5"));
    QTest::mouseClick(form.sendButton, Qt::LeftButton);
    mms::WriteRequest sent;
    QVERIFY(record->TakeWrite(&sent));
    QCOMPARE(int(sent.WriteFunction), 23);
    QCOMPARE(int(sent.WriteCount), 2);
    // What the polling thread publishes once the device answered.
    mms::WriteOutcome outcome;
    outcome.Function = 23;
    outcome.WordCount = 2;
    outcome.Words[0] = 11;
    outcome.Words[1] = 12;
    record->PublishWriteOutcome(outcome);
    QTRY_COMPARE_WITH_TIMEOUT(form.statusLabel->text(), QStringLiteral("Done"), 10000);
    QCOMPARE(form.resultView->toPlainText(), QStringLiteral("7: 11\n8: 12"));
  }

  void withoutItsWindowUpdateJustCloses() {
    WriteCoilDialog coil;
    coil.SetWindowTable(&table);
    coil.SlotIndex = 64;  // empty slot: the window was closed
    coil.show();
    QVERIFY(QTest::qWaitForWindowExposed(&coil));
    QTest::mouseClick(coil.updateButton, Qt::LeftButton);
    QVERIFY(!coil.isVisible());
    QVERIFY(!record->WritePending());
  }
};

QTEST_MAIN(WriteDialogsTest)
#include "WriteDialogsTest.moc"
