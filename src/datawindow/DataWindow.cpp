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

#include "datawindow/ThresholdDialog.h"
#include "datawindow/WindowFile.h"
#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"
#include "common/Conversions.h"
#include "common/WindowTable.h"
#include "ui/ColourPickList.h"
#include "ui/DecimalSeparator.h"
#include "ui/ErrorBox.h"

namespace {

using mms::DisplayFormat;

// The grid: right presses do not move the selection (so the context menu
// stays tied to the cell selected before), Enter acts on the current cell,
// Shift+F10 asks for the context menu there.
class DataGrid : public QTableWidget {
 public:
  using QTableWidget::QTableWidget;
  std::function<void()> onEnter;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::RightButton) {
      event->accept();
      return;
    }
    QTableWidget::mousePressEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    // Shift+F10 is the context-menu key of keyboards that have none.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier &&
        state() != QAbstractItemView::EditingState && currentIndex().isValid()) {
      emit customContextMenuRequested(visualRect(currentIndex()).center());
      event->accept();
      return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() != QAbstractItemView::EditingState && currentIndex().isValid() && onEnter) {
      onEnter();
      event->accept();
      return;
    }
    QTableWidget::keyPressEvent(event);
  }
};

// Paints each value and alias cell in its fill colour, text in black 2 px in.
class CellPainter : public QStyledItemDelegate {
 public:
  CellPainter(const mms::DataWindowModel& model, QObject* parent)
      : QStyledItemDelegate(parent), model_(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const int col = index.column() + 1;
    const int row = index.row() + 1;
    const std::optional<int32_t> fill = model_.FillColor(col, row);
    if (!fill) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->save();
    painter->fillRect(option.rect, ColourToQColor(*fill, option.palette));
    painter->setPen(Qt::black);
    painter->setFont(option.font);
    const QRect textRect = option.rect.adjusted(2, 2, 0, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    // The fill hides the usual highlight; a frame keeps the selection visible.
    if (option.state & QStyle::State_Selected) {
      QPen pen(option.palette.color(QPalette::Highlight));
      pen.setWidth(2);
      painter->setPen(pen);
      painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
    }
    painter->restore();
  }

 private:
  const mms::DataWindowModel& model_;
};

QLabel* Caption(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

QRadioButton* Radio(const QString& text, const char* name) {
  auto* button = new QRadioButton(text);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

DataWindow::DataWindow(mms::WindowTable* table, QWidget* parent) : QWidget(parent), table_(table) {
  BuildControls();
  BuildGrid();
  resize(697, 452);
  // FormCreate: the length edit's change handler lays out the grid.
  lengthEdit->setText(QStringLiteral("10"));
  RebuildGrid();
  DisableFormats();
}

DataWindow::~DataWindow() = default;

void DataWindow::BuildControls() {
  deviceSettingsGroup = new QGroupBox(QStringLiteral("Device Settings"));
  deviceIdEdit = new QLineEdit(QStringLiteral("1"));
  deviceIdEdit->setObjectName(QStringLiteral("deviceIdEdit"));
  deviceIdEdit->setAccessibleName(QStringLiteral("Device ID"));
  functionBox = new QComboBox;
  functionBox->setObjectName(QStringLiteral("functionBox"));
  functionBox->addItems({QStringLiteral("Coil status"), QStringLiteral("Input status"),
                       QStringLiteral("Holding registers"), QStringLiteral("Input registers")});
  functionBox->setCurrentIndex(0);
  functionBox->setAccessibleName(QStringLiteral("Function"));
  addressEdit = new QLineEdit(QStringLiteral("0"));
  addressEdit->setObjectName(QStringLiteral("addressEdit"));
  addressEdit->setAccessibleName(QStringLiteral("Address"));
  lengthEdit = new QLineEdit;
  lengthEdit->setObjectName(QStringLiteral("lengthEdit"));
  lengthEdit->setAccessibleName(QStringLiteral("Length"));
  errorTextLabel = new QLabel;
  errorTextLabel->setObjectName(QStringLiteral("errorTextLabel"));
  errorTextLabel->setStyleSheet(QStringLiteral("QLabel { color: red; font-weight: bold; }"));
  errorTextLabel->setAccessibleDescription(QStringLiteral("Poll error"));
  for (QLineEdit* edit : {deviceIdEdit, addressEdit, lengthEdit}) edit->setMaximumWidth(70);

  auto* device = new QGridLayout(deviceSettingsGroup);
  device->addWidget(Caption(QStringLiteral("Device ID "), deviceIdEdit), 0, 0);
  device->addWidget(deviceIdEdit, 0, 1);
  device->addWidget(functionBox, 0, 2, 1, 2);
  device->addWidget(Caption(QStringLiteral("Address"), addressEdit), 1, 0);
  device->addWidget(addressEdit, 1, 1);
  device->addWidget(Caption(QStringLiteral("Length"), lengthEdit), 1, 2);
  device->addWidget(lengthEdit, 1, 3);
  device->addWidget(errorTextLabel, 2, 0, 1, 4);

  displayOptionsGroup = new QGroupBox(QStringLiteral("Display options"));
  decimalButton = Radio(QStringLiteral("Decimal"), "decimalButton");
  integerButton = Radio(QStringLiteral("Integer"), "integerButton");
  hexadecimalButton = Radio(QStringLiteral("Hexadecimal"), "hexadecimalButton");
  binaryButton = Radio(QStringLiteral("Binary"), "binaryButton");
  floatButton = Radio(QStringLiteral("32bit float"), "floatButton");
  swappedFloatButton = Radio(QStringLiteral("32bit sw. float"), "swappedFloatButton");
  doubleButton = Radio(QStringLiteral("64bit float"), "doubleButton");
  swappedDoubleButton = Radio(QStringLiteral("64bit sw. float"), "swappedDoubleButton");
  formats_ = new QButtonGroup(this);
  auto* display = new QGridLayout(displayOptionsGroup);
  QRadioButton* buttons[] = {decimalButton, integerButton, hexadecimalButton, binaryButton,
                             floatButton,   swappedFloatButton, doubleButton,      swappedDoubleButton};
  for (int i = 0; i < 8; ++i) {
    formats_->addButton(buttons[i], i);
    display->addWidget(buttons[i], i % 4, i / 4);
  }
  decimalButton->setChecked(true);

  asciiGroup = new QGroupBox(QStringLiteral("ASCII display"));
  asciiEnableBox = new QCheckBox(QStringLiteral("Enable"));
  asciiEnableBox->setObjectName(QStringLiteral("asciiEnableBox"));
  oneCharButton = Radio(QStringLiteral("1 char/reg"), "oneCharButton");
  twoCharButton = Radio(QStringLiteral("2 char/reg"), "twoCharButton");
  twoCharSwappedButton = Radio(QStringLiteral("2 char/reg sw"), "twoCharSwappedButton");
  auto* asciiButtons = new QButtonGroup(this);
  auto* ascii = new QVBoxLayout(asciiGroup);
  ascii->addWidget(asciiEnableBox);
  for (QRadioButton* b : {oneCharButton, twoCharButton, twoCharSwappedButton}) {
    asciiButtons->addButton(b);
    ascii->addWidget(b);
    b->setEnabled(false);
  }
  oneCharButton->setChecked(true);

  frameCountersGroup = new QGroupBox(QStringLiteral("Frame counters"));
  pollsLabel = new QLabel(QStringLiteral("0"));
  pollsLabel->setObjectName(QStringLiteral("pollsLabel"));
  validLabel = new QLabel(QStringLiteral("0"));
  validLabel->setObjectName(QStringLiteral("validLabel"));
  errorsLabel = new QLabel(QStringLiteral("0"));
  errorsLabel->setObjectName(QStringLiteral("errorsLabel"));
  resetButton = new QPushButton(QStringLiteral("Reset"));
  resetButton->setObjectName(QStringLiteral("resetButton"));
  auto* counters = new QGridLayout(frameCountersGroup);
  const QString captions[] = {QStringLiteral("Number of polls :"),
                              QStringLiteral("Valid responses :"), QStringLiteral("Errors :")};
  QLabel* values[] = {pollsLabel, validLabel, errorsLabel};
  for (int i = 0; i < 3; ++i) {
    counters->addWidget(Caption(captions[i], values[i]), i, 0);
    counters->addWidget(values[i], i, 1);
    // The count itself stays the label's accessible name; the caption says what it counts.
    values[i]->setAccessibleDescription(captions[i].chopped(2));
  }
  counters->addWidget(resetButton, 3, 0, 1, 2);

  auto* groups = new QHBoxLayout;
  groups->addWidget(deviceSettingsGroup);
  groups->addWidget(displayOptionsGroup);
  groups->addWidget(asciiGroup);
  groups->addWidget(frameCountersGroup);
  groups->addStretch();
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->addLayout(groups);

  connect(deviceIdEdit, &QLineEdit::textChanged, this, [this] { DeviceIdChanged(); });
  connect(addressEdit, &QLineEdit::textChanged, this, [this] { AddressChanged(); });
  connect(lengthEdit, &QLineEdit::textChanged, this, [this] { LengthChanged(); });
  connect(functionBox, &QComboBox::activated, this, [this] { FunctionChanged(); });
  connect(asciiEnableBox, &QCheckBox::clicked, this, [this] { AsciiEnableClicked(); });
  connect(resetButton, &QPushButton::clicked, this, [this] { ResetCounters(); });
}

void DataWindow::BuildGrid() {
  auto* table = new DataGrid(this);
  grid = table;
  grid->setObjectName(QStringLiteral("grid"));
  grid->setAccessibleName(QStringLiteral("Values"));
  grid->setRowCount(mms::kGridRows - 1);
  grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  // A double-click is the write command on value cells, so it is no edit trigger.
  grid->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  grid->setItemDelegate(new CellPainter(model_, grid));
  grid->setWordWrap(false);
  // Arrows move between cells; Tab leaves the grid, so the keyboard is never caught in it.
  grid->setTabKeyNavigation(false);
  grid->horizontalHeader()->setDefaultSectionSize(mms::kDefaultColumnWidth);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid->verticalHeader()->setFixedWidth(mms::kDefaultColumnWidth);
  grid->verticalHeader()->setDefaultSectionSize(
      std::max(16, grid->fontMetrics().height() + 4));
  QStringList rowHeaders;
  for (int r = 1; r < mms::kGridRows; ++r) rowHeaders << QString::number(r - 1);
  grid->setVerticalHeaderLabels(rowHeaders);
  layout()->addWidget(grid);

  table->onEnter = [this] { GridEnter(); };
  connect(grid, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row >= 0 && col >= 0) GridCellSelected(col + 1, row + 1);
  });
  connect(grid, &QTableWidget::cellPressed, this,
          [this](int row, int col) { GridCellSelected(col + 1, row + 1); });
  connect(grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int col) {
    GridDoubleClicked();
    if (!mms::IsValueColumn(col + 1)) grid->editItem(grid->item(row, col));
  });
  connect(grid, &QTableWidget::cellChanged, this,
          [this](int row, int col) { GridItemChanged(row, col); });

