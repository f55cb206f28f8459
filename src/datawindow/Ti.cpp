#include "datawindow/Ti.h"

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

#include "datawindow/Tresholddisplaywindow.h"
#include "datawindow/Windowfile.h"
#include "datawindow/Writecoil.h"
#include "datawindow/Writeregister.h"
#include "shell/Conversions.h"
#include "shell/WindowTable.h"
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

Ti::Ti(mms::WindowTable* table, QWidget* parent) : QWidget(parent), table_(table) {
  BuildControls();
  BuildGrid();
  resize(697, 452);
  // FormCreate: the length edit's change handler lays out the grid.
  ELength->setText(QStringLiteral("10"));
  RebuildGrid();
  DisableFormats();
}

Ti::~Ti() = default;

void Ti::BuildControls() {
  GroupDeviceSettings = new QGroupBox(QStringLiteral("Device Settings"));
  EDeviceID = new QLineEdit(QStringLiteral("1"));
  EDeviceID->setObjectName(QStringLiteral("EDeviceID"));
  EDeviceID->setAccessibleName(QStringLiteral("Device ID"));
  ComboBox1 = new QComboBox;
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({QStringLiteral("Coil status"), QStringLiteral("Input status"),
                       QStringLiteral("Holding registers"), QStringLiteral("Input registers")});
  ComboBox1->setCurrentIndex(0);
  ComboBox1->setAccessibleName(QStringLiteral("Function"));
  EAddress = new QLineEdit(QStringLiteral("0"));
  EAddress->setObjectName(QStringLiteral("EAddress"));
  EAddress->setAccessibleName(QStringLiteral("Address"));
  ELength = new QLineEdit;
  ELength->setObjectName(QStringLiteral("ELength"));
  ELength->setAccessibleName(QStringLiteral("Length"));
  LError = new QLabel;
  LError->setObjectName(QStringLiteral("LError"));
  LError->setStyleSheet(QStringLiteral("QLabel { color: red; font-weight: bold; }"));
  LError->setAccessibleDescription(QStringLiteral("Poll error"));
  for (QLineEdit* edit : {EDeviceID, EAddress, ELength}) edit->setMaximumWidth(70);

  auto* device = new QGridLayout(GroupDeviceSettings);
  device->addWidget(Caption(QStringLiteral("Device ID "), EDeviceID), 0, 0);
  device->addWidget(EDeviceID, 0, 1);
  device->addWidget(ComboBox1, 0, 2, 1, 2);
  device->addWidget(Caption(QStringLiteral("Address"), EAddress), 1, 0);
  device->addWidget(EAddress, 1, 1);
  device->addWidget(Caption(QStringLiteral("Length"), ELength), 1, 2);
  device->addWidget(ELength, 1, 3);
  device->addWidget(LError, 2, 0, 1, 4);

  GroupDisplayOptions = new QGroupBox(QStringLiteral("Display options"));
  RBDecimal = Radio(QStringLiteral("Decimal"), "RBDecimal");
  RBInteger = Radio(QStringLiteral("Integer"), "RBInteger");
  RBHexadecimal = Radio(QStringLiteral("Hexadecimal"), "RBHexadecimal");
  RBBinary = Radio(QStringLiteral("Binary"), "RBBinary");
  RBFloat = Radio(QStringLiteral("32bit float"), "RBFloat");
  RBSwFloat = Radio(QStringLiteral("32bit sw. float"), "RBSwFloat");
  RBDouble = Radio(QStringLiteral("64bit float"), "RBDouble");
  RBSwDouble = Radio(QStringLiteral("64bit sw. float"), "RBSwDouble");
  formats_ = new QButtonGroup(this);
  auto* display = new QGridLayout(GroupDisplayOptions);
  QRadioButton* buttons[] = {RBDecimal, RBInteger, RBHexadecimal, RBBinary,
                             RBFloat,   RBSwFloat, RBDouble,      RBSwDouble};
  for (int i = 0; i < 8; ++i) {
    formats_->addButton(buttons[i], i);
    display->addWidget(buttons[i], i % 4, i / 4);
  }
  RBDecimal->setChecked(true);

  GroupAscii = new QGroupBox(QStringLiteral("ASCII display"));
  cbEnableASCII = new QCheckBox(QStringLiteral("Enable"));
  cbEnableASCII->setObjectName(QStringLiteral("cbEnableASCII"));
  rb1Char = Radio(QStringLiteral("1 char/reg"), "rb1Char");
  rb2Char = Radio(QStringLiteral("2 char/reg"), "rb2Char");
  rb2CharSwapped = Radio(QStringLiteral("2 char/reg sw"), "rb2CharSwapped");
  auto* asciiButtons = new QButtonGroup(this);
  auto* ascii = new QVBoxLayout(GroupAscii);
  ascii->addWidget(cbEnableASCII);
  for (QRadioButton* b : {rb1Char, rb2Char, rb2CharSwapped}) {
    asciiButtons->addButton(b);
    ascii->addWidget(b);
    b->setEnabled(false);
  }
  rb1Char->setChecked(true);

  GroupFrameCounters = new QGroupBox(QStringLiteral("Frame counters"));
  PollsLabel = new QLabel(QStringLiteral("0"));
  PollsLabel->setObjectName(QStringLiteral("PollsLabel"));
  ValidLabel = new QLabel(QStringLiteral("0"));
  ValidLabel->setObjectName(QStringLiteral("ValidLabel"));
  ErrorLabel = new QLabel(QStringLiteral("0"));
  ErrorLabel->setObjectName(QStringLiteral("ErrorLabel"));
  Button1 = new QPushButton(QStringLiteral("Reset"));
  Button1->setObjectName(QStringLiteral("Button1"));
  auto* counters = new QGridLayout(GroupFrameCounters);
  const QString captions[] = {QStringLiteral("Number of polls :"),
                              QStringLiteral("Valid responses :"), QStringLiteral("Errors :")};
  QLabel* values[] = {PollsLabel, ValidLabel, ErrorLabel};
  for (int i = 0; i < 3; ++i) {
    counters->addWidget(Caption(captions[i], values[i]), i, 0);
    counters->addWidget(values[i], i, 1);
    // The count itself stays the label's accessible name; the caption says what it counts.
    values[i]->setAccessibleDescription(captions[i].chopped(2));
  }
  counters->addWidget(Button1, 3, 0, 1, 2);

  auto* groups = new QHBoxLayout;
  groups->addWidget(GroupDeviceSettings);
  groups->addWidget(GroupDisplayOptions);
  groups->addWidget(GroupAscii);
  groups->addWidget(GroupFrameCounters);
  groups->addStretch();
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  outer->addLayout(groups);

  connect(EDeviceID, &QLineEdit::textChanged, this, [this] { EDeviceIDChange(); });
  connect(EAddress, &QLineEdit::textChanged, this, [this] { EAddressChange(); });
  connect(ELength, &QLineEdit::textChanged, this, [this] { ELengthChange(); });
  connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
  connect(cbEnableASCII, &QCheckBox::clicked, this, [this] { cbEnableASCIIClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void Ti::BuildGrid() {
  auto* grid = new DataGrid(this);
  StringGrid1 = grid;
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->setAccessibleName(QStringLiteral("Values"));
  StringGrid1->setRowCount(mms::kGridRows - 1);
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  // A double-click is the write command on value cells, so it is no edit trigger.
  StringGrid1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  StringGrid1->setItemDelegate(new CellPainter(model_, StringGrid1));
  StringGrid1->setWordWrap(false);
  // Arrows move between cells; Tab leaves the grid, so the keyboard is never caught in it.
  StringGrid1->setTabKeyNavigation(false);
  StringGrid1->horizontalHeader()->setDefaultSectionSize(mms::kDefaultColumnWidth);
  StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  StringGrid1->verticalHeader()->setFixedWidth(mms::kDefaultColumnWidth);
  StringGrid1->verticalHeader()->setDefaultSectionSize(
      std::max(16, StringGrid1->fontMetrics().height() + 4));
  QStringList rowHeaders;
  for (int r = 1; r < mms::kGridRows; ++r) rowHeaders << QString::number(r - 1);
  StringGrid1->setVerticalHeaderLabels(rowHeaders);
  layout()->addWidget(StringGrid1);

  grid->onEnter = [this] { GridEnter(); };
  connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
    if (row >= 0 && col >= 0) StringGrid1SelectCell(col + 1, row + 1);
  });
  connect(StringGrid1, &QTableWidget::cellPressed, this,
          [this](int row, int col) { StringGrid1SelectCell(col + 1, row + 1); });
  connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this](int row, int col) {
    StringGrid1DblClick();
    if (!mms::IsValueColumn(col + 1)) StringGrid1->editItem(StringGrid1->item(row, col));
  });
  connect(StringGrid1, &QTableWidget::cellChanged, this,
          [this](int row, int col) { GridItemChanged(row, col); });

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  Logthisvalue1 = PopupMenu1->addAction(QStringLiteral("Log this value"));
  Logthisvalue1->setEnabled(false);
  SetBackgroundcolor1 = PopupMenu1->addAction(QStringLiteral("Define fixed background"));
  DefineThreshold1 = PopupMenu1->addAction(QStringLiteral("Define threshold background"));
  connect(SetBackgroundcolor1, &QAction::triggered, this, [this] { SetBackgroundcolor1Click(); });
  connect(DefineThreshold1, &QAction::triggered, this, [this] { DefineThreshold1Click(); });
  StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(StringGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { RequestPopup(StringGrid1->viewport()->mapToGlobal(pos)); });
}

