#include "monitor/TrafficMonitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "monitor/TrafficTableModel.h"
#include "monitor/TrafficTap.h"
#include "ui/ErrorBox.h"

namespace {

constexpr uint8_t kFilterFunctions[] = {1, 2, 3, 4, 5, 6, 15, 16, 17, 22, 23, 43};

}  // namespace

TrafficMonitor::TrafficMonitor(mms::TrafficTap& tap, QWidget* parent)
    : QWidget(parent, Qt::Window), tap_(tap) {
  setObjectName(QStringLiteral("trafficMonitor"));
  setWindowTitle(QStringLiteral("Traffic monitor"));
  model_ = new TrafficTableModel(mms::TrafficHistory::kDefaultCapacity, this);
  BuildControls();
  pullTimer_ = new QTimer(this);
  pullTimer_->setInterval(kPullIntervalMs);
  connect(pullTimer_, &QTimer::timeout, this, &TrafficMonitor::Pull);
  resize(980, 520);
}

TrafficMonitor::~TrafficMonitor() { tap_.SetEnabled(false); }

void TrafficMonitor::BuildControls() {
  auto* controls = new QHBoxLayout;
  auto named = [](QWidget* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
  };
  pauseButton = new QPushButton(QStringLiteral("&Pause"), this);
  pauseButton->setCheckable(true);
  named(pauseButton, "pauseButton", QStringLiteral("Pause"));
  connect(pauseButton, &QPushButton::toggled, this, &TrafficMonitor::SetPaused);
  clearButton = new QPushButton(QStringLiteral("C&lear"), this);
  named(clearButton, "clearButton", QStringLiteral("Clear"));
  connect(clearButton, &QPushButton::clicked, this, [this] {
    model_->Clear();
    ShowDetail();
    ShowStatus();
  });
  windowFilter = new QComboBox(this);
  windowFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  named(windowFilter, "windowFilter", QStringLiteral("Window filter"));
  auto* windowLabel = new QLabel(QStringLiteral("&Window:"), this);
  windowLabel->setBuddy(windowFilter);
  FillWindowFilter();
  unitFilter = new QSpinBox(this);
  unitFilter->setRange(-1, 255);
  unitFilter->setSpecialValueText(QStringLiteral("All"));
  unitFilter->setValue(-1);
  named(unitFilter, "unitFilter", QStringLiteral("Unit filter"));
  auto* unitLabel = new QLabel(QStringLiteral("&Unit:"), this);
  unitLabel->setBuddy(unitFilter);
  functionFilter = new QComboBox(this);
  functionFilter->addItem(QStringLiteral("All functions"), -1);
  for (uint8_t code : kFilterFunctions) {
    functionFilter->addItem(QStringLiteral("%1 %2").arg(code).arg(mms::FunctionName(code)), code);
  }
  named(functionFilter, "functionFilter", QStringLiteral("Function filter"));
  auto* functionLabel = new QLabel(QStringLiteral("&Function:"), this);
  functionLabel->setBuddy(functionFilter);
  problemsOnlyBox = new QCheckBox(QStringLiteral("P&roblems only"), this);
  named(problemsOnlyBox, "problemsOnlyBox", QStringLiteral("Problems only"));
  rawBytesBox = new QCheckBox(QStringLiteral("Raw &bytes"), this);
  rawBytesBox->setChecked(true);
  named(rawBytesBox, "rawBytesBox", QStringLiteral("Raw bytes"));
  copyButton = new QPushButton(QStringLiteral("&Copy"), this);
  named(copyButton, "copyButton", QStringLiteral("Copy"));
  saveButton = new QPushButton(QStringLiteral("&Save as text..."), this);
  named(saveButton, "saveButton", QStringLiteral("Save as text"));
  // Commands above, filters below, so that a narrow window cuts nothing.
  for (QWidget* w : std::initializer_list<QWidget*>{pauseButton, clearButton, rawBytesBox}) {
    controls->addWidget(w);
  }
  controls->addStretch(1);
  controls->addWidget(copyButton);
  controls->addWidget(saveButton);
  auto* filters = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{windowLabel, windowFilter, unitLabel, unitFilter,
                                       functionLabel, functionFilter, problemsOnlyBox}) {
    filters->addWidget(w);
  }
  filters->addStretch(1);

  frameList = new QTableView(this);
  named(frameList, "frameList", QStringLiteral("Frames"));
  frameList->setModel(model_);
  frameList->setSelectionBehavior(QAbstractItemView::SelectRows);
  frameList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  frameList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  frameList->verticalHeader()->hide();
  frameList->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  frameList->horizontalHeader()->setStretchLastSection(true);
  frameList->setWordWrap(false);
  const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const int widths[] = {12, 3, 10, 4, 20, 7, 5, 30, 9, 16};
  for (int c = 0; c < TrafficTableModel::kColumnCount; ++c) {
    frameList->setColumnWidth(c, widths[c] * digit + 12);
  }
  detailPane = new QPlainTextEdit(this);
  detailPane->setReadOnly(true);
  named(detailPane, "detailPane", QStringLiteral("Frame bytes"));
  detailPane->setFont(QFont(QStringLiteral("monospace")));
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(frameList);
  splitter->addWidget(detailPane);
  splitter->setStretchFactor(0, 4);
  splitter->setStretchFactor(1, 1);
  statusLabel = new QLabel(this);
  statusLabel->setObjectName(QStringLiteral("statusLabel"));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addLayout(filters);
  layout->addWidget(splitter, 1);
  layout->addWidget(statusLabel);

  connect(windowFilter, &QComboBox::activated, this, &TrafficMonitor::ApplyFilter);
  connect(unitFilter, &QSpinBox::valueChanged, this, &TrafficMonitor::ApplyFilter);
  connect(functionFilter, &QComboBox::activated, this, &TrafficMonitor::ApplyFilter);
  connect(problemsOnlyBox, &QCheckBox::toggled, this, &TrafficMonitor::ApplyFilter);
  connect(rawBytesBox, &QCheckBox::toggled, detailPane, &QWidget::setVisible);
  connect(copyButton, &QPushButton::clicked, this, &TrafficMonitor::CopySelection);
  connect(saveButton, &QPushButton::clicked, this, &TrafficMonitor::SaveAsText);
  connect(frameList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &TrafficMonitor::ShowDetail);
  // The list follows new frames until the user scrolls up, and again once
  // the user scrolls back to the end.
  connect(frameList->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (!scrolling_) followTail_ = value >= frameList->verticalScrollBar()->maximum();
  });
  auto* copy = new QShortcut(QKeySequence::Copy, frameList);
  copy->setContext(Qt::WidgetShortcut);
  connect(copy, &QShortcut::activated, this, &TrafficMonitor::CopySelection);
}

