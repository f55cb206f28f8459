#pragma once
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "common/WindowRecord.h"
#include "monitor/TrendSeries.h"

class DataWindow;
class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QListWidget;
class QPushButton;
class QTimer;
class QValueAxis;

// Trends: chosen value cells plotted over the last minutes, live. Each cell
// is sampled from its window's record whenever a new valid poll has come, as
// the window's type and byte order read it at that moment.
class TrendWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kSampleIntervalMs = 250;
  static constexpr int kMaxTraces = 16;

  explicit TrendWindow(QWidget* parent = nullptr);
  ~TrendWindow() override;

  // Plots the cell at `offset` of `window`'s poll (a cell already plotted
  // is not added twice). False when no more can be plotted.
  bool AddCell(DataWindow& window, int offset);
  int TraceCount() const { return static_cast<int>(traces_.size()); }
  // Points gathered for trace `i`.
  const mms::TrendSeries* Series(int i) const;

  void Sample();
  void Redraw();
  void SetPaused(bool paused);
  bool Paused() const;
  // Span in minutes, 1 to 60.
  void SetSpanMinutes(int minutes);
  bool SaveImage(const QString& path);

  QComboBox* spanBox = nullptr;
  QPushButton* pauseButton = nullptr;
  QPushButton* zoomInButton = nullptr;
  QPushButton* zoomOutButton = nullptr;
  QPushButton* resetZoomButton = nullptr;
  QPushButton* saveButton = nullptr;
  QPushButton* removeButton = nullptr;
  QListWidget* traceList = nullptr;
  QChartView* chartView = nullptr;

 private:
  struct Trace;
  void BuildControls();
  void RemoveSelected();
  void Zoomed();

  QChart* chart_ = nullptr;
  QDateTimeAxis* timeAxis_ = nullptr;
  QValueAxis* valueAxis_ = nullptr;
  QTimer* sampleTimer_ = nullptr;
  std::vector<std::unique_ptr<Trace>> traces_;
  int spanMinutes_ = 5;
  bool zoomed_ = false;
};