// --- Poll results ----------------------------------------------------------

void Ti::FillGrid(const uint16_t* readBuffer) {
  if (!readBuffer) return;
  model_.FillGrid(readBuffer, mms::kReadBufferSize,
                  mms::CellFormat{Format(), Ascii(), DecimalSeparator()});
  SyncValueCells();
  ShowCounters();
}

void Ti::CountPoll() {
  model_.CountPoll();
  ShowCounters();
}

void Ti::CountError() {
  model_.CountError();
  ShowCounters();
}

void Ti::ShowTimeout() {
  model_.ShowTimeout();
  ShowCounters();
}

void Ti::ShowInvalidReply() {
  model_.ShowInvalidReply();
  ShowCounters();
}

void Ti::ShowCounters() {
  PollsLabel->setText(QString::number(model_.Polls()));
  ValidLabel->setText(QString::number(model_.ValidResponses()));
  ErrorLabel->setText(QString::number(model_.Errors()));
  LError->setText(QString::fromStdString(model_.ErrorText()));
}

DisplayFormat Ti::Format() const {
  const int id = formats_->checkedId();
  return id < 0 ? DisplayFormat::RBDecimal : static_cast<DisplayFormat>(id);
}

mms::AsciiOptions Ti::Ascii() const {
  mms::AsciiOptions options;
  options.Enabled = cbEnableASCII->isChecked();
  options.Mode = rb2Char->isChecked()          ? mms::AsciiMode::TwoChar
                 : rb2CharSwapped->isChecked() ? mms::AsciiMode::TwoCharSwapped
                                               : mms::AsciiMode::OneChar;
  return options;
}