void TrafficMonitor::SetWindowNames(std::function<QString(int)> names,
                                    std::function<QList<int>()> openSlots) {
  model_->SetWindowNames(std::move(names));
  openSlots_ = std::move(openSlots);
  FillWindowFilter();
}

void TrafficMonitor::FillWindowFilter() {
  const int current =
      windowFilter->currentData().isValid() ? windowFilter->currentData().toInt() : -1;
  windowFilter->clear();
  windowFilter->addItem(QStringLiteral("All windows"), -1);
  listedSlots_ = openSlots_ ? openSlots_() : QList<int>();
  for (int slot : listedSlots_) windowFilter->addItem(model_->WindowName(slot), slot);
  const int index = windowFilter->findData(current);
  windowFilter->setCurrentIndex(index < 0 ? 0 : index);
}

void TrafficMonitor::ApplyFilter() {
  mms::TrafficFilter filter;
  filter.slot = windowFilter->currentData().toInt();
  filter.unit = unitFilter->value();
  filter.function = functionFilter->currentData().toInt();
  filter.problemsOnly = problemsOnlyBox->isChecked();
  model_->SetFilter(filter);
  frameList->scrollToBottom();
  ShowDetail();
  ShowStatus();
}

void TrafficMonitor::Pull() {
  model_->Pull(tap_);
  if (openSlots_ && openSlots_() != listedSlots_) FillWindowFilter();
  if (followTail_) {
    scrolling_ = true;
    frameList->scrollToBottom();
    scrolling_ = false;
  }
  ShowStatus();
}

