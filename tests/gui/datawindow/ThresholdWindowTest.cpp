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
#include "datawindow/Ti.h"
#include "datawindow/Tresholddisplaywindow.h"
#include "ui/ColourPickList.h"

namespace {

struct Captions {
  QString param1, color1, color2;
  bool param2Shown;
};

Captions Shown(const TThresholdWindow& d) {
  return {d.LParam1->text(), d.LColor1->text(), d.LColor2->text(), !d.EParam2->isHidden()};
}

void ExpectRangeCaptions(const TThresholdWindow& d) {
  const Captions c = Shown(d);
  QCOMPARE(c.param1, QStringLiteral("Low threshold"));
  QCOMPARE(d.LParam2->text(), QStringLiteral("High threshold"));
  QCOMPARE(c.color1, QStringLiteral("Outside range color"));
  QCOMPARE(c.color2, QStringLiteral("Inside range color"));
  QVERIFY(c.param2Shown);
  QVERIFY(!d.LParam2->isHidden());
  QCOMPARE(d.EParam1->accessibleName(), QStringLiteral("Low threshold"));
}

void ExpectSimpleCaptions(const TThresholdWindow& d) {
  const Captions c = Shown(d);
  QCOMPARE(c.param1, QStringLiteral("Threshold value"));
  QCOMPARE(c.color1, QStringLiteral("Below color"));
  QCOMPARE(c.color2, QStringLiteral("Above color"));
  QVERIFY(!c.param2Shown);
  QVERIFY(d.LParam2->isHidden());
  QCOMPARE(d.Threshold1CB->accessibleName(), QStringLiteral("Below color"));
}

}  // namespace

class ThresholdWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QMainWindow> main_;
  QMdiArea* area_ = nullptr;
  Ti* window_ = nullptr;

  // Shows the dialog for cell (col, row) of window_, as the context menu does.
  TThresholdWindow& ShowFor(int col, int row) {
    ThresholdWindow->SlotIndex = window_->SlotIndex;
    ThresholdWindow->Col = col;
    ThresholdWindow->Row = row;
    ThresholdWindow->SetWindow(window_);
    ThresholdWindow->show();
    return *ThresholdWindow;
  }

 private slots:
  void init() {
    main_ = std::make_unique<QMainWindow>();
    area_ = new QMdiArea;
    main_->setCentralWidget(area_);
    main_->setGeometry(100, 80, 1000, 700);
    main_->show();
    window_ = new Ti(nullptr);
    window_->SlotIndex = 3;
    area_->addSubWindow(window_)->show();
    ThresholdWindow = new TThresholdWindow(main_.get());
  }
  void cleanup() {
    delete ThresholdWindow;
    ThresholdWindow = nullptr;
    main_.reset();
  }

  void StartsAsSimpleAndOff() {
    TThresholdWindow& d = *ThresholdWindow;
    const QStringList texts = {d.windowTitle(),        d.CheckBox1->text(), d.RadioButton1->text(),
                               d.RadioButton2->text(), d.Button1->text(),   d.Button2->text()};
    QCOMPARE(texts, QStringList({"Threshold Display", "Enable threshold display",
                                 "Simple threshold", "Range threshold", "Update", "Cancel"}));
    QVERIFY(d.TypeChoice() == 1 && !d.EnableChoice());
    ShowFor(2, 1);
    QCOMPARE(d.windowTitle(), QStringLiteral("Threshold for window3"));
    ExpectSimpleCaptions(d);
    QCOMPARE(d.EParam1->text(), QStringLiteral("0"));
    for (QWidget* w : std::initializer_list<QWidget*>{d.EParam1, d.Threshold2CB, d.RadioButton2})
      QVERIFY2(!w->isEnabled(), "a switched-off rule disables its fields");
    QCOMPARE(d.Threshold1CB->Colour(), mms::kColorBlack);
  }

  void CentredOnTheMainWindow() {
    TThresholdWindow& d = ShowFor(2, 1);
    const QRect m = main_->frameGeometry();
    const QSize own = d.frameGeometry().size();
    QCOMPARE(d.pos(), QPoint(m.left() + m.width() / 2 - own.width() / 2,
                             m.top() + m.height() / 2 - own.height() / 2));
  }

  void ShowsTheRecordOfTheCell() {
    window_->Model().SetThreshold(
        4, 2, mms::CellThreshold{1, 2, -10, 0x7FFFFFFF, mms::kColorRed, mms::SystemColor(13)});
    TThresholdWindow& d = ShowFor(4, 2);
    QVERIFY(d.CheckBox1->isChecked());
    QVERIFY(d.EParam1->isEnabled());
    QVERIFY(d.RadioButton2->isChecked());
    ExpectRangeCaptions(d);
    QCOMPARE(d.EParam1->text(), QStringLiteral("-10"));
    QCOMPARE(d.EParam2->text(), QStringLiteral("2147483647"));
    QCOMPARE(d.Threshold1CB->Colour(), mms::kColorRed);
    QCOMPARE(d.Threshold2CB->Colour(), mms::SystemColor(13));
    d.Button2->click();

    // A record of neither type keeps the type that the last showing ended on.
    window_->Model().SetThreshold(4, 3, mms::CellThreshold{});
    ShowFor(4, 3);
    ExpectRangeCaptions(d);
    QVERIFY(!d.CheckBox1->isChecked());
    d.Button2->click();
    window_->Model().SetThreshold(4, 4, mms::CellThreshold{0, 1, 5, 0, 0, 0});
    ShowFor(4, 4);
    ExpectSimpleCaptions(d);
    QCOMPARE(d.TypeChoice(), 1);
    d.Button2->click();
  }

  void UpdateStoresTheRule() {
    TThresholdWindow& d = ShowFor(2, 1);
    d.CheckBox1->click();
    d.RadioButton2->click();
    ExpectRangeCaptions(d);
    d.EParam1->setText(QStringLiteral("10"));
    d.EParam2->setText(QStringLiteral("$14"));
    d.Threshold1CB->SetColour(mms::kColorRed);
    d.Threshold2CB->SetColour(mms::kColorLime);
    d.Button1->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(window_->Model().Threshold(2, 1),
             (mms::CellThreshold{1, 2, 10, 20, mms::kColorRed, mms::kColorLime}));

    // Switching the rule off keeps its values.
    ShowFor(2, 1);
    d.CheckBox1->click();
    d.Button1->click();
    QCOMPARE(window_->Model().Threshold(2, 1),
             (mms::CellThreshold{0, 2, 10, 20, mms::kColorRed, mms::kColorLime}));
  }

  void BadNumbersAreRefused() {
    ErrorCollector boxes;
    TThresholdWindow& d = ShowFor(2, 1);
    d.CheckBox1->click();
    d.EParam1->setText(QStringLiteral("1e3"));
    d.Button1->click();
    QCOMPARE(boxes.errors, QStringList({"'1e3' is not a valid integer value."}));
    QVERIFY2(d.isVisible(), "the dialog stays open");
    QCOMPARE(window_->Model().Threshold(2, 1), mms::CellThreshold{});

    // The hidden second field is converted too.
    d.EParam1->setText(QStringLiteral("5"));
    d.EParam2->setText(QStringLiteral(""));
    d.Button1->click();
    QCOMPARE(boxes.errors.size(), 2);
    QVERIFY(d.isVisible());
    d.Button2->click();
    QCOMPARE(window_->Model().Threshold(2, 1), mms::CellThreshold{});
  }

  void EnterUpdatesEscapeCancels() {
    TThresholdWindow& d = ShowFor(2, 1);
    d.CheckBox1->click();
    d.EParam1->setText(QStringLiteral("77"));
    QTest::keyClick(d.EParam1, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QCOMPARE(window_->Model().Threshold(2, 1), mms::CellThreshold{});
    ShowFor(2, 1);
    d.CheckBox1->click();
    d.EParam1->setText(QStringLiteral("77"));
    QTest::keyClick(d.EParam1, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QCOMPARE(window_->Model().Threshold(2, 1).ThresholdL, 77);
  }

  void ReachesTheWindowBySlot() {
    auto* other = new Ti(nullptr);
    other->SlotIndex = 9;
    area_->addSubWindow(other)->show();
    ThresholdWindow->SetWindowLookup([&](int slot) { return slot == 9 ? other : nullptr; });
    ThresholdWindow->SlotIndex = 9;
    ThresholdWindow->Col = 2;
    ThresholdWindow->Row = 5;
    ThresholdWindow->SetWindow(nullptr);
    ThresholdWindow->show();
    ThresholdWindow->CheckBox1->click();
    ThresholdWindow->EParam1->setText(QStringLiteral("3"));
    ThresholdWindow->Button1->click();
    QCOMPARE(other->Model().Threshold(2, 5).ThresholdL, 3);
    QCOMPARE(window_->Model().Threshold(2, 5), mms::CellThreshold{});
  }

  // The whole road: select a cell, "Define threshold background", fill in
  // the dialog, and the cell paints by the rule after the next poll.
  void ContextMenuRoundTrip() {
    window_->StringGrid1->setCurrentCell(2, 1);  // grid (2, 3)
    QCOMPARE(mms::SelectedCol, 2);
    bool shown = false;
    OnNextModal closer1([&](QDialog* dialog) {
      auto* d = qobject_cast<TThresholdWindow*>(dialog);
      shown = d != nullptr;
      if (!d) return dialog->reject();
      QCOMPARE(d->windowTitle(), QStringLiteral("Threshold for window3"));
      d->CheckBox1->click();
      d->EParam1->setText(QStringLiteral("100"));
      d->Threshold1CB->SetColour(mms::kColorRed);
      d->Threshold2CB->SetColour(mms::kColorLime);
      d->Button1->click();
    });
    window_->DefineThreshold1Click();
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

#include "ThresholdWindowTest.moc"
