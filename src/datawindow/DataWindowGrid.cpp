// Polls shown in the grid, and the grid's cell commands (selection, write, colours).
#include "datawindow/DataWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "common/Conversions.h"
#include "common/WindowTable.h"
#include "datawindow/ThresholdDialog.h"
#include "datawindow/WindowFile.h"
#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"
#include "ui/ColourPickList.h"
#include "ui/DecimalSeparator.h"
#include "ui/ErrorBox.h"

using mms::DisplayFormat;

void DataWindow::FillGrid(const uint16_t* words) {
  if (!words) return;
  record_->PublishValues(record_->Poll(), words);
  ShowLatestResult();
}

void DataWindow::CountPoll() {
  record_->CountPoll();
  ShowLatestResult();
}

void DataWindow::ShowLatestResult() {
  const uint64_t shownValues = result_.ValuesSequence;
  if (!record_->TakeResult(&result_)) return;
  model_.SetCounters(result_.Polls, result_.Valid, result_.Errors);
  if (result_.ValuesSequence != shownValues) ShowPolledValues();
  if (result_.Last == mms::PollOutcome::Timeout) model_.ShowTimeout();
  if (result_.Last == mms::PollOutcome::InvalidReply)
    model_.ShowInvalidReply(result_.ExceptionCode);
  if (result_.Last == mms::PollOutcome::BroadcastSent) model_.ShowBroadcastSent();
  if (result_.Last == mms::PollOutcome::BroadcastRead) model_.ShowBroadcastRead();
  ShowCounters();
}

void DataWindow::ShowPolledValues() {
  // Words polled for another address or function (the definition changed
  // since) are not this window's values.
  const mms::PollDefinition now = record_->Poll();
  const bool current =
      result_.Request.Function == now.Function && result_.Request.Address == now.Address;
  model_.FillGrid(result_.Values.data(), current ? result_.ValueCount : 0,
                  mms::CellFormat{Format(), Ascii(), DecimalSeparator()});
  SyncValueCells(true);
  UpdateDecodeInspector();
}

namespace {

// A label whose size never changes with its text asks no relayout of the
// window (and of its frame, which re-measures the elided title) each time a
// count or a time changes. It is sized in digits (all the texts are numbers),
// and widens by a few at once only when a text outgrows it, so no text is
// measured as it counts. It stays transparent: an opaque one would show as a
// lighter box on the group box's tinted face.
void SetSteadyText(QLabel* label, const QString& text) {
  if (text == label->text()) return;
  const int digit = label->fontMetrics().horizontalAdvance(QLatin1Char('8'));
  const int width = static_cast<int>(text.size()) * digit;
  if (label->minimumWidth() != label->maximumWidth() || width > label->maximumWidth()) {
    label->setFixedSize(std::max(width + 3 * digit, 8 * digit), label->sizeHint().height());
  }
  label->setText(text);
}

void SetCount(QLabel* label, uint64_t count) { SetSteadyText(label, QString::number(count)); }

}  // namespace

void DataWindow::ShowCounters() {
  SetCount(pollsLabel, model_.Polls());
  SetCount(validLabel, model_.ValidResponses());
  SetCount(errorsLabel, model_.Errors());
  errorTextLabel->setText(QString::fromStdString(model_.ErrorText()));
  SetSteadyText(responseTimeLabel, QString::fromStdString(mms::LastResponseText(result_.Response)));
  SetSteadyText(responseRangeLabel,
                QString::fromStdString(mms::ResponseRangeText(result_.Response)));
  const QString spoken = QString::fromStdString(mms::ResponseTimesSpoken(result_.Response));
  if (spoken != responseTimeLabel->accessibleDescription()) {
    responseTimeLabel->setAccessibleDescription(spoken);
    responseRangeLabel->setAccessibleDescription(spoken);
  }
}

mms::AsciiOptions DataWindow::Ascii() const {
  mms::AsciiOptions options;
  options.Enabled = asciiEnableBox->isChecked();
  options.Mode = twoCharButton->isChecked()          ? mms::AsciiMode::TwoChar
                 : twoCharSwappedButton->isChecked() ? mms::AsciiMode::TwoCharSwapped
                                                     : mms::AsciiMode::OneChar;
  return options;
}

// --- Grid ------------------------------------------------------------------

void DataWindow::RebuildGrid() {
  const mms::PollDefinition poll = record_->Poll();
  if (model_.RebuildGrid(poll.Address, poll.Length, AddressShownAs())) SyncGridLayout();
  UpdateDecodeInspector();
}

void DataWindow::SyncGridLayout() {
  const QSignalBlocker blocker(grid);
  syncing_ = true;
  grid->clearContents();
  grid->setColumnCount(model_.ColumnCount() - 1);
  for (int c = 1; c < model_.ColumnCount(); ++c) {
    auto* header = new QTableWidgetItem(QString::fromStdString(model_.CellText(c, 0)));
    grid->setHorizontalHeaderItem(c - 1, header);
    grid->setColumnWidth(c - 1, model_.ColumnWidth(c));
    for (int r = 1; r < mms::kGridRows; ++r) {
      grid->setItem(r - 1, c - 1,
                    new QTableWidgetItem(QString::fromStdString(model_.CellText(c, r))));
    }
  }
  FitValueColumns();
  syncing_ = false;
}

