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
  FitControls();
  resize(sizeHint());
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
  const std::string text = addressEdit->text().toStdString();
  if (!text.empty()) {
    if (addressBase_ == mms::AddressBase::Zero) {
      int32_t value = 0;
      if (!ConvertEdit(addressEdit, &value)) return;
      record_->SetAddress(static_cast<uint16_t>(value));
    } else {
      // Typing on: AddressEditingFinished refuses what is left unfinished.
      const std::optional<uint16_t> address = mms::TryProtocolAddress(text, AddressShownAs());
      if (!address) return;
      record_->SetAddress(*address);
    }
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
  // Modicon addresses carry the function in their first digit.
  if (addressBase_ == mms::AddressBase::Modicon) {
    ShowAddress();
    RebuildGrid();
  }
  UpdateDecodeInspector();
}

void DataWindow::EnableFormats() {
  for (QAbstractButton* b : formats_->buttons()) b->setEnabled(true);
  typeBox->setEnabled(true);
  decodeButton->setEnabled(true);
  ShowFormat();
}

void DataWindow::DisableFormats() {
  for (QAbstractButton* b : formats_->buttons()) b->setEnabled(false);
  for (QWidget* w : {static_cast<QWidget*>(typeBox), static_cast<QWidget*>(orderBox),
                     static_cast<QWidget*>(decodeButton)}) {
    w->setEnabled(false);
  }
}

void DataWindow::AsciiEnableToggled() {
  const bool on = asciiEnableBox->isChecked();
  for (QRadioButton* b : {oneCharButton, twoCharButton, twoCharSwappedButton}) b->setEnabled(on);
}

void DataWindow::ResetCounters() {
  record_->ResetCounters();
  ShowLatestResult();
}

// --- Window files and geometry ---------------------------------------------

QWidget* DataWindow::Frame() const {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
  return const_cast<DataWindow*>(this);
}

QRect DataWindow::WindowGeometry() const { return Frame()->geometry(); }

void DataWindow::SetWindowGeometry(int width, int height, int top, int left) {
  // A file may carry any number; keep the window within what can be shown,
  // and no smaller than its form needs.
  constexpr int kMaxExtent = 16384;
  QWidget* frame = Frame();
  const QSize least = frame->minimumSizeHint().boundedTo(QSize(kMaxExtent, kMaxExtent));
  frame->resize(std::clamp(width, std::max(1, least.width()), kMaxExtent), frame->height());
  frame->resize(frame->width(), std::clamp(height, std::max(1, least.height()), kMaxExtent));
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
  file.Display = mms::WindowDisplay{encoding_, Ascii(), addressBase_};
  file.SingleWriteFunction = SingleWriteFunction();
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
  // The base first, so that the address text reads in it.
  SetAddressBase(file.Display.Base);
  SetFormat(file.Display.Encoding);
  asciiEnableBox->setChecked(file.Display.Ascii.Enabled);
  QRadioButton* modes[] = {oneCharButton, twoCharButton, twoCharSwappedButton};
  modes[static_cast<int>(file.Display.Ascii.Mode)]->setChecked(true);
  AsciiEnableToggled();
  function16Action->setChecked(file.SingleWriteFunction == 16);
  deviceIdEdit->setText(QString::number(file.DeviceID));
  addressEdit->setText(QString::fromStdString(mms::AddressText(file.Address, AddressShownAs())));
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
