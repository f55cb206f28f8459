#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>
#include <vector>

#include "GuiTestSupport.h"
#include "common/WindowTable.h"
#include "datawindow/CellColour.h"
#include "datawindow/DataWindow.h"
#include "datawindow/DecodeInspector.h"
#include "datawindow/RangeWriteDialog.h"
#include "datawindow/WindowFile.h"
#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"

namespace {

QString Cell(const DataWindow& w, int col, int row) {
  const QTableWidgetItem* item = w.grid->item(row - 1, col - 1);
  return item ? item->text() : QString();
}

QStringList HeaderRow(const DataWindow& w) {
  QStringList texts;
  for (int c = 0; c < w.grid->columnCount(); ++c) {
    const QTableWidgetItem* item = w.grid->horizontalHeaderItem(c);
    texts << (item ? item->text() : QString());
  }
  return texts;
}

std::vector<uint16_t> Buffer(uint16_t (*value)(int k)) {
  std::vector<uint16_t> words(mms::kReadBufferSize);
  for (int k = 0; k < mms::kReadBufferSize; ++k) words[k] = value(k);
  return words;
}

void SelectGridCell(DataWindow& w, int col, int row) { w.grid->setCurrentCell(row - 1, col - 1); }

QPoint CellCentre(const DataWindow& w, int col, int row) {
  return w.grid->visualItemRect(w.grid->item(row - 1, col - 1)).center();
}

// A pixel of the cell away from its text (which starts at the top left).
QColor PaintedFill(DataWindow& w, int col, int row) {
  const QImage image = w.grid->viewport()->grab().toImage();
  const QRect rect = w.grid->visualItemRect(w.grid->item(row - 1, col - 1));
  return image.pixelColor(rect.right() - 4, rect.bottom() - 3);
}

bool AnyFormatRadioChecked(const DataWindow& w) {
  for (const QRadioButton* b : w.displayOptionsGroup->findChildren<QRadioButton*>()) {
    if (b->isChecked()) return true;
  }
  return false;
}

void UseHoldingRegisters(DataWindow& w) {
  w.functionBox->setCurrentIndex(2);
  w.FunctionChanged();
}

}  // namespace

class DataWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void NewWindowCaptionsAndDefaults() {
    DataWindow w(nullptr);
    QStringList texts;
    for (QGroupBox* g :
         {w.deviceSettingsGroup, w.displayOptionsGroup, w.asciiGroup, w.frameCountersGroup})
      texts << g->title();
    for (QLineEdit* e : {w.deviceIdEdit, w.addressEdit, w.lengthEdit}) texts << e->text();
    const QList<QAbstractButton*> buttons = {w.decimalButton,     w.swappedFloatButton,      w.swappedDoubleButton,
                                             w.asciiEnableBox, w.twoCharSwappedButton, w.resetButton};
    for (QAbstractButton* b : buttons) texts << b->text();
    for (QLabel* l : {w.pollsLabel, w.validLabel, w.errorsLabel}) texts << l->text();
    for (QAction* a : w.cellMenu->actions()) texts << a->text();
    QCOMPARE(texts,
             QStringList({"Device Settings", "Display options", "ASCII display", "Frame counters",
                          "1", "0", "10", "Decimal", "32bit sw. float", "64bit sw. float", "Enable",
                          "2 char/reg sw", "Reset", "0", "0", "0", "Log this value",
                          "Define fixed background", "Define threshold background", "Add to trend", "",
                          "&Write selected values...", "&Mask write register...",
                          "&Read/write registers...", "Write single registers with function &16"}));
    QVERIFY(!w.cellMenu->actions()[0]->isEnabled());
    QCOMPARE(w.functionBox->itemText(2), QStringLiteral("Holding registers"));
    QCOMPARE(w.functionBox->currentIndex(), 0);
    QVERIFY(w.decimalButton->isChecked() && !w.decimalButton->isEnabled() && !w.swappedDoubleButton->isEnabled());
    QVERIFY(w.oneCharButton->isChecked() && !w.oneCharButton->isEnabled() && !w.asciiEnableBox->isChecked());
    w.asciiEnableBox->click();
    QVERIFY(w.twoCharButton->isEnabled());