// --- Grid ------------------------------------------------------------------

void Ti::RebuildGrid() {
  const mms::PollDefinition poll = record_->Poll();
  if (model_.RebuildGrid(poll.Address, poll.Length)) SyncGridLayout();
}

void Ti::SyncGridLayout() {
  const QSignalBlocker blocker(StringGrid1);
  syncing_ = true;
  StringGrid1->clearContents();
  StringGrid1->setColumnCount(model_.ColumnCount() - 1);
  for (int c = 1; c < model_.ColumnCount(); ++c) {
    auto* header = new QTableWidgetItem(QString::fromStdString(model_.CellText(c, 0)));
    StringGrid1->setHorizontalHeaderItem(c - 1, header);
    StringGrid1->setColumnWidth(c - 1, model_.ColumnWidth(c));
    for (int r = 1; r < mms::kGridRows; ++r) {
      StringGrid1->setItem(r - 1, c - 1,
                           new QTableWidgetItem(QString::fromStdString(model_.CellText(c, r))));
    }
  }
  syncing_ = false;
}

void Ti::SyncValueCells() {
  const QSignalBlocker blocker(StringGrid1);
  syncing_ = true;
  for (int g = 0; g < model_.GroupCount(); ++g) {
    const int col = 2 * g + 2;
    for (int r = 1; r < mms::kGridRows; ++r) {
      QTableWidgetItem* item = StringGrid1->item(r - 1, col - 1);
      const QString text = QString::fromStdString(model_.CellText(col, r));
      if (item) {
        item->setText(text);
      } else {
        StringGrid1->setItem(r - 1, col - 1, new QTableWidgetItem(text));
      }
    }
  }
  syncing_ = false;
}

