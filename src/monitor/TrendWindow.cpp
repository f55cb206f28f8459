#include "monitor/TrendWindow.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "datawindow/DataWindow.h"
#include "ui/ErrorBox.h"

struct TrendWindow::Trace {
  QPointer<DataWindow> window;
  int offset = 0;
  uint16_t address = 0;
  mms::PollResult result;        // as last taken from the record
  uint64_t sampledSequence = 0;  // ValuesSequence of the last point
  mms::TrendSeries points;
  QLineSeries* series = nullptr;  // owned by the chart
};

namespace {

constexpr int kSpans[] = {1, 2, 5, 10, 15, 30, 60};

}  // namespace

TrendWindow::TrendWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("trendWindow"));
  setWindowTitle(QStringLiteral("Trends"));
  BuildControls();
  sampleTimer_ = new QTimer(this);
  sampleTimer_->setInterval(kSampleIntervalMs);
  connect(sampleTimer_, &QTimer::timeout, this, [this] {
    if (traces_.empty()) return;
    Sample();
    if (isVisible() && !Paused()) Redraw();
  });
  resize(900, 520);
}

TrendWindow::~TrendWindow() = default;

void TrendWindow::BuildControls() {
  auto button = [this](const QString& text, const char* name, const QString& accessible) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    return b;
  };
  spanBox = new QComboBox(this);
  spanBox->setObjectName(QStringLiteral("spanBox"));
  spanBox->setAccessibleName(QStringLiteral("Time span"));
  for (int minutes : kSpans) {
    spanBox->addItem(minutes == 1 ? QStringLiteral("Last minute")
                                  : QStringLiteral("Last %1 minutes").arg(minutes),
                     minutes);
  }
  spanBox->setCurrentIndex(spanBox->findData(spanMinutes_));
  auto* spanLabel = new QLabel(QStringLiteral("&Show:"), this);
  spanLabel->setBuddy(spanBox);
  connect(spanBox, &QComboBox::activated, this,
          [this] { SetSpanMinutes(spanBox->currentData().toInt()); });
  pauseButton = button(QStringLiteral("&Pause"), "pauseButton", QStringLiteral("Pause"));
  pauseButton->setCheckable(true);
  connect(pauseButton, &QPushButton::toggled, this, &TrendWindow::SetPaused);
  zoomInButton = button(QStringLiteral("Zoom &in"), "zoomInButton", QStringLiteral("Zoom in"));
  zoomOutButton = button(QStringLiteral("Zoom &out"), "zoomOutButton", QStringLiteral("Zoom out"));
  resetZoomButton =
      button(QStringLiteral("&Reset zoom"), "resetZoomButton", QStringLiteral("Reset zoom"));
  saveButton =
      button(QStringLiteral("&Save as PNG..."), "saveButton", QStringLiteral("Save as PNG"));
  removeButton = button(QStringLiteral("Re&move"), "removeButton", QStringLiteral("Remove cell"));

  chart_ = new QChart;
  chart_->legend()->setAlignment(Qt::AlignBottom);
  timeAxis_ = new QDateTimeAxis;
  timeAxis_->setFormat(QStringLiteral("HH:mm:ss"));
  timeAxis_->setTitleText(QStringLiteral("Time"));
  valueAxis_ = new QValueAxis;
  valueAxis_->setLabelFormat(QStringLiteral("%g"));
  chart_->addAxis(timeAxis_, Qt::AlignBottom);
  chart_->addAxis(valueAxis_, Qt::AlignLeft);
  chartView = new QChartView(chart_, this);
  chartView->setObjectName(QStringLiteral("chartView"));
  chartView->setAccessibleName(QStringLiteral("Trend chart"));
  chartView->setRenderHint(QPainter::Antialiasing);
  // Dragging a rectangle zooms into it; the plot then stays put.
  chartView->setRubberBand(QChartView::RectangleRubberBand);
  connect(timeAxis_, &QDateTimeAxis::rangeChanged, this, [this] {
    if (chartView->isVisible() && chart_->isZoomed()) Zoomed();
  });

  traceList = new QListWidget(this);
  traceList->setObjectName(QStringLiteral("traceList"));
  traceList->setAccessibleName(QStringLiteral("Plotted cells"));
  traceList->setSelectionMode(QAbstractItemView::ExtendedSelection);

  connect(zoomInButton, &QPushButton::clicked, this, [this] {
    chart_->zoomIn();
    Zoomed();
  });
  connect(zoomOutButton, &QPushButton::clicked, this, [this] {
    chart_->zoomOut();
    Zoomed();
  });
  connect(resetZoomButton, &QPushButton::clicked, this, [this] {
    chart_->zoomReset();
    zoomed_ = false;
    SetPaused(false);
  });
  connect(saveButton, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save trend as PNG"),
                                                      QStringLiteral("trend.png"),
                                                      QStringLiteral("PNG images (*.png)"));
    if (!path.isEmpty()) SaveImage(path);
  });
  connect(removeButton, &QPushButton::clicked, this, &TrendWindow::RemoveSelected);

  auto* controls = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{spanLabel, spanBox, pauseButton, zoomInButton,
                                                    zoomOutButton, resetZoomButton}) {
    controls->addWidget(w);
  }
  controls->addStretch(1);
  controls->addWidget(saveButton);
  auto* side = new QWidget(this);
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  sideLayout->addWidget(traceList, 1);
  sideLayout->addWidget(removeButton);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(chartView);
  splitter->addWidget(side);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 0);
  chartView->setMinimumSize(420, 260);
  side->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(splitter, 1);
}