void TrafficMonitor::SetPaused(bool paused) {
  if (pauseButton->isChecked() != paused) pauseButton->setChecked(paused);
  pauseButton->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
  pauseButton->setAccessibleName(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
  tap_.SetEnabled(!paused && isVisible());
  if (paused) Pull();  // what was gathered up to now
  ShowStatus();
}

bool TrafficMonitor::Paused() const { return pauseButton->isChecked(); }

void TrafficMonitor::ShowDetail() {
  const mms::MonitorFrame* frame = model_->FrameAt(frameList->currentIndex().row());
  if (!frame) {
    detailPane->clear();
    return;
  }
  detailPane->setPlainText(QStringLiteral("%1 %2, %3 bytes: %4\n%5")
                               .arg(QString::fromStdString(mms::TimeText(frame->wallUs)),
                                    QString::fromLatin1(mms::DirectionText(*frame)))
                               .arg(frame->size)
                               .arg(QString::fromStdString(mms::BytesText(*frame)),
                                    QString::fromStdString(mms::ValuesText(*frame, 1 << 16))));
}

void TrafficMonitor::ShowStatus() {
  QString text = QStringLiteral("%1 frames kept, %2 listed")
                     .arg(model_->History().Size())
                     .arg(model_->rowCount());
  if (model_->Dropped() > 0) {
    text += QStringLiteral(", %1 events missed (monitor too slow)").arg(model_->Dropped());
  }
  if (Paused()) text += QStringLiteral(" - paused");
  statusLabel->setText(text);
}

QString TrafficMonitor::SelectionText() const {
  QList<int> rows;
  for (const QModelIndex& index : frameList->selectionModel()->selectedRows()) {
    rows.append(index.row());
  }
  std::sort(rows.begin(), rows.end());
  QString text;
  for (int row : rows) text += model_->RowText(row) + QLatin1Char('\n');
  return text;
}

void TrafficMonitor::CopySelection() {
  const QString text = SelectionText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void TrafficMonitor::SaveAsText() {
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save traffic as text"), QStringLiteral("traffic.txt"),
      QStringLiteral("Text files (*.txt);;All files (*)"));
  if (!path.isEmpty()) SaveTo(path);
}

bool TrafficMonitor::SaveTo(const QString& path) {
  // Written whole to a temporary file and renamed over the old one.
  QSaveFile file(path);
  bool ok = file.open(QIODevice::WriteOnly);
  const QString header = QStringLiteral(
      "time\tdir\twindow\tunit\tfunction\taddress\tcount\tvalues\tresponse\tproblems\tbytes\n");
  ok = ok && file.write(header.toUtf8()) >= 0;
  for (int row = 0; ok && row < model_->rowCount(); ++row) {
    ok = file.write((model_->RowText(row) + QLatin1Char('\n')).toUtf8()) >= 0;
  }
  ok = ok && file.commit();
  if (!ok) ShowErrorBox(this, QStringLiteral("Unable to write to %1").arg(path));
  return ok;
}

void TrafficMonitor::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FillWindowFilter();
  tap_.SetEnabled(!Paused());
  pullTimer_->start();
}

void TrafficMonitor::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (event->spontaneous()) return;  // minimized: still watching
  // Closed: nothing is tapped, and the polling thread pays nothing.
  tap_.SetEnabled(false);
  pullTimer_->stop();
}
