#pragma once
#include <QAbstractTableModel>
#include <deque>
#include <functional>

#include "monitor/TrafficDecoder.h"
#include "monitor/TrafficHistory.h"

namespace mms {
class TrafficTap;
}

// The traffic monitor's list: the decoded history, and the frames of it that
// pass the filter, one row each, oldest first.
class TrafficTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column {
    kTime,
    kDirection,
    kWindow,
    kUnit,
    kFunction,
    kAddress,
    kCount,
    kValues,
    kResponse,
    kProblems,
    kColumnCount
  };
  // Values shown in the list per frame; a copy or a saved file has them all.
  static constexpr int kListedValues = 32;

  explicit TrafficTableModel(size_t capacity = mms::TrafficHistory::kDefaultCapacity,
                             QObject* parent = nullptr);

  // The caption of a data window by its slot; "" when not known.
  void SetWindowNames(std::function<QString(int slot)> names) { names_ = std::move(names); }

  // Takes what the tap gathered, decodes it into the history, drops the rows
  // of frames the history no longer holds and appends the new rows that pass
  // the filter, in one insertion.
  void Pull(mms::TrafficTap& tap);
  // Feeds one event as Pull does (the tests feed events directly).
  void Feed(const mms::TapEvent& event);
  void Publish();

  void SetFilter(const mms::TrafficFilter& filter);
  const mms::TrafficFilter& Filter() const { return filter_; }
  void Clear();

  const mms::TrafficHistory& History() const { return history_; }
  uint64_t Dropped() const { return dropped_; }
  const mms::MonitorFrame* FrameAt(int row) const;
  QString WindowName(int slot) const;
  // FrameLine of a row.
  QString RowText(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  mms::TrafficHistory history_;
  mms::TrafficDecoder decoder_;
  mms::TrafficFilter filter_;
  std::deque<uint64_t> rows_;    // sequence numbers of the listed frames
  std::vector<uint64_t> fresh_;  // decoded since the last Publish
  uint64_t dropped_ = 0;
  std::function<QString(int)> names_;
};
