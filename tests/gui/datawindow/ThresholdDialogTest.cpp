#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>

#include "GuiTestSupport.h"
#include "datawindow/CellColour.h"
#include "datawindow/GridLayout.h"
#include "datawindow/DataWindow.h"
#include "datawindow/ThresholdDialog.h"
#include "ui/ColourPickList.h"

namespace {

struct Captions {
  QString param1, color1, color2;
  bool param2Shown;
};

Captions Shown(const ThresholdDialog& d) {
  return {d.param1Label->text(), d.colour1Label->text(), d.colour2Label->text(), !d.param2Edit->isHidden()};
}

void ExpectRangeCaptions(const ThresholdDialog& d) {
  const Captions c = Shown(d);
  QCOMPARE(c.param1, QStringLiteral("Low threshold"));
  QCOMPARE(d.param2Label->text(), QStringLiteral("High threshold"));
  QCOMPARE(c.color1, QStringLiteral("Outside range color"));
  QCOMPARE(c.color2, QStringLiteral("Inside range color"));
  QVERIFY(c.param2Shown);
  QVERIFY(!d.param2Label->isHidden());
  QCOMPARE(d.param1Edit->accessibleName(), QStringLiteral("Low threshold"));
}

void ExpectSimpleCaptions(const ThresholdDialog& d) {
  const Captions c = Shown(d);
  QCOMPARE(c.param1, QStringLiteral("Threshold value"));
  QCOMPARE(c.color1, QStringLiteral("Below color"));
  QCOMPARE(c.color2, QStringLiteral("Above color"));
  QVERIFY(!c.param2Shown);
  QVERIFY(d.param2Label->isHidden());
  QCOMPARE(d.colour1Box->accessibleName(), QStringLiteral("Below color"));
}

}  // namespace

class ThresholdWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QMainWindow> main_;
  QMdiArea* area_ = nullptr;
  DataWindow* window_ = nullptr;

  // Shows the dialog for cell (col, row) of window_, as the context menu does.
  ThresholdDialog& ShowFor(int col, int row) {
    gThresholdDialog->SlotIndex = window_->SlotIndex;
    gThresholdDialog->Col = col;
    gThresholdDialog->Row = row;
    gThresholdDialog->SetWindow(window_);
    gThresholdDialog->show();
    return *gThresholdDialog;
  }

 private slots:
  void init() {
    main_ = std::make_unique<QMainWindow>();
    area_ = new QMdiArea;
    main_->setCentralWidget(area_);
    main_->setGeometry(100, 80, 1000, 700);
    main_->show();
    window_ = new DataWindow(nullptr);
    window_->SlotIndex = 3;
    area_->addSubWindow(window_)->show();
    gThresholdDialog = new ThresholdDialog(main_.get());
  }
  void cleanup() {
    delete gThresholdDialog;
    gThresholdDialog = nullptr;
    main_.reset();
  }

  void StartsAsSimpleAndOff() {
    ThresholdDialog& d = *gThresholdDialog;
    const QStringList texts = {d.windowTitle(),        d.enableBox->text(), d.simpleButton->text(),
                               d.rangeButton->text(), d.updateButton->text(),   d.cancelButton->text()};
    QCOMPARE(texts, QStringList({"Threshold Display", "Enable threshold display",
                                 "Simple threshold", "Range threshold", "Update", "Cancel"}));
    QVERIFY(d.TypeChoice() == 1 && !d.EnableChoice());
    ShowFor(2, 1);
    QCOMPARE(d.windowTitle(), QStringLiteral("Threshold for window3"));
    ExpectSimpleCaptions(d);
    QCOMPARE(d.param1Edit->text(), QStringLiteral("0"));
    for (QWidget* w : std::initializer_list<QWidget*>{d.param1Edit, d.colour2Box, d.rangeButton})
      QVERIFY2(!w->isEnabled(), "a switched-off rule disables its fields");
    QCOMPARE(d.colour1Box->Colour(), mms::kColorBlack);
  }

  void CentredOnTheMainWindow() {
    ThresholdDialog& d = ShowFor(2, 1);
    const QRect m = main_->frameGeometry();
    const QSize own = d.frameGeometry().size();
    QCOMPARE(d.pos(), QPoint(m.left() + m.width() / 2 - own.width() / 2,
                             m.top() + m.height() / 2 - own.height() / 2));
  }

  void ShowsTheRecordOfTheCell() {
    window_->Model().SetThreshold(
        4, 2, mms::CellThreshold{1, 2, -10, 0x7FFFFFFF, mms::kColorRed, mms::SystemColor(13)});
    ThresholdDialog& d = ShowFor(4, 2);
    QVERIFY(d.enableBox->isChecked());
    QVERIFY(d.param1Edit->isEnabled());
    QVERIFY(d.rangeButton->isChecked());
    ExpectRangeCaptions(d);
    QCOMPARE(d.param1Edit->text(), QStringLiteral("-10"));
    QCOMPARE(d.param2Edit->text(), QStringLiteral("2147483647"));
    QCOMPARE(d.colour1Box->Colour(), mms::kColorRed);
    QCOMPARE(d.colour2Box->Colour(), mms::SystemColor(13));
    d.cancelButton->click();

    // A record of neither type keeps the type that the last showing ended on.
    window_->Model().SetThreshold(4, 3, mms::CellThreshold{});
    ShowFor(4, 3);
    ExpectRangeCaptions(d);
    QVERIFY(!d.enableBox->isChecked());
    d.cancelButton->click();
    window_->Model().SetThreshold(4, 4, mms::CellThreshold{0, 1, 5, 0, 0, 0});
    ShowFor(4, 4);
    ExpectSimpleCaptions(d);
    QCOMPARE(d.TypeChoice(), 1);
    d.cancelButton->click();
  }

  void UpdateStoresTheRule() {
    ThresholdDialog& d = ShowFor(2, 1);
    d.enableBox->click();
    d.rangeButton->click();
    ExpectRangeCaptions(d);
    d.param1Edit->setText(QStringLiteral("10"));
    d.param2Edit->setText(QStringLiteral("$14"));
    d.colour1Box->SetColour(mms::kColorRed);
    d.colour2Box->SetColour(mms::kColorLime);
    d.updateButton->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(window_->Model().Threshold(2, 1),
             (mms::CellThreshold{1, 2, 10, 20, mms::kColorRed, mms::kColorLime}));

    // Switching the rule off keeps its values.
    ShowFor(2, 1);
    d.enableBox->click();
    d.updateButton->click();
    QCOMPARE(window_->Model().Threshold(2, 1),
             (mms::CellThreshold{0, 2, 10, 20, mms::kColorRed, mms::kColorLime}));
  }

  void BadNumbersAreRefused() {
    ErrorCollector boxes;
    ThresholdDialog& d = ShowFor(2, 1);
    d.enableBox->click();
    d.param1Edit->setText(QStringLiteral("1e3"));
    d.updateButton->click();
    QCOMPARE(boxes.errors, QStringList({"'1e3' is not a valid integer value."}));
    QVERIFY2(d.isVisible(), "the dialog stays open");
    QCOMPARE(window_->Model().Threshold(2, 1), mms::CellThreshold{});

    // The hidden second field is converted too.
    d.param1Edit->setText(QStringLiteral("5"));
    d.param2Edit->setText(QStringLiteral(""));
    d.updateButton->click();
    QCOMPARE(boxes.errors.size(), 2);
    QVERIFY(d.isVisible());
    d.cancelButton->click();
    QCOMPARE(window_->Model().Threshold(2, 1), mms::CellThreshold{});
  }

  void EnterUpdatesEscapeCancels() {
    ThresholdDialog& d = ShowFor(2, 1);
    d.enableBox->click();
    d.param1Edit->setText(QStringLiteral("77"));
    QTest::keyClick(d.param1Edit, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QCOMPARE(window_->Model().Threshold(2, 1), mms::CellThreshold{});
    ShowFor(2, 1);
    d.enableBox->click();
    d.param1Edit->setText(QStringLiteral("77"));
    QTest::keyClick(d.param1Edit, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QCOMPARE(window_->Model().Threshold(2, 1).ThresholdL, 77);
  }

  void ReachesTheWindowBySlot() {
    auto* other = new DataWindow(nullptr);
    other->SlotIndex = 9;
    area_->addSubWindow(other)->show();
    gThresholdDialog->SetWindowLookup([&](int slot) { return slot == 9 ? other : nullptr; });
    gThresholdDialog->SlotIndex = 9;
    gThresholdDialog->Col = 2;
    gThresholdDialog->Row = 5;
    gThresholdDialog->SetWindow(nullptr);
    gThresholdDialog->show();
    gThresholdDialog->enableBox->click();
    gThresholdDialog->param1Edit->setText(QStringLiteral("3"));
    gThresholdDialog->updateButton->click();
    QCOMPARE(other->Model().Threshold(2, 5).ThresholdL, 3);
    QCOMPARE(window_->Model().Threshold(2, 5), mms::CellThreshold{});
  }

  // The whole road: select a cell, "Define threshold background", fill in
  // the dialog, and the cell paints by the rule after the next poll.
  void ContextMenuRoundTrip() {
    window_->grid->setCurrentCell(2, 1);  // grid (2, 3)
    QCOMPARE(mms::SelectedCol, 2);
    bool shown = false;
    OnNextModal closer1([&](QDialog* dialog) {
      auto* d = qobject_cast<ThresholdDialog*>(dialog);
      shown = d != nullptr;
      if (!d) return dialog->reject();
      QCOMPARE(d->windowTitle(), QStringLiteral("Threshold for window3"));
      d->enableBox->click();
      d->param1Edit->setText(QStringLiteral("100"));
      d->colour1Box->SetColour(mms::kColorRed);
      d->colour2Box->SetColour(mms::kColorLime);
      d->updateButton->click();
    });
    window_->DefineThreshold();
    QVERIFY(shown);
    QCOMPARE(window_->Model().Threshold(2, 3),
             (mms::CellThreshold{1, 1, 100, 0, mms::kColorRed, mms::kColorLime}));
    std::vector<uint16_t> words(mms::kReadBufferSize, 100);
    words[2] = 99;
    window_->FillGrid(words.data());
    QCOMPARE(window_->Model().FillColor(2, 3), mms::kColorRed);
    QCOMPARE(window_->Model().FillColor(2, 4), mms::kColorWhite);
  }

  void PickListKeepsEveryColour() {
    ColourPickList list;
    QVERIFY(list.count() >= 16 + 4 + 29);
    for (int32_t colour : {mms::kColorWhite, mms::kColorLime, mms::SystemColor(15), 0x010203,
                           0x040506, static_cast<int32_t>(0xFF0000FE)}) {
      list.SetColour(colour);
      QCOMPARE(list.Colour(), colour);
    }
    const int entries = list.count();
    list.SetColour(0x0A0B0C);
    QCOMPARE(list.count(), entries);  // one custom entry, reused
    QCOMPARE(list.currentText(), QStringLiteral("Custom (#0C0B0A)"));
    QCOMPARE(ColourToQColor(0x0A0B0C, list.palette()), QColor(0x0C, 0x0B, 0x0A));
    QCOMPARE(QColorToColour(QColor(0x0C, 0x0B, 0x0A)), 0x0A0B0C);
    QCOMPARE(ColourToQColor(mms::SystemColor(13), list.palette()),
             list.palette().color(QPalette::Active, QPalette::Highlight));
  }
};

int RunThresholdWindowTests(int argc, char** argv) {
  ThresholdWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ThresholdDialogTest.moc"
