// The data window's write commands beyond the double-click: a range of
// coils or registers in one request, mask write and read/write, and the
// function that writes one register.
#include <QAction>
#include <QMenu>
#include <QTableWidget>
#include <algorithm>
#include <vector>

#include "common/WindowTable.h"
#include "datawindow/DataWindow.h"
#include "datawindow/MaskReadWriteDialog.h"
#include "datawindow/RangeWrite.h"
#include "datawindow/RangeWriteDialog.h"
#include "ui/ErrorBox.h"

namespace {

// The offsets from the first to the last selected value cell, or the
// current cell's alone; {-1, -1} when no value cell is meant.
std::pair<int, int> SelectedOffsets(const QTableWidget& grid) {
  int first = -1;
  int last = -1;
  const auto take = [&](int tableRow, int tableCol) {
    const int col = tableCol + 1;
    if (!mms::IsValueColumn(col)) return;
    const int offset = (col - 2) / 2 * 10 + tableRow;
    first = first < 0 ? offset : std::min(first, offset);
    last = std::max(last, offset);
  };
  for (const QTableWidgetSelectionRange& range : grid.selectedRanges()) {
    for (int r = range.topRow(); r <= range.bottomRow(); ++r) {
      for (int c = range.leftColumn(); c <= range.rightColumn(); ++c) take(r, c);
    }
  }
  if (first < 0 && grid.currentIndex().isValid()) {
    take(grid.currentIndex().row(), grid.currentIndex().column());
  }
  return {first, last};
}

}  // namespace

void DataWindow::BuildWriteActions() {
  cellMenu->addSeparator();
  writeRangeAction = cellMenu->addAction(QStringLiteral("&Write selected values..."));
  writeRangeAction->setObjectName(QStringLiteral("writeRangeAction"));
  writeRangeAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+W")));
  writeRangeAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  grid->addAction(writeRangeAction);  // the shortcut works while the grid has focus
  maskWriteAction = cellMenu->addAction(QStringLiteral("&Mask write register..."));
  readWriteAction = cellMenu->addAction(QStringLiteral("&Read/write registers..."));
  function16Action =
      cellMenu->addAction(QStringLiteral("Write single registers with function &16"));
  function16Action->setObjectName(QStringLiteral("function16Action"));
  function16Action->setCheckable(true);
  connect(writeRangeAction, &QAction::triggered, this, [this] { WriteRangeClicked(); });
  connect(maskWriteAction, &QAction::triggered, this, [this] { MaskReadWriteClicked(22); });
  connect(readWriteAction, &QAction::triggered, this, [this] { MaskReadWriteClicked(23); });
  // Only holding registers take these; coils take the range write alone.
  // The range write's shortcut outlives the menu, so it is enabled again.
  connect(cellMenu, &QMenu::aboutToHide, this, [this] { writeRangeAction->setEnabled(true); });
  connect(cellMenu, &QMenu::aboutToShow, this, [this] {
    const uint8_t function = record_->Poll().Function;
    writeRangeAction->setEnabled(function == 1 || function == 3);
    for (QAction* action : {maskWriteAction, readWriteAction, function16Action}) {
      action->setEnabled(function == 3);
    }
  });
}

uint8_t DataWindow::SingleWriteFunction() const {
  return function16Action && function16Action->isChecked() ? 16 : 6;
}

void DataWindow::WriteRangeClicked() {
  ShowLatestResult();  // the dialog opens on the device's latest answer
  const mms::PollDefinition poll = record_->Poll();
  if (poll.Function != 1 && poll.Function != 3) {
    ShowErrorBox(this, QStringLiteral("Only coils and holding registers can be written"));
    return;
  }
  const auto [first, last] = SelectedOffsets(*grid);
  if (first < 0) {
    ShowErrorBox(this, QStringLiteral("Select the value cells to write"));
    return;
  }
  RangeWriteDialog dialog(window());
  dialog.SetWindowTable(table_);
  dialog.SlotIndex = SlotIndex;
  dialog.Coils = poll.Function == 1;
  dialog.DeviceID = poll.DeviceID;
  dialog.Address = dialog.WriteAddress = static_cast<uint16_t>(poll.Address + first);
  dialog.AddressShownAs = AddressShownAs();
  dialog.Format = Format();
  dialog.Count = last - first + 1;
  dialog.Words.resize(mms::kMaxRangeRegisters);
  dialog.Words.resize(static_cast<size_t>(
      model_.PolledWords(first, dialog.Words.data(), static_cast<int>(dialog.Words.size()))));
  dialog.exec();
}

void DataWindow::MaskReadWriteClicked(int function) {
  ShowLatestResult();
  const mms::PollDefinition poll = record_->Poll();
  if (poll.Function != 3) {
    ShowErrorBox(this, QStringLiteral("Only holding registers can be written"));
    return;
  }
  const int offset = std::max(SelectedOffsets(*grid).first, 0);
  MaskReadWriteDialog dialog(window());
  dialog.SetWindowTable(table_);
  dialog.SlotIndex = SlotIndex;
  dialog.DeviceID = poll.DeviceID;
  dialog.Address = dialog.WriteAddress = static_cast<uint16_t>(poll.Address + offset);
  dialog.Value = model_.PolledValue(offset);
  model_.PolledWords(offset, dialog.Words.data(), static_cast<int>(dialog.Words.size()));
  dialog.AddressShownAs = AddressShownAs();
  dialog.Format = Format();
  dialog.ShowTab(function);
  dialog.exec();
}
