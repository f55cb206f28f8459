// The data window's controls and value grid, as laid out at creation.
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
#include "datawindow/CellColour.h"
#include "datawindow/ThresholdDialog.h"
#include "datawindow/WindowFile.h"
#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"
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

// Paints each value and alias cell in its fill colour, text 2 px in, black or
// white by the fill's luminance so it reads under any palette.
class CellPainter : public QStyledItemDelegate {
 public:
  CellPainter(const mms::DataWindowModel& model, QObject* parent)
      : QStyledItemDelegate(parent), model_(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const int col = index.column() + 1;
    const int row = index.row() + 1;
    const std::optional<int32_t> fill = model_.FillColor(col, row);
    // White is every cell's stored background until one is chosen: it draws
    // as the grid's own, which is white on light palettes and stays dark on dark ones.
    const bool plain = fill == mms::kColorWhite && !model_.Threshold(col, row).ThresholdEnable;
    if (!fill || plain) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->save();
    const QColor colour = ColourToQColor(*fill, option.palette);
    painter->fillRect(option.rect, colour);
    const mms::Rgb rgb{static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                       static_cast<uint8_t>(colour.blue())};
    painter->setPen(mms::BlackTextReadsBetterOn(rgb) ? Qt::black : Qt::white);
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
  // A lighter red on dark palettes, so the error stays readable.
  const bool dark = palette().color(QPalette::Window).lightness() < 128;
  errorTextLabel->setStyleSheet(
      dark ? QStringLiteral("QLabel { color: #ff6b6b; font-weight: bold; }")
           : QStringLiteral("QLabel { color: red; font-weight: bold; }"));
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
  device->addWidget(errorTextLabel, 3, 0, 1, 4);
  BuildAddressBase(device);

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
  QRadioButton* buttons[] = {decimalButton, integerButton,      hexadecimalButton,
                             binaryButton,  floatButton,        swappedFloatButton,
                             doubleButton,  swappedDoubleButton};
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
  responseTimeLabel = new QLabel(QStringLiteral("-"));
  responseTimeLabel->setObjectName(QStringLiteral("responseTimeLabel"));
  responseTimeLabel->setAccessibleName(QStringLiteral("Response time"));
  responseTimeLabel->setToolTip(QStringLiteral("The last response time in ms"));
  responseRangeLabel = new QLabel(QStringLiteral("-"));
  responseRangeLabel->setObjectName(QStringLiteral("responseRangeLabel"));
  responseRangeLabel->setAccessibleName(QStringLiteral("Response time minimum, mean, maximum"));
  responseRangeLabel->setToolTip(
      QStringLiteral("Minimum, mean and maximum response time in ms since Reset"));
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
  counters->addWidget(Caption(QStringLiteral("Response ms :"), responseTimeLabel), 3, 0);
  counters->addWidget(responseTimeLabel, 3, 1);
  counters->addWidget(Caption(QStringLiteral("min/mean/max :"), responseRangeLabel), 4, 0);
  counters->addWidget(responseRangeLabel, 4, 1);
  counters->addWidget(resetButton, 5, 0, 1, 2);

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
  // toggled, not clicked: a screen reader's Toggle or a program's setChecked counts too.
  connect(asciiEnableBox, &QCheckBox::toggled, this, [this] { AsciiEnableToggled(); });
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
  grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  grid->setItemDelegate(new CellPainter(model_, grid));
  grid->setWordWrap(false);
  // Arrows move between cells; Tab leaves the grid, so the keyboard is never caught in it.
  grid->setTabKeyNavigation(false);
  grid->horizontalHeader()->setDefaultSectionSize(mms::kDefaultColumnWidth);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid->verticalHeader()->setFixedWidth(mms::kDefaultColumnWidth);
  grid->verticalHeader()->setDefaultSectionSize(std::max(16, grid->fontMetrics().height() + 4));
  QStringList rowHeaders;
  for (int r = 1; r < mms::kGridRows; ++r) rowHeaders << QString::number(r - 1);
  grid->setVerticalHeaderLabels(rowHeaders);
  auto* gridRow = new QHBoxLayout;
  gridRow->addWidget(grid, 1);
  gridRow->addLayout(BuildDecodeColumn());
  static_cast<QBoxLayout*>(layout())->addLayout(gridRow);

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
  addToTrendAction = cellMenu->addAction(QStringLiteral("Add to trend"));
  addToTrendAction->setObjectName(QStringLiteral("addToTrendAction"));
  connect(cellMenu, &QMenu::aboutToShow, this, [this] {
    addToTrendAction->setEnabled(AddToTrend && mms::IsValueColumn(mms::SelectedCol));
  });
  connect(addToTrendAction, &QAction::triggered, this, [this] {
    if (!AddToTrend || !mms::IsValueColumn(mms::SelectedCol)) return;
    AddToTrend(*this, static_cast<uint16_t>(mms::SelectedAddress - record_->Poll().Address));
  });
  connect(backgroundColourAction, &QAction::triggered, this, [this] { SetBackgroundColour(); });
  connect(defineThresholdAction, &QAction::triggered, this, [this] { DefineThreshold(); });
  BuildWriteActions();
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { RequestPopup(grid->viewport()->mapToGlobal(pos)); });
}

// --- Poll results ----------------------------------------------------------