bool TrendWindow::AddCell(DataWindow& window, int offset) {
  const uint16_t address = static_cast<uint16_t>(window.Record()->Poll().Address + offset);
  for (const auto& trace : traces_) {
    if (trace->window == &window && trace->address == address) return true;
  }
  if (TraceCount() >= kMaxTraces) {
    ShowErrorBox(this, QStringLiteral("At most %1 cells can be plotted").arg(kMaxTraces));
    return false;
  }
  auto trace = std::make_unique<Trace>();
  trace->window = &window;
  trace->offset = offset;
  trace->address = address;
  trace->series = new QLineSeries;
  trace->series->setName(QStringLiteral("%1 [%2]").arg(window.windowTitle()).arg(address));
  chart_->addSeries(trace->series);
  trace->series->attachAxis(timeAxis_);
  trace->series->attachAxis(valueAxis_);
  // A date-time axis laid out while no series used it stays blank (Qt 6.4)
  // until it is shown anew.
  timeAxis_->setVisible(false);
  timeAxis_->setVisible(true);
  traceList->addItem(trace->series->name());
  traces_.push_back(std::move(trace));
  sampleTimer_->start();  // idle while there is nothing to plot
  Sample();
  Redraw();
  return true;
}

const mms::TrendSeries* TrendWindow::Series(int i) const {
  return i >= 0 && i < TraceCount() ? &traces_[static_cast<size_t>(i)]->points : nullptr;
}

void TrendWindow::Sample() {
  const int64_t now = QDateTime::currentMSecsSinceEpoch();
  for (const auto& trace : traces_) {
    if (!trace->window) continue;  // closed: its line stays as it was
    trace->window->Record()->TakeResult(&trace->result);
    if (trace->result.ValuesSequence == trace->sampledSequence) continue;
    // The cell may have moved: the window's poll now starts elsewhere.
    const int offset = trace->address - trace->result.Request.Address;
    const std::optional<double> value =
        mms::CellNumber(trace->result, offset, trace->window->Format());
    trace->sampledSequence = trace->result.ValuesSequence;
    if (value && std::isfinite(*value)) trace->points.Add(now, *value);
  }
}

void TrendWindow::Redraw() {
  const int64_t now = QDateTime::currentMSecsSinceEpoch();
  const int64_t from = now - int64_t{spanMinutes_} * 60000;
  double low = std::numeric_limits<double>::max();
  double high = std::numeric_limits<double>::lowest();
  // About two points per pixel at most, however many were gathered.
  const int buckets = std::max(chartView->width(), 100);
  for (const auto& trace : traces_) {
    QList<QPointF> shown;
    for (const mms::TrendPoint& point : mms::PlotPoints(trace->points, from, now, buckets)) {
      shown.append(QPointF(static_cast<qreal>(point.ms), point.value));
      low = std::min(low, point.value);
      high = std::max(high, point.value);
    }
    trace->series->replace(shown);
  }
  if (zoomed_ || traces_.empty()) return;
  timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(now));
  if (low > high) {
    low = 0;
    high = 1;
  }
  const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
  valueAxis_->setRange(low - margin, high + margin);
}

void TrendWindow::SetPaused(bool paused) {
  if (pauseButton->isChecked() != paused) pauseButton->setChecked(paused);
  pauseButton->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
  pauseButton->setAccessibleName(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
  if (!paused) {
    if (zoomed_) chart_->zoomReset();
    zoomed_ = false;
    Redraw();
  }
}

bool TrendWindow::Paused() const { return pauseButton->isChecked(); }

void TrendWindow::Zoomed() {
  // A zoomed plot holds still until the zoom is reset or the plot resumed.
  zoomed_ = true;
  if (!Paused()) SetPaused(true);
}

void TrendWindow::SetSpanMinutes(int minutes) {
  spanMinutes_ = std::clamp(minutes, 1, 60);
  const int index = spanBox->findData(spanMinutes_);
  if (index >= 0) spanBox->setCurrentIndex(index);
  zoomed_ = false;
  chart_->zoomReset();
  Redraw();
}

void TrendWindow::RemoveSelected() {
  for (int row = traceList->count() - 1; row >= 0; --row) {
    if (!traceList->item(row)->isSelected()) continue;
    chart_->removeSeries(traces_[static_cast<size_t>(row)]->series);
    delete traces_[static_cast<size_t>(row)]->series;
    traces_.erase(traces_.begin() + row);
    delete traceList->takeItem(row);
  }
  if (traces_.empty()) sampleTimer_->stop();
  Redraw();
}

bool TrendWindow::SaveImage(const QString& path) {
  QSaveFile file(path);
  const bool ok =
      file.open(QIODevice::WriteOnly) && chartView->grab().save(&file, "PNG") && file.commit();
  if (!ok) ShowErrorBox(this, QStringLiteral("Unable to write to %1").arg(path));
  return ok;
}