void DataWindow::SyncValueCells(bool rewrittenOnly) {
  const QSignalBlocker blocker(grid);
  syncing_ = true;
  for (int g = 0; g < model_.GroupCount(); ++g) {
    const int col = 2 * g + 2;
    for (int r = 1; r < mms::kGridRows; ++r) {
      if (rewrittenOnly && !model_.CellRewritten(col, r)) continue;
      QTableWidgetItem* item = grid->item(r - 1, col - 1);
      const QString text = QString::fromStdString(model_.CellText(col, r));
      if (item) {
        item->setText(text);
      } else {
        grid->setItem(r - 1, col - 1, new QTableWidgetItem(text));
      }
    }
  }
  syncing_ = false;
}

void DataWindow::GridItemChanged(int tableRow, int tableCol) {
  if (syncing_) return;
  const QTableWidgetItem* item = grid->item(tableRow, tableCol);
  model_.SetCellText(tableCol + 1, tableRow + 1, item ? item->text().toStdString() : "");
}

void DataWindow::GridCellSelected(int col, int row) {
  mms::SelectCell(col, row, record_->Poll().Address);
  popupArmed_ = true;
  UpdateDecodeInspector();
}

void DataWindow::CellMenuAboutToShow() { popupArmed_ = false; }

bool DataWindow::RequestPopup(const QPoint& globalPos) {
  if (!popupArmed_) return false;
  CellMenuAboutToShow();
  cellMenu->popup(globalPos);
  return true;
}

void DataWindow::GridEnter() {
  const QModelIndex current = grid->currentIndex();
  const int col = current.column() + 1;
  GridCellSelected(col, current.row() + 1);
  if (mms::IsValueColumn(col)) {
    GridDoubleClicked();
  } else {
    grid->edit(current);
  }
}

void DataWindow::GridDoubleClicked() {
  ShowLatestResult();  // the dialog opens on the device's latest answer
  const mms::PollDefinition poll = record_->Poll();
  const std::optional<mms::WriteTarget> target =
      model_.DoubleClickTarget(poll.Function, poll.Address);
  if (!target) return;
  if (target->Coil) {
    if (!gWriteCoilDialog) return;
    gWriteCoilDialog->WriteFunction = 5;
    gWriteCoilDialog->WriteAddress = target->Address;
    gWriteCoilDialog->DeviceID = poll.DeviceID;
    gWriteCoilDialog->Address = target->Address;
    gWriteCoilDialog->Value = target->Value;
    gWriteCoilDialog->AddressShownAs = AddressShownAs();
    gWriteCoilDialog->SlotIndex = SlotIndex;
    gWriteCoilDialog->exec();
  } else {
    if (!gWriteRegisterDialog) return;
    gWriteRegisterDialog->WriteFunction = 6;
    gWriteRegisterDialog->WriteAddress = target->Address;
    gWriteRegisterDialog->DeviceID = poll.DeviceID;
    gWriteRegisterDialog->Address = target->Address;
    gWriteRegisterDialog->Value = target->Value;
    gWriteRegisterDialog->FollowingWords = target->FollowingWords;
    gWriteRegisterDialog->AddressShownAs = AddressShownAs();
    gWriteRegisterDialog->SlotIndex = SlotIndex;
    gWriteRegisterDialog->Format = Format();
    gWriteRegisterDialog->SingleWriteFunction = SingleWriteFunction();
    gWriteRegisterDialog->exec();
  }
}

void DataWindow::SetBackgroundColour() {
  const int col = mms::SelectedCol;
  const int row = mms::SelectedRow;
  if (!colourDialog) {  // made on first use: most windows never need one
    colourDialog = new QColorDialog(this);
    colourDialog->setObjectName(QStringLiteral("colourDialog"));
    // Qt's own dialog, which screen readers and the keyboard reach like every other window.
    colourDialog->setOption(QColorDialog::DontUseNativeDialog);
  }
  colourDialog->setCurrentColor(ColourToQColor(model_.BgColor(col, row), palette()));
  if (colourDialog->exec() != QDialog::Accepted) return;
  model_.SetBgColor(col, row, QColorToColour(colourDialog->selectedColor()));
  grid->viewport()->update();
}

void DataWindow::DefineThreshold() {
  // The dialog lives for the whole run; make it if start-up did not.
  if (!gThresholdDialog) gThresholdDialog = new ThresholdDialog(window());
  gThresholdDialog->SlotIndex = SlotIndex;
  gThresholdDialog->Col = mms::SelectedCol;
  gThresholdDialog->Row = mms::SelectedRow;
  gThresholdDialog->SetWindow(this);
  gThresholdDialog->exec();
  if (gThresholdDialog) gThresholdDialog->SetWindow(nullptr);
  grid->viewport()->update();
}

// --- Poll definition -------------------------------------------------------