  cellMenu = new QMenu(this);
  cellMenu->setObjectName(QStringLiteral("cellMenu"));
  logValueAction = cellMenu->addAction(QStringLiteral("Log this value"));
  logValueAction->setEnabled(false);
  backgroundColourAction = cellMenu->addAction(QStringLiteral("Define fixed background"));
  defineThresholdAction = cellMenu->addAction(QStringLiteral("Define threshold background"));
  connect(backgroundColourAction, &QAction::triggered, this, [this] { SetBackgroundColour(); });
  connect(defineThresholdAction, &QAction::triggered, this, [this] { DefineThreshold(); });
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { RequestPopup(grid->viewport()->mapToGlobal(pos)); });
}

// --- Poll results ----------------------------------------------------------

void DataWindow::FillGrid(const uint16_t* readBuffer) {
  if (!readBuffer) return;
  model_.FillGrid(readBuffer, mms::kReadBufferSize,
                  mms::CellFormat{Format(), Ascii(), DecimalSeparator()});
  SyncValueCells();
  ShowCounters();
}

void DataWindow::CountPoll() {
  model_.CountPoll();
  ShowCounters();
}

void DataWindow::CountError() {
  model_.CountError();
  ShowCounters();
}

void DataWindow::ShowTimeout() {
  model_.ShowTimeout();
  ShowCounters();
}

