// A data window without a mouse: its fields, counters and grid as a screen
// reader finds them, the way Tab goes round it, and the write, threshold and
// colour dialogs reached from a grid cell with Enter and the context-menu key.
#include <QAccessibleTableCellInterface>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <vector>

#include "AccessTestSupport.h"
#include "datawindow/DataWindow.h"
#include "datawindow/DataWindowLimits.h"
#include "datawindow/ThresholdDialog.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"

namespace {

struct CellReading {
  QString text;
  QString column;
  QString row;
};

// The grid's focused cell as a screen reader reads it: its text and headers.
CellReading FocusedCell(DataWindow* window) {
  QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(window->grid);
  QAccessibleInterface* cell = grid ? grid->focusChild() : nullptr;
  QAccessibleTableCellInterface* tableCell = cell ? cell->tableCellInterface() : nullptr;
  if (!tableCell) return {};
  const auto columns = tableCell->columnHeaderCells();
  const auto rows = tableCell->rowHeaderCells();
  return {cell->text(QAccessible::Name),
          columns.isEmpty() ? QString() : columns[0]->text(QAccessible::Name),
          rows.isEmpty() ? QString() : rows[0]->text(QAccessible::Name)};
}

// A new data window with the keyboard in its grid on the value cell of
// offset 0 (grid column 2, row 1).
DataWindow* NewWindowAtFirstValueCell(MainWindow* main) {
  Press(Qt::Key_N, Qt::ControlModifier);
  DataWindow* window = main->ActiveDataWindow();
  if (!window || !TabTo(QStringLiteral("Values"))) return nullptr;
  window->grid->setCurrentCell(0, 0);  // where Tab into a fresh grid lands
  Press(Qt::Key_Right);
  return window;
}

// Function by keyboard: from the grid back to the drop-down, arrows down.
void ChooseFunction(int downs) {
  TabTo(QStringLiteral("Device ID"));
  Press(Qt::Key_Tab);
  for (int i = 0; i < downs; ++i) Press(Qt::Key_Down);
  TabTo(QStringLiteral("Values"));
}

}  // namespace

class DataWindowAccessTest : public QObject {
  Q_OBJECT

 private slots:
  void checkBoxesAndChoicesActHoweverWorked_data() { AddOperationRows(); }
  void checkBoxesAndChoicesActHoweverWorked() {
    QFETCH(Operation, how);
    DataWindow w(nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (const bool on : {true, false}) {
      Operate(w.asciiEnableBox, how);
      QCOMPARE(w.asciiEnableBox->isChecked(), on);
      for (QWidget* mode : {w.oneCharButton, w.twoCharButton, w.twoCharSwappedButton})
        QCOMPARE(mode->isEnabled(), on);
    }

    ThresholdDialog d(&w);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    Operate(d.enableBox, how);
    QVERIFY(d.EnableChoice() && d.param1Edit->isEnabled() && d.rangeButton->isEnabled());
    Operate(d.rangeButton, how);
    QVERIFY(d.TypeChoice() == 2 && !d.param2Edit->isHidden());
    Operate(d.simpleButton, how);
    QVERIFY(d.TypeChoice() == 1 && d.param2Edit->isHidden());
  }

  void readsAsFieldsCountersAndAGridWithHeaders() {
    ProgramSession session;
    QVERIFY(session.Started());
    Press(Qt::Key_N, Qt::ControlModifier);
    DataWindow* w = session.Main()->ActiveDataWindow();
    QVERIFY(w);
    // The function drop-down reads as its choice; it has no caption of its own.
    QCOMPARE(Controls(w),
             QStringList({"edit Device ID",        "drop-down Coil status",  "edit Address",
                          "edit Length",           "drop-down Address base", "radio Decimal",
                          "radio Integer",         "radio Hexadecimal",      "radio Binary",
                          "radio 32bit float",     "radio 32bit sw. float",  "radio 64bit float",
                          "radio 64bit sw. float", "check box Enable",       "radio 1 char/reg",
                          "radio 2 char/reg",      "radio 2 char/reg sw",    "button Reset",
                          "drop-down Type",        "drop-down Order",        "check box Decode"}));
    QCOMPARE(QAccessible::queryAccessibleInterface(w->lengthEdit)->text(QAccessible::Value),
             QStringLiteral("10"));

    // Counters read as their counts, described by what they count.
    w->CountPoll();
    w->CountPoll();
    w->Record()->PublishError(mms::PollOutcome::Timeout);
    w->ShowLatestResult();
    const struct {
      QLabel* label;
      QString count;
      QString what;
    } counters[] = {{w->pollsLabel, "2", "Number of polls"},
                    {w->validLabel, "0", "Valid responses"},
                    {w->errorsLabel, "1", "Errors"}};
    for (const auto& c : counters) {
      QAccessibleInterface* node = QAccessible::queryAccessibleInterface(c.label);
      QCOMPARE(node->text(QAccessible::Name), c.count);
      QCOMPARE(node->text(QAccessible::Description), c.what);
      const auto labels = node->relations(QAccessible::Label);
      QVERIFY(!labels.isEmpty());
      QCOMPARE(labels[0].first->text(QAccessible::Name), c.what + QStringLiteral(" :"));
    }
    QCOMPARE(AccessibleName(w->errorTextLabel), QStringLiteral("Modbus message timeout"));

    // The grid is a table; the cell the arrows reach reads with its headers.
    std::vector<uint16_t> words(mms::kReadBufferSize);
    for (size_t k = 0; k < words.size(); ++k) words[k] = static_cast<uint16_t>(100 + k);
    w->FillGrid(words.data());
    QVERIFY(TabTo(QStringLiteral("Values")));
    QCOMPARE(QAccessible::queryAccessibleInterface(w->grid)->role(), QAccessible::Table);
    w->grid->setCurrentCell(0, 0);
    for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Down}) Press(key);
    const CellReading cell = FocusedCell(w);
    QCOMPARE(cell.text, QStringLiteral("102"));  // group 0, row 2: offset 2
    QCOMPARE(cell.column, QStringLiteral("0"));
    QCOMPARE(cell.row, QStringLiteral("2"));

