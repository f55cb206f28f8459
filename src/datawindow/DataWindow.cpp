#include "datawindow/DataWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
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

DataWindow::DataWindow(mms::WindowTable* table, QWidget* parent) : QWidget(parent), table_(table) {
  BuildControls();
  BuildGrid();
  resize(697, 452);
  // As at creation: the length edit's change handler lays out the grid.
  lengthEdit->setText(QStringLiteral("10"));
  RebuildGrid();
  DisableFormats();
}

DataWindow::~DataWindow() = default;

bool DataWindow::ConvertEdit(QLineEdit* edit, int32_t* value) {
  const std::string text = edit->text().toStdString();
  return RunCommand(this, [&] { *value = mms::StrToInt(text); });
}

void DataWindow::DeviceIdChanged() {
  int32_t value = 0;
  if (deviceIdEdit->text().isEmpty() || !ConvertEdit(deviceIdEdit, &value)) return;
  record_->SetDeviceID(static_cast<uint8_t>(value));
}

void DataWindow::AddressChanged() {
  int32_t value = 0;
  if (!addressEdit->text().isEmpty()) {
    if (!ConvertEdit(addressEdit, &value)) return;
    record_->SetAddress(static_cast<uint16_t>(value));
  }
  RebuildGrid();
}

void DataWindow::LengthChanged() {
  int32_t value = 0;
  if (!lengthEdit->text().isEmpty()) {
    if (!ConvertEdit(lengthEdit, &value)) return;
    record_->SetLength(static_cast<uint16_t>(value));
  }
  RebuildGrid();
}

void DataWindow::FunctionChanged() {
  const int index = functionBox->currentIndex();
  if (index < 0) return;
  record_->SetFunction(static_cast<uint8_t>(index + 1));
  if (index < 2) {
    DisableFormats();
  } else {
    EnableFormats();
  }
}

void DataWindow::EnableFormats() {
  for (QAbstractButton* b : formats_->buttons()) b->setEnabled(true);
}

void DataWindow::DisableFormats() {
  for (QAbstractButton* b : formats_->buttons()) b->setEnabled(false);
}

void DataWindow::AsciiEnableToggled() {
  const bool on = asciiEnableBox->isChecked();
  for (QRadioButton* b : {oneCharButton, twoCharButton, twoCharSwappedButton}) b->setEnabled(on);
}

void DataWindow::ResetCounters() {
  model_.ResetCounters();
  ShowCounters();
}

// --- Window files and geometry ---------------------------------------------

QWidget* DataWindow::Frame() const {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
  return const_cast<DataWindow*>(this);
}

QRect DataWindow::WindowGeometry() const { return Frame()->geometry(); }

void DataWindow::SetWindowGeometry(int width, int height, int top, int left) {
  // A file may carry any number; keep the window within what can be shown.
  constexpr int kMaxExtent = 16384;
  QWidget* frame = Frame();
  frame->resize(std::clamp(width, 1, kMaxExtent), frame->height());
  frame->resize(frame->width(), std::clamp(height, 1, kMaxExtent));
  frame->move(frame->x(), std::clamp(top, -kMaxExtent, kMaxExtent));
  frame->move(std::clamp(left, -kMaxExtent, kMaxExtent), frame->y());
}

mms::WindowFile DataWindow::ToWindowFile() const {
  mms::WindowFile file;
  const mms::PollDefinition poll = record_->Poll();
  file.DeviceID = poll.DeviceID;
  file.Address = poll.Address;
  file.Length = poll.Length;
  file.Function = poll.Function;
  const QRect geometry = WindowGeometry();
  file.Width = geometry.width();
  file.Height = geometry.height();
  file.Top = geometry.top();
  file.Left = geometry.left();
  for (int n = 0; n < file.StoredOffsets(); ++n) {
    file.Alias[n] = model_.AliasShownAt(n);
    file.BgColor[n] = model_.BgColorAt(n);
    file.Threshold[n] = model_.ThresholdAt(n);
  }
  return file;
}

void DataWindow::ApplyWindowFile(const mms::WindowFile& file) {
  record_->SetDeviceID(file.DeviceID);
  record_->SetAddress(file.Address);
  record_->SetLength(file.Length);
  record_->SetFunction(file.Function);
  deviceIdEdit->setText(QString::number(file.DeviceID));
  addressEdit->setText(QString::number(file.Address));
  lengthEdit->setText(QString::number(file.Length));
  SetWindowGeometry(file.Width, file.Height, file.Top, file.Left);
  {
    const QSignalBlocker blocker(functionBox);
    functionBox->setCurrentIndex(file.Function >= 1 && file.Function <= 4 ? file.Function - 1 : -1);
  }
  if (file.Function == 3 || file.Function == 4) {
    EnableFormats();
  } else {
    DisableFormats();
  }
  for (int n = 0; n < file.StoredOffsets(); ++n) {
    model_.SetAlias(n, file.Alias[n]);
    model_.SetBgColorAt(n, file.BgColor[n]);
    model_.SetThresholdAt(n, file.Threshold[n]);
  }
  RebuildGrid();
}

void DataWindow::closeEvent(QCloseEvent* event) {
  if (table_ && SlotIndex >= 0) table_->Empty(SlotIndex);
  QWidget::closeEvent(event);
}