void DataWindow::ShowInvalidReply() {
  model_.ShowInvalidReply();
  ShowCounters();
}

void DataWindow::ShowCounters() {
  pollsLabel->setText(QString::number(model_.Polls()));
  validLabel->setText(QString::number(model_.ValidResponses()));
  errorsLabel->setText(QString::number(model_.Errors()));
  errorTextLabel->setText(QString::fromStdString(model_.ErrorText()));
}

DisplayFormat DataWindow::Format() const {
  const int id = formats_->checkedId();
  return id < 0 ? DisplayFormat::Decimal : static_cast<DisplayFormat>(id);
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
  if (model_.RebuildGrid(poll.Address, poll.Length)) SyncGridLayout();
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
  syncing_ = false;
}

void DataWindow::SyncValueCells() {
  const QSignalBlocker blocker(grid);
  syncing_ = true;
  for (int g = 0; g < model_.GroupCount(); ++g) {
    const int col = 2 * g + 2;
    for (int r = 1; r < mms::kGridRows; ++r) {
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
    gWriteCoilDialog->SlotIndex = SlotIndex;
    gWriteCoilDialog->exec();
  } else {
    if (!gWriteRegisterDialog) return;
    gWriteRegisterDialog->WriteFunction = 6;
    gWriteRegisterDialog->WriteAddress = target->Address;
    gWriteRegisterDialog->DeviceID = poll.DeviceID;
    gWriteRegisterDialog->Address = target->Address;
    gWriteRegisterDialog->Value = target->Value;
    gWriteRegisterDialog->SlotIndex = SlotIndex;
    gWriteRegisterDialog->Format = Format();
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

void DataWindow::AsciiEnableClicked() {
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