    // An alias cell is edited in place from the keyboard.
    Press(Qt::Key_Left);
    Press(Qt::Key_Return);
    Type(QStringLiteral("Pump"));
    Press(Qt::Key_Return);
    QTRY_COMPARE(FocusedCell(w).text, QStringLiteral("Pump"));  // committed once Enter is through
    QCOMPARE(FocusedCell(w).column, QStringLiteral("Alias"));
  }

  void tabGoesRoundTheWindowAndOutOfTheGrid_data() {
    QTest::addColumn<int>("functionDowns");
    QTest::addColumn<bool>("ascii");
    QTest::addColumn<QStringList>("walk");
    QTest::newRow("coils") << 0 << false
                           << QStringList{"Device ID",    "Coil status", "Address", "Length",
                                          "Address base", "Enable",      "Reset",   "Values"};
    // The Order drop-down sits out while the type is a 16-bit one.
    QTest::newRow("registers, ASCII on")
        << 2 << true
        << QStringList{
               "Device ID", "Holding registers", "Address", "Length", "Address base", "Decimal",
               "Enable",    "1 char/reg",        "Reset",   "Values", "Type",         "Decode"};
  }
  void tabGoesRoundTheWindowAndOutOfTheGrid() {
    QFETCH(int, functionDowns);
    QFETCH(bool, ascii);
    QFETCH(QStringList, walk);
    ProgramSession session;
    QVERIFY(session.Started());
    DataWindow* w = NewWindowAtFirstValueCell(session.Main());
    QVERIFY(w);
    ChooseFunction(functionDowns);
    if (ascii) {
      QVERIFY(TabTo(QStringLiteral("Enable")));
      Press(Qt::Key_Space);
      QVERIFY(w->asciiEnableBox->isChecked());
    }
    QVERIFY(TabTo(QStringLiteral("Device ID")));
    QCOMPARE(TabWalk(), walk);
    // Shift+Tab from the grid goes back out of it too.
    QVERIFY(TabTo(QStringLiteral("Values")));
    Press(Qt::Key_Backtab);
    QCOMPARE(CaptionOf(QAccessible::queryAccessibleInterface(QApplication::focusWidget())),
             QStringLiteral("Reset"));
  }

  void enterOnARegisterCellWritesTheTypedValue() {
    ProgramSession session;
    QVERIFY(session.Started());
    DataWindow* w = NewWindowAtFirstValueCell(session.Main());
    QVERIFY(w);
    ChooseFunction(2);    // Holding registers
    Press(Qt::Key_Down);  // offset 1
    const auto record = session.Get().state.DataWindows.Slot(w->SlotIndex);

    QStringList controls, walk;
    QString focusedAtShow, selected;
    ModalScript script;
    script.Then([&](QWidget* dialog) {
      controls = Controls(dialog);
      QAccessibleInterface* value =
          QAccessible::queryAccessibleInterface(QApplication::focusWidget());
      focusedAtShow = CaptionOf(value);
      int start = 0, end = 0;
      if (QAccessibleTextInterface* text = value->textInterface();
          text && text->selectionCount() == 1) {
        text->selection(0, &start, &end);
        selected = text->text(start, end);
      }
      walk = TabWalk();
      Type(QStringLiteral("1234"));  // Tab selected the whole value again
      Press(Qt::Key_Return);
    });
    Press(Qt::Key_Return);
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(controls, QStringList({"edit Node", "edit Address", "edit Value", "button Update",
                                    "button Cancel"}));
    QCOMPARE(focusedAtShow, QStringLiteral("Value"));
    QCOMPARE(selected, QStringLiteral("0"));
    QCOMPARE(walk, QStringList({"Value", "Update", "Cancel", "Node", "Address"}));
    mms::WriteRequest request;
    QVERIFY(record->TakeWrite(&request));
    QCOMPARE(int(request.WriteFunction), 6);
    QCOMPARE(int(request.WriteAddress), 1);
    QCOMPARE(int(request.WriteCount), 1);
    QCOMPARE(int(request.WriteValues[0]), 1234);

    // Escape queues nothing, whatever was typed.
    QVERIFY(Reactivate(session.Main()));
    QCOMPARE(QApplication::focusWidget(), w->grid);
    script.Then([](QWidget*) {
      Type(QStringLiteral("99"));
      Press(Qt::Key_Escape);
    });
    Press(Qt::Key_Return);
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QVERIFY(!record->WritePending());
  }

  void enterOnACoilCellWritesTheChosenState() {
    ProgramSession session;
    QVERIFY(session.Started());
    DataWindow* w = NewWindowAtFirstValueCell(session.Main());
    QVERIFY(w);
    const auto record = session.Get().state.DataWindows.Slot(w->SlotIndex);

    QStringList controls, walk;
    ModalScript script;
    script.Then([&](QWidget* dialog) {
      controls = Controls(dialog);
      walk = TabWalk();
      TabTo(QStringLiteral("Off"));
      Press(Qt::Key_Down);  // arrows move the choice to On
      Press(Qt::Key_Return);
    });
    Press(Qt::Key_Return);
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(controls, QStringList({"edit Device ID", "edit Address", "radio Off", "radio On",
                                    "button Update", "button Cancel"}));
    // It opens on the On/Off choice, the only thing to choose.
    QCOMPARE(walk, QStringList({"Off", "Update", "Cancel", "Device ID", "Address"}));
    mms::WriteRequest request;
    QVERIFY(record->TakeWrite(&request));
    QCOMPARE(int(request.WriteFunction), 5);
    QCOMPARE(int(request.WriteValues[0]), 1);

    QVERIFY(Reactivate(session.Main()));
    script.Then([](QWidget*) { Press(Qt::Key_Escape); });
    Press(Qt::Key_Return);
    QTRY_VERIFY(script.Finished());
    QVERIFY(!record->WritePending());
  }

  void contextMenuKeyReachesTheThresholdDialog() {
    ProgramSession session;
    QVERIFY(session.Started());
    DataWindow* w = NewWindowAtFirstValueCell(session.Main());
    QVERIFY(w);
    const int col = 2, row = 1;

    QStringList simple, range, walk;
    ModalScript script;
    script.Then([&](QWidget* dialog) {
      simple = Controls(dialog);
      Press(Qt::Key_Space);  // the check box has the focus: threshold on
      walk = TabWalk();
      TabTo(QStringLiteral("Simple threshold"));
      Press(Qt::Key_Down);  // Range threshold
      range = Controls(dialog);
      TabTo(QStringLiteral("Low threshold"));
      Type(QStringLiteral("10"));
      Press(Qt::Key_Tab);
      Type(QStringLiteral("20"));
      Press(Qt::Key_Return);
    });
    PressMenuKey();
    QVERIFY(w->cellMenu->isVisible());
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    QCOMPARE(w->cellMenu->activeAction(), w->defineThresholdAction);
    Press(Qt::Key_Return);
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(simple,
             QStringList({"check box Enable threshold display", "radio Simple threshold",
                          "radio Range threshold", "edit Threshold value", "drop-down Below color",
                          "drop-down Above color", "button Update", "button Cancel"}));
    QCOMPARE(walk, QStringList({"Enable threshold display", "Simple threshold", "Threshold value",
                                "Below color", "Above color", "Update", "Cancel"}));
    QCOMPARE(range,
             QStringList({"check box Enable threshold display", "radio Simple threshold",
                          "radio Range threshold", "edit Low threshold", "edit High threshold",
                          "drop-down Outside range color", "drop-down Inside range color",
                          "button Update", "button Cancel"}));
    mms::CellThreshold rule = w->Model().Threshold(col, row);
    QCOMPARE(int(rule.ThresholdEnable), 1);
    QCOMPARE(rule.ThresholdType, 2);
    QCOMPARE(rule.ThresholdL, 10);
    QCOMPARE(rule.ThresholdH, 20);

    // The menu opens again once a cell is selected anew; Escape in the
    // dialog stores nothing, and Enter on the focused Cancel cancels too.
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
      QVERIFY(Reactivate(session.Main()));
      Press(Qt::Key_Down);
      Press(Qt::Key_Up);
      script.Then([key](QWidget*) {
        Press(Qt::Key_Space);  // threshold off
        if (key == Qt::Key_Return) TabTo(QStringLiteral("Cancel"));
        Press(key);
      });
      PressMenuKey();
      Press(Qt::Key_Down);
      Press(Qt::Key_Down);
      Press(Qt::Key_Return);
      QTRY_VERIFY(script.Finished());
      QVERIFY(script.Stuck().isEmpty());
      QCOMPARE(int(w->Model().Threshold(col, row).ThresholdEnable), 1);
    }
  }

  void colourDialogIsQtsOwnAndEscapeKeepsTheColour_data() {
    QTest::addColumn<bool>("shiftF10");
    QTest::newRow("context-menu key") << false;
    QTest::newRow("Shift+F10") << true;
  }
  void colourDialogIsQtsOwnAndEscapeKeepsTheColour() {
    QFETCH(bool, shiftF10);
    ProgramSession session;
    QVERIFY(session.Started());
    DataWindow* w = NewWindowAtFirstValueCell(session.Main());
    QVERIFY(w);
    const int32_t before = w->Model().BgColor(2, 1);
    bool widgetDialog = false;
    QStringList buttons;
    ModalScript script;
    script.Then([&](QWidget* dialog) {
      auto* colours = qobject_cast<QColorDialog*>(dialog);
      widgetDialog = colours && colours->testOption(QColorDialog::DontUseNativeDialog);
      buttons = AccessibleNames(dialog, QAccessible::Button);
      Press(Qt::Key_Escape);
    });
    if (shiftF10) {
      Press(Qt::Key_F10, Qt::ShiftModifier);
    } else {
      PressMenuKey();
    }
    QVERIFY(w->cellMenu->isVisible());
    Press(Qt::Key_Down);
    QCOMPARE(w->cellMenu->activeAction(), w->backgroundColourAction);
    Press(Qt::Key_Return);
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QVERIFY(widgetDialog);
    QVERIFY(buttons.contains(QStringLiteral("OK")) && buttons.contains(QStringLiteral("Cancel")));
    QCOMPARE(w->Model().BgColor(2, 1), before);
  }
};

int RunDataWindowAccessTests(int argc, char** argv) {
  DataWindowAccessTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "DataWindowAccessTest.moc"