void Ti::GridItemChanged(int tableRow, int tableCol) {
  if (syncing_) return;
  const QTableWidgetItem* item = StringGrid1->item(tableRow, tableCol);
  model_.SetCellText(tableCol + 1, tableRow + 1, item ? item->text().toStdString() : "");
}

void Ti::StringGrid1SelectCell(int col, int row) {
  mms::SelectCell(col, row, record_->Poll().Address);
  popupArmed_ = true;
}

void Ti::PopupMenu1Popup() { popupArmed_ = false; }

bool Ti::RequestPopup(const QPoint& globalPos) {
  if (!popupArmed_) return false;
  PopupMenu1Popup();
  PopupMenu1->popup(globalPos);
  return true;
}

void Ti::GridEnter() {
  const QModelIndex current = StringGrid1->currentIndex();
  const int col = current.column() + 1;
  StringGrid1SelectCell(col, current.row() + 1);
  if (mms::IsValueColumn(col)) {
    StringGrid1DblClick();
  } else {
    StringGrid1->edit(current);
  }
}

void Ti::StringGrid1DblClick() {
  const mms::PollDefinition poll = record_->Poll();
  const std::optional<mms::WriteTarget> target =
      model_.DoubleClickTarget(poll.Function, poll.Address);
  if (!target) return;
  if (target->Coil) {
    if (!WriteCoilForm) return;
    WriteCoilForm->WriteFunction = 5;
    WriteCoilForm->WriteAddress = target->Address;
    WriteCoilForm->DeviceID = poll.DeviceID;
    WriteCoilForm->Address = target->Address;
    WriteCoilForm->Value = target->Value;
    WriteCoilForm->SlotIndex = SlotIndex;
    WriteCoilForm->exec();
  } else {
    if (!WriteRegisterForm) return;
    WriteRegisterForm->WriteFunction = 6;
    WriteRegisterForm->WriteAddress = target->Address;
    WriteRegisterForm->DeviceID = poll.DeviceID;
    WriteRegisterForm->Address = target->Address;
    WriteRegisterForm->Value = target->Value;
    WriteRegisterForm->SlotIndex = SlotIndex;
    WriteRegisterForm->Format = Format();
    WriteRegisterForm->exec();
  }
}

void Ti::SetBackgroundcolor1Click() {
  const int col = mms::SelectedCol;
  const int row = mms::SelectedRow;
  if (!ColorDialog) {  // made on first use: most windows never need one
    ColorDialog = new QColorDialog(this);
    ColorDialog->setObjectName(QStringLiteral("ColorDialog"));
    // Qt's own dialog, which screen readers and the keyboard reach like every other window.
    ColorDialog->setOption(QColorDialog::DontUseNativeDialog);
  }
  ColorDialog->setCurrentColor(ColourToQColor(model_.BgColor(col, row), palette()));
  if (ColorDialog->exec() != QDialog::Accepted) return;
  model_.SetBgColor(col, row, QColorToColour(ColorDialog->selectedColor()));
  StringGrid1->viewport()->update();
}