    QCOMPARE(HeaderRow(w), QStringList({"Alias", "0", "Alias", "10"}));
    QCOMPARE(w.grid->verticalHeaderItem(9)->text(), QStringLiteral("9"));
    QCOMPARE(w.grid->columnWidth(0), 72);
    QCOMPARE(w.grid->columnWidth(3), 100);
    const auto poll = w.Record()->Poll();
    QVERIFY(poll.Function == 1 && poll.DeviceID == 1 && poll.Address == 0 && poll.Length == 10);
  }

  void FillGridShowsTheBufferInTheSelectedFormat() {
    DataWindow w(nullptr);
    w.lengthEdit->setText(QStringLiteral("15"));
    QCOMPARE(w.grid->columnCount(), 4);
    // Elements 15..19 are not this poll's: their cells stay blank.
    const auto words = Buffer([](int k) -> uint16_t { return k < 15 ? k * 3 : 1000 + k; });
    w.FillGrid(words.data());
    QCOMPARE(Cell(w, 2, 1), QStringLiteral("0"));
    QCOMPARE(Cell(w, 2, 10), QStringLiteral("27"));
    QCOMPARE(Cell(w, 4, 5), QStringLiteral("42"));
    QVERIFY(Cell(w, 4, 6).isEmpty());
    QVERIFY(Cell(w, 4, 10).isEmpty());
    QVERIFY2(Cell(w, 1, 1).isEmpty(), "alias cells are not touched");

    UseHoldingRegisters(w);
    const auto single = Buffer([](int k) -> uint16_t { return k == 1 ? 0x3F80 : 0; });
    w.floatButton->click();
    w.FillGrid(single.data());
    QCOMPARE(Cell(w, 2, 1), QStringLiteral("1.0000"));
    QVERIFY(Cell(w, 2, 2).isEmpty());

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    w.FillGrid(single.data());
    QLocale::setDefault(saved);
    QCOMPARE(Cell(w, 2, 1), QStringLiteral("1,0000"));

    w.FillGrid(nullptr);  // refused, nothing counted
    QCOMPARE(w.validLabel->text(), QStringLiteral("3"));
  }

  void CountersAndErrorText() {
    DataWindow w(nullptr);
    w.CountPoll();
    w.CountPoll();
    w.Record()->PublishError(mms::PollOutcome::Timeout);
    w.ShowLatestResult();
    QCOMPARE(w.pollsLabel->text(), QStringLiteral("2"));
    QCOMPARE(w.errorsLabel->text(), QStringLiteral("1"));
    QCOMPARE(w.errorTextLabel->text(), QStringLiteral("Modbus message timeout"));
    w.Record()->PublishError(mms::PollOutcome::InvalidReply);
    w.ShowLatestResult();
    QCOMPARE(w.errorTextLabel->text(), QStringLiteral("Invalid response to Modbus message"));
    w.Record()->AddResponseTime(1500);
    w.Record()->PublishError(mms::PollOutcome::InvalidReply, 2);
    w.ShowLatestResult();
    QCOMPARE(w.errorTextLabel->text(),
             "Invalid response to Modbus message: exception 02, illegal data address");
    w.Record()->AddResponseTime(250400);
    w.Record()->PublishError(mms::PollOutcome::InvalidReply, 2);
    w.ShowLatestResult();
    QCOMPARE(w.responseTimeLabel->text(), QStringLiteral("250"));
    QCOMPARE(w.responseRangeLabel->text(), QStringLiteral("1.5/126/250"));
    const auto words = Buffer([](int) -> uint16_t { return 0; });
    w.FillGrid(words.data());
    QVERIFY(w.errorTextLabel->text().isEmpty());
    QCOMPARE(w.validLabel->text(), QStringLiteral("1"));

    QTest::mouseClick(w.resetButton, Qt::LeftButton);
    for (QLabel* l : {w.pollsLabel, w.validLabel, w.errorsLabel}) QCOMPARE(l->text(), "0");
    QCOMPARE(w.responseRangeLabel->text(), QStringLiteral("-"));
    w.CountPoll();
    QCOMPARE(w.pollsLabel->text(), QStringLiteral("1"));
  }

  void EditsWriteThroughCutToTheirWidth() {
    ErrorCollector boxes;
    DataWindow w(nullptr);
    const auto words = Buffer([](int k) -> uint16_t { return k; });
    w.FillGrid(words.data());
    w.deviceIdEdit->setText(QStringLiteral("300"));
    QCOMPARE(w.Record()->Poll().DeviceID, 44);
    QCOMPARE(Cell(w, 2, 2), QStringLiteral("1"));  // the device ID does not rebuild

    w.addressEdit->setText(QStringLiteral("-1"));
    QCOMPARE(w.Record()->Poll().Address, 65535);
    QCOMPARE(HeaderRow(w), QStringList({"Alias", "65535", "Alias", "65545"}));
    QVERIFY2(Cell(w, 2, 2).isEmpty(), "a new address empties the values");

    w.lengthEdit->setText(QStringLiteral("$14"));
    QCOMPARE(w.Record()->Poll().Length, 20);
    QCOMPARE(w.grid->columnCount(), 6);
    w.lengthEdit->setText(QStringLiteral("100"));
    QCOMPARE(w.grid->columnCount(), 22);
    w.lengthEdit->setText(QStringLiteral("101"));
    QCOMPARE(w.Record()->Poll().Length, 101);
    QCOMPARE(w.grid->columnCount(), 22);
    w.lengthEdit->setText(QStringLiteral("100"));
    w.FillGrid(words.data());
    QCOMPARE(Cell(w, 20, 10), QStringLiteral("99"));
    QVERIFY(Cell(w, 22, 10).isEmpty());  // the trailing group
    QVERIFY(boxes.errors.isEmpty());
  }

  void TypingIsConvertedAtEveryKeystroke() {
    ErrorCollector boxes;
    DataWindow w(nullptr);
    w.lengthEdit->setText(QStringLiteral("abc"));
    QCOMPARE(boxes.errors, QStringList({"'abc' is not a valid integer value."}));
    QCOMPARE(w.Record()->Poll().Length, 10);
    QCOMPARE(w.grid->columnCount(), 4);

    boxes.errors.clear();
    w.addressEdit->clear();  // an empty text keeps the address
    QCOMPARE(w.Record()->Poll().Address, 0);
    QTest::keyClicks(w.addressEdit, QStringLiteral("-5"));
    QCOMPARE(boxes.errors, QStringList({"'-' is not a valid integer value."}));
    QCOMPARE(w.Record()->Poll().Address, 65531);
  }

  void FunctionChoiceSwitchesFormats() {
    DataWindow w(nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.functionBox->setFocus();
    QTest::keyClick(w.functionBox, Qt::Key_Down);
    QTest::keyClick(w.functionBox, Qt::Key_Down);
    QCOMPARE(w.functionBox->currentIndex(), 2);
    QCOMPARE(w.Record()->Poll().Function, 3);
    QVERIFY(w.floatButton->isEnabled());
    w.swappedDoubleButton->click();
    QTest::keyClick(w.functionBox, Qt::Key_Up);
    QCOMPARE(w.Record()->Poll().Function, 2);
    QVERIFY(!w.floatButton->isEnabled());
    QCOMPARE(w.Format(), mms::DisplayFormat::SwappedDouble);  // disabling keeps the choice
  }

  void ContextMenuOpensOnlyWhenArmed() {
    DataWindow w(nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget* viewport = w.grid->viewport();
    auto rightClick = [&](int col, int row) {
      const QPoint pos = CellCentre(w, col, row);
      QTest::mousePress(viewport, Qt::RightButton, {}, pos);
      QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
      QApplication::sendEvent(viewport, &event);
      QTest::mouseRelease(viewport, Qt::RightButton, {}, pos);
      const bool open = w.cellMenu->isVisible();
      w.cellMenu->hide();
      return open;
    };
    QVERIFY2(!rightClick(2, 1), "not armed before a cell is selected");
    QTest::mouseClick(viewport, Qt::LeftButton, {}, CellCentre(w, 2, 3));
    QCOMPARE(mms::SelectedCol, 2);
    QCOMPARE(mms::SelectedRow, 3);
    QCOMPARE(mms::SelectedAddress, 2);
    QVERIFY(w.PopupArmed());
    QVERIFY(rightClick(4, 5));
    QCOMPARE(mms::SelectedRow, 3);  // a right press does not select
    QVERIFY2(!rightClick(4, 5), "opening disarms");
    QTest::mouseClick(viewport, Qt::LeftButton, {}, CellCentre(w, 2, 3));
    QVERIFY2(rightClick(2, 3), "selecting the same cell again re-arms");
  }

  void CellsArePaintedByColourAndThreshold() {
    DataWindow w(nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int col : {1, 2, 3, 4}) QCOMPARE(PaintedFill(w, col, 4), QColor(Qt::white));

    w.Model().SetBgColor(2, 1, mms::kColorRed);
    QCOMPARE(PaintedFill(w, 2, 1), QColor(Qt::red));
    w.Model().SetThreshold(2, 2, mms::CellThreshold{1, 1, 100, 0, mms::kColorRed, mms::kColorLime});
    w.Model().SetThreshold(2, 3, mms::CellThreshold{1, 1, 100, 0, mms::kColorRed, mms::kColorLime});
    w.integerButton->setChecked(true);
    const auto words = Buffer([](int k) -> uint16_t { return k == 1 ? 99 : 65535; });
    w.FillGrid(words.data());
    QCOMPARE(Cell(w, 2, 3), QStringLiteral("-1"));
    QCOMPARE(PaintedFill(w, 2, 2), QColor(Qt::red));
    QCOMPARE(PaintedFill(w, 2, 3), QColor(Qt::green));  // the raw word is above

    mms::CellThreshold off = w.Model().Threshold(2, 2);
    off.ThresholdEnable = 0;
    w.Model().SetThreshold(2, 2, off);
    QCOMPARE(PaintedFill(w, 2, 2), QColor(Qt::white));

    w.Model().SetBgColor(4, 4, mms::SystemColor(5));  // the platform's window colour
    QCOMPARE(PaintedFill(w, 4, 4), w.palette().color(QPalette::Base));
  }

  void FixedBackgroundFromTheColourDialog() {
    DataWindow w(nullptr);
    SelectGridCell(w, 4, 2);
    OnNextModal closer1([](QDialog* d) {
      auto* colours = qobject_cast<QColorDialog*>(d);
      QVERIFY(colours);
      colours->setCurrentColor(QColor(0x11, 0x22, 0x33));
      colours->accept();
    });
    w.SetBackgroundColour();
    QCOMPARE(w.Model().BgColor(4, 2), 0x332211);

    OnNextModal closer2([](QDialog* d) {
      qobject_cast<QColorDialog*>(d)->setCurrentColor(Qt::blue);
      d->reject();
    });
    w.SetBackgroundColour();
    QCOMPARE(w.Model().BgColor(4, 2), 0x332211);  // cancelling changes nothing
  }

  void DoubleClickFillsTheWriteDialogs() {
    gWriteCoilDialog = new WriteCoilDialog;
    gWriteRegisterDialog = new WriteRegisterDialog;
    DataWindow w(nullptr);
    w.SlotIndex = 7;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    UseHoldingRegisters(w);
    w.hexadecimalButton->setChecked(true);
    w.deviceIdEdit->setText(QStringLiteral("17"));
    w.addressEdit->setText(QStringLiteral("100"));
    w.lengthEdit->setText(QStringLiteral("20"));
    const auto words = Buffer([](int k) -> uint16_t { return 500 + k; });
    w.FillGrid(words.data());

    bool opened = false;
    OnNextModal closer3([&](QDialog* d) {
      opened = d == gWriteRegisterDialog;
      d->reject();
    });
    // An item view takes a double-click as the second click of a pair.
    QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, CellCentre(w, 4, 3));
    QTest::mouseDClick(w.grid->viewport(), Qt::LeftButton, {}, CellCentre(w, 4, 3));
    QVERIFY(opened);
    const WriteRegisterDialog& r = *gWriteRegisterDialog;
    QVERIFY(r.Address == 112 && r.WriteAddress == 112 && r.Value == 512 && r.DeviceID == 17);
    QVERIFY(r.SlotIndex == 7 && r.WriteFunction == 6);
    QVERIFY(r.FollowingWords == (std::array<uint16_t, 3>{513, 514, 515}));
    QCOMPARE(r.Format, mms::DisplayFormat::Hexadecimal);

    // Enter on a value cell does the same.
    opened = false;
    SelectGridCell(w, 2, 1);
    w.grid->setFocus();
    OnNextModal closer4([&](QDialog* d) {
      opened = d == gWriteRegisterDialog;
      d->reject();
    });
    QTest::keyClick(w.grid, Qt::Key_Return);
    QVERIFY(opened);
    QCOMPARE(gWriteRegisterDialog->Address, 100);

    w.functionBox->setCurrentIndex(0);
    w.FunctionChanged();
    SelectGridCell(w, 2, 2);
    OnNextModal closer5([&](QDialog* d) {
      opened = d == gWriteCoilDialog;
      d->reject();
    });
    w.GridDoubleClicked();
    QVERIFY(opened);
    QVERIFY(gWriteCoilDialog->Address == 101 && gWriteCoilDialog->Value == 501);
    QCOMPARE(gWriteCoilDialog->WriteFunction, 5);

    // Inputs, alias columns: nothing opens.
    opened = false;
    OnNextModal waiting([&](QDialog* d) {
      opened = true;
      d->reject();
    });
    w.functionBox->setCurrentIndex(3);
    w.FunctionChanged();
    w.GridDoubleClicked();
    UseHoldingRegisters(w);
    SelectGridCell(w, 3, 2);
    w.GridDoubleClicked();
    QTest::qWait(50);
    QVERIFY(!opened);

    delete gWriteCoilDialog;
    delete gWriteRegisterDialog;
    gWriteCoilDialog = nullptr;
    gWriteRegisterDialog = nullptr;
  }

  void WindowFileRoundTrip() {
    QMdiArea area;
    area.resize(1200, 900);
    area.show();
    auto* a = new DataWindow(nullptr);
    area.addSubWindow(a)->show();
    a->deviceIdEdit->setText(QStringLiteral("17"));
    a->addressEdit->setText(QStringLiteral("100"));
    a->lengthEdit->setText(QStringLiteral("12"));
    UseHoldingRegisters(*a);
    a->grid->item(0, 0)->setText(QStringLiteral("Pressure"));  // typed into the grid
    a->grid->item(1, 2)->setText(QStringLiteral("Flow"));      // offset 11
    a->Model().SetBgColorAt(1, mms::kColorRed);
    a->Model().SetThresholdAt(1,
                              mms::CellThreshold{1, 1, 1000, 0, mms::kColorLime, mms::kColorRed});
    a->Model().SetThresholdAt(11, mms::CellThreshold{0, 2, -5, 70000, mms::SystemColor(15), 0});
    a->SetWindowGeometry(705, 479, 10, 20);

    const mms::WindowFile file = a->ToWindowFile();
    QVERIFY(file.DeviceID == 17 && file.Address == 100 && file.Length == 12 && file.Function == 3);
    // No narrower than the form needs, so no label is cut.
    const QSize least = a->parentWidget()->minimumSizeHint();
    QVERIFY(file.Width == std::max(705, least.width()) &&
            file.Height == std::max(479, least.height()) && file.Top == 10 && file.Left == 20);
    QCOMPARE(file.Alias[0], std::string("Pressure"));
    QCOMPARE(file.Alias[11], std::string("Flow"));
    QCOMPARE(file.BgColor[1], mms::kColorRed);
    QCOMPARE(file.BgColor[0], mms::kColorWhite);

    auto* b = new DataWindow(nullptr);
    area.addSubWindow(b)->show();
    b->ApplyWindowFile(file);
    QVERIFY(b->ToWindowFile() == file);
    QCOMPARE(b->addressEdit->text(), QStringLiteral("100"));
    QVERIFY(b->functionBox->currentIndex() == 2 && b->floatButton->isEnabled());
    QCOMPARE(Cell(*b, 1, 1), QStringLiteral("Pressure"));
    QCOMPARE(HeaderRow(*b), QStringList({"Alias", "100", "Alias", "110"}));

    // A function outside 1..4 selects no item; a length above 100 keeps the layout.
    mms::WindowFile odd = file;
    odd.Function = 7;
    odd.Length = 150;
    odd.Alias[99] = "Last";
    odd.Width = -50;
    b->ApplyWindowFile(odd);
    QVERIFY(b->functionBox->currentIndex() == -1 && b->Record()->Poll().Function == 7);
    QVERIFY(b->Record()->Poll().Length == 150 && b->grid->columnCount() == 4);
    QCOMPARE(b->Model().Alias(99), std::string("Last"));
    QVERIFY(b->WindowGeometry().width() >= 1);

    // The display choices travel with the file.
    a->SetFormat({mms::ValueType::Unsigned64, mms::ByteOrder::ByteSwapped});
    a->asciiEnableBox->click();
    a->twoCharButton->click();
    a->addressBaseBox->setCurrentIndex(2);
    const mms::WindowFile shown = a->ToWindowFile();
    QVERIFY(shown.Display ==
            (mms::WindowDisplay{
                a->Format(), {true, mms::AsciiMode::TwoChar}, mms::AddressBase::Modicon}));
    b->ApplyWindowFile(shown);
    QVERIFY(b->ToWindowFile() == shown);
    QCOMPARE(b->addressEdit->text(), QStringLiteral("40101"));
    QVERIFY(b->twoCharButton->isEnabled() && b->orderBox->currentText() == "BADCFEHG");
  }

  // Radio buttons and the Type and Order drop-downs show one choice.
  void RadiosAndDropDownsStayInStep() {
    DataWindow w(nullptr);
    UseHoldingRegisters(w);
    w.floatButton->click();
    QVERIFY(w.typeBox->currentText() == "32-bit float" && w.orderBox->currentText() == "CDAB");
    w.orderBox->setCurrentIndex(2);  // BADC: no radio stands for it
    QVERIFY(!AnyFormatRadioChecked(w));
    w.typeBox->setCurrentIndex(int(mms::ValueType::Float64));
    w.orderBox->setCurrentIndex(0);
    QVERIFY(w.swappedDoubleButton->isChecked() && w.orderBox->currentText() == "ABCDEFGH");
    w.typeBox->setCurrentIndex(int(mms::ValueType::Signed32));
    const auto words = Buffer([](int k) -> uint16_t { return k < 2 ? 0xFFFF : 0; });
    w.FillGrid(words.data());
    QCOMPARE(Cell(w, 2, 1), QStringLiteral("-1"));
  }

  void AddressBaseSpeaksTheManualsConvention() {
    ErrorCollector boxes;
    DataWindow w(nullptr);
    UseHoldingRegisters(w);
    w.addressEdit->setText(QStringLiteral("65530"));
    w.addressBaseBox->setCurrentIndex(2);  // Modicon
    QCOMPARE(w.addressEdit->text(), QStringLiteral("465531"));
    QCOMPARE(HeaderRow(w), QStringList({"Alias", "465531", "Alias", "465541"}));
    w.functionBox->setCurrentIndex(3);
    w.FunctionChanged();
    QCOMPARE(w.addressEdit->text(), QStringLiteral("365531"));
    // Unfinished text waits; finished and still wrong, it is refused once.
    w.addressEdit->setText(QStringLiteral("4"));
    QVERIFY(boxes.errors.isEmpty());
    emit w.addressEdit->editingFinished();
    QCOMPARE(boxes.errors, QStringList({"'4' is not a valid address: type 30001 to 39999 or "
                                        "300001 to 365536."}));
    w.addressEdit->setText(QStringLiteral("30011"));
    QCOMPARE(w.Record()->Poll().Address, 10);
  }

  // The inspector follows the selected cell and the polls; Enter or a click
  // on a row makes it the display format, Ctrl+C copies the row.
  void DecodeInspectorFollowsAndChooses() {
    DataWindow w(nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    UseHoldingRegisters(w);
    w.lengthEdit->setText(QStringLiteral("20"));
    w.decodeButton->click();
    SelectGridCell(w, 4, 3);  // offset 12
    const auto words = Buffer([](int k) -> uint16_t { return k == 12 ? 0x3F80 : 0x4142; });
    w.FillGrid(words.data());
    QTableWidget* table = w.decodeInspector->table;
    QCOMPARE(w.decodeInspector->placeLabel->text(), QStringLiteral("Address 12, wire address 12"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("16256"));
    SelectGridCell(w, 4, 4);
    QCOMPARE(table->item(4, 1)->text(), QStringLiteral("'AB'"));
    table->setFocus();
    table->setCurrentCell(14, 0);
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("32-bit float CDAB\t12.1409"));
    QTest::keyClick(table, Qt::Key_Return);
    QVERIFY(w.floatButton->isChecked());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(1, 0)).center());
    QVERIFY(w.integerButton->isChecked());
  }

  // Ctrl+Shift+W over a selection opens the range write on the selected
  // values, in the window's format; the function 16 choice travels with
  // the window file.
  void RangeWriteShortcutAndSingleWriteChoice() {
    mms::WindowTable table;
    DataWindow w(&table);
    w.SlotIndex = table.Add(w.Record());
    UseHoldingRegisters(w);
    w.FillGrid(Buffer([](int k) { return uint16_t(100 + k); }).data());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.grid->setFocus();
    w.grid->setRangeSelected(QTableWidgetSelectionRange(2, 1, 4, 1), true);
    QStringList shown;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<RangeWriteDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      for (int i = 0; i < dialog->valuesTable->rowCount(); ++i) {
        shown << dialog->valuesTable->item(i, 0)->text() + "=" +
                     dialog->valuesTable->item(i, 1)->text();
      }
      dialog->reject();
    });
    QTest::keyClick(w.grid, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(shown, (QStringList{"2=102", "3=103", "4=104"}));

    QCOMPARE(w.ToWindowFile().SingleWriteFunction, uint8_t(6));
    w.function16Action->setChecked(true);
    mms::WindowFile file = w.ToWindowFile();
    QCOMPARE(file.SingleWriteFunction, uint8_t(16));
    file.SingleWriteFunction = 6;
    w.ApplyWindowFile(file);
    QVERIFY(!w.function16Action->isChecked());
  }

  void ClosingEmptiesTheSlot() {
    mms::WindowTable table;
    auto w = std::make_unique<DataWindow>(&table);
    w->SlotIndex = table.Add(w->Record());
    QVERIFY(table.Slot(0) != nullptr);
    w->show();
    w->close();
    QVERIFY(table.Slot(0) == nullptr);
  }

  void AccessibleNamesAndTabOrder() {
    DataWindow w(nullptr);
    QCOMPARE(w.deviceIdEdit->accessibleName(), QStringLiteral("Device ID"));
    QCOMPARE(w.addressEdit->accessibleName(), QStringLiteral("Address"));
    QCOMPARE(w.lengthEdit->accessibleName(), QStringLiteral("Length"));
    QVERIFY(!w.functionBox->accessibleName().isEmpty());

    QList<QWidget*> chain;
    for (QWidget* x = w.nextInFocusChain(); x != &w; x = x->nextInFocusChain()) chain << x;
    const QList<QWidget*> visual = {w.deviceIdEdit, w.functionBox,  w.addressEdit,      w.lengthEdit,
                                    w.decimalButton, w.swappedDoubleButton, w.asciiEnableBox, w.twoCharSwappedButton,
                                    w.resetButton,   w.grid};
    for (int i = 1; i < visual.size(); ++i) {
      QVERIFY2(chain.indexOf(visual[i - 1]) < chain.indexOf(visual[i]),
               qPrintable(visual[i]->objectName()));
    }
  }

  void GridCellsCarryTheirHeaders() {
    DataWindow w(nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto words = Buffer([](int k) -> uint16_t { return 40 + k; });
    w.lengthEdit->setText(QStringLiteral("20"));
    w.FillGrid(words.data());
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w.grid);
    QVERIFY(grid && grid->tableInterface());
    QAccessibleInterface* cell = grid->tableInterface()->cellAt(3, 3);  // grid (4, 4): offset 13
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("53"));
    QAccessibleTableCellInterface* tableCell = cell->tableCellInterface();
    QVERIFY(tableCell);
    const auto columnHeaders = tableCell->columnHeaderCells();
    const auto rowHeaders = tableCell->rowHeaderCells();
    QCOMPARE(columnHeaders.size(), 1);
    QCOMPARE(rowHeaders.size(), 1);
    QCOMPARE(columnHeaders[0]->text(QAccessible::Name), QStringLiteral("10"));
    QCOMPARE(rowHeaders[0]->text(QAccessible::Name), QStringLiteral("3"));
  }
};

int RunTiTests(int argc, char** argv) {
  DataWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "DataWindowTest.moc"
