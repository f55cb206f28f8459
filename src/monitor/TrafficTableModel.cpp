#include "monitor/TrafficTableModel.h"

#include <QBrush>
#include <QColor>

#include "monitor/TrafficTap.h"

TrafficTableModel::TrafficTableModel(size_t capacity, QObject* parent)
    : QAbstractTableModel(parent), history_(capacity) {}

void TrafficTableModel::Feed(const mms::TapEvent& event) {
  decoder_.Feed(event, [this](mms::MonitorFrame& frame) {
    const uint64_t seq = history_.Append(frame);
    if (filter_.Matches(frame)) fresh_.push_back(seq);
  });
}

void TrafficTableModel::Pull(mms::TrafficTap& tap) {
  dropped_ += tap.Drain([this](const mms::TapEvent& event) { Feed(event); });
  Publish();
}

void TrafficTableModel::Publish() {
  const uint64_t first = history_.FirstSeq();
  size_t gone = 0;
  while (gone < rows_.size() && rows_[gone] < first) ++gone;
  if (gone > 0) {
    beginRemoveRows({}, 0, static_cast<int>(gone) - 1);
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(gone));
    endRemoveRows();
  }
  size_t start = 0;  // fresh frames already dropped again by a big burst
  while (start < fresh_.size() && fresh_[start] < first) ++start;
  if (start < fresh_.size()) {
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row + static_cast<int>(fresh_.size() - start) - 1);
    rows_.insert(rows_.end(), fresh_.begin() + static_cast<std::ptrdiff_t>(start), fresh_.end());
    endInsertRows();
  }
  fresh_.clear();
}

void TrafficTableModel::SetFilter(const mms::TrafficFilter& filter) {
  beginResetModel();
  filter_ = filter;
  rows_.clear();
  fresh_.clear();
  for (uint64_t seq = history_.FirstSeq(); seq < history_.NextSeq(); ++seq) {
    if (filter_.Matches(*history_.Find(seq))) rows_.push_back(seq);
  }
  endResetModel();
}

void TrafficTableModel::Clear() {
  beginResetModel();
  history_.Clear();
  rows_.clear();
  fresh_.clear();
  dropped_ = 0;
  endResetModel();
}

const mms::MonitorFrame* TrafficTableModel::FrameAt(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  return history_.Find(rows_[static_cast<size_t>(row)]);
}

QString TrafficTableModel::WindowName(int slot) const {
  if (slot < 0) return QString();
  const QString name = names_ ? names_(slot) : QString();
  return name.isEmpty() ? QStringLiteral("#%1").arg(slot + 1) : name;
}

QString TrafficTableModel::RowText(int row) const {
  const mms::MonitorFrame* frame = FrameAt(row);
  if (!frame) return QString();
  return QString::fromStdString(mms::FrameLine(*frame, WindowName(frame->slot).toStdString()));
}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
  const mms::MonitorFrame* frame = FrameAt(index.row());
  if (!frame) return {};
  if (role == Qt::ForegroundRole) {
    return frame->HasTrouble() ? QVariant(QBrush(QColor(0xB0, 0x00, 0x00))) : QVariant();
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const auto text = [](const std::string& s) { return QString::fromStdString(s); };
  switch (index.column()) {
    case kTime:
      return text(mms::TimeText(frame->wallUs));
    case kDirection:
      return QString::fromLatin1(mms::DirectionText(*frame));
    case kWindow:
      return WindowName(frame->slot);
    case kUnit:
      return frame->decoded ? QVariant(frame->unit) : QVariant();
    case kFunction:
      return text(mms::FunctionText(*frame));
    case kAddress:
      return frame->hasRange ? QVariant(frame->address) : QVariant();
    case kCount:
      return frame->hasRange ? QVariant(frame->count) : QVariant();
    case kValues:
      return text(mms::ValuesText(*frame, kListedValues));
    case kResponse:
      return text(mms::ResponseText(*frame));
    case kProblems:
      return text(mms::ProblemsText(frame->problems));
    default:
      return {};
  }
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[kColumnCount] = {
      "Time",     "Dir",     "Window", "Unit", "Function", "Address", "Count", "Values / exception",
      "Response", "Problems"};
  return section >= 0 && section < kColumnCount ? QString::fromLatin1(kHeaders[section])
                                                : QVariant();
}