void Ti::DefineThreshold1Click() {
  // The dialog lives for the whole run; make it if start-up did not.
  if (!ThresholdWindow) ThresholdWindow = new TThresholdWindow(window());
  ThresholdWindow->SlotIndex = SlotIndex;
  ThresholdWindow->Col = mms::SelectedCol;
  ThresholdWindow->Row = mms::SelectedRow;
  ThresholdWindow->SetWindow(this);
  ThresholdWindow->exec();
  if (ThresholdWindow) ThresholdWindow->SetWindow(nullptr);
  StringGrid1->viewport()->update();
}

// --- Poll definition -------------------------------------------------------

bool Ti::ConvertEdit(QLineEdit* edit, int32_t* value) {
  const std::string text = edit->text().toStdString();
  return RunCommand(this, [&] { *value = mms::StrToInt(text); });
}

void Ti::EDeviceIDChange() {
  int32_t value = 0;
  if (EDeviceID->text().isEmpty() || !ConvertEdit(EDeviceID, &value)) return;
  record_->SetDeviceID(static_cast<uint8_t>(value));
}

void Ti::EAddressChange() {
  int32_t value = 0;
  if (!EAddress->text().isEmpty()) {
    if (!ConvertEdit(EAddress, &value)) return;
    record_->SetAddress(static_cast<uint16_t>(value));
  }
  RebuildGrid();
}

void Ti::ELengthChange() {
  int32_t value = 0;
  if (!ELength->text().isEmpty()) {
    if (!ConvertEdit(ELength, &value)) return;
    record_->SetLength(static_cast<uint16_t>(value));
  }
  RebuildGrid();
}

void Ti::ComboBox1Change() {
  const int index = ComboBox1->currentIndex();
  if (index < 0) return;
  record_->SetFunction(static_cast<uint8_t>(index + 1));
  if (index < 2) {
    DisableFormats();
  } else {
    EnableFormats();
  }
}

void Ti::EnableFormats() {
  for (QAbstractButton* b : formats_->buttons()) b->setEnabled(true);
}

void Ti::DisableFormats() {
  for (QAbstractButton* b : formats_->buttons()) b->setEnabled(false);
}

void Ti::cbEnableASCIIClick() {
  const bool on = cbEnableASCII->isChecked();
  for (QRadioButton* b : {rb1Char, rb2Char, rb2CharSwapped}) b->setEnabled(on);
}

void Ti::Button1Click() {
  model_.ResetCounters();
  ShowCounters();
}

// --- Window files and geometry ---------------------------------------------

QWidget* Ti::Frame() const {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
  return const_cast<Ti*>(this);
}

QRect Ti::WindowGeometry() const { return Frame()->geometry(); }

void Ti::SetWindowGeometry(int width, int height, int top, int left) {
  // A file may carry any number; keep the window within what can be shown.
  constexpr int kMaxExtent = 16384;
  QWidget* frame = Frame();
  frame->resize(std::clamp(width, 1, kMaxExtent), frame->height());
  frame->resize(frame->width(), std::clamp(height, 1, kMaxExtent));
  frame->move(frame->x(), std::clamp(top, -kMaxExtent, kMaxExtent));
  frame->move(std::clamp(left, -kMaxExtent, kMaxExtent), frame->y());
}

mms::WindowFile Ti::ToWindowFile() const {
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

void Ti::ApplyWindowFile(const mms::WindowFile& file) {
  record_->SetDeviceID(file.DeviceID);
  record_->SetAddress(file.Address);
  record_->SetLength(file.Length);
  record_->SetFunction(file.Function);
  EDeviceID->setText(QString::number(file.DeviceID));
  EAddress->setText(QString::number(file.Address));
  ELength->setText(QString::number(file.Length));
  SetWindowGeometry(file.Width, file.Height, file.Top, file.Left);
  {
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->setCurrentIndex(file.Function >= 1 && file.Function <= 4 ? file.Function - 1 : -1);
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

void Ti::closeEvent(QCloseEvent* event) {
  if (table_ && SlotIndex >= 0) table_->Empty(SlotIndex);
  QWidget::closeEvent(event);
}
