#include "monitor/TrendSeries.h"

#include <algorithm>
#include <cstring>

namespace mms {

std::optional<double> CellNumber(const PollResult& result, int offset,
                                 const ValueEncoding& encoding) {
  if (result.ValuesSequence == 0 || offset < 0) return std::nullopt;
  const uint8_t function = result.Request.Function;
  if (function == 1 || function == 2) {
    if (offset >= result.ValueCount) return std::nullopt;
    return result.Values[static_cast<size_t>(offset)] != 0 ? 1.0 : 0.0;
  }
  const int words = WordCount(encoding.Type);
  const int first = offset - offset % words;
  if (first + words > result.ValueCount) return std::nullopt;
  const uint64_t bits =
      BitsFromWords(&result.Values[static_cast<size_t>(first)], words, encoding.Order);
  switch (encoding.Type) {
    case ValueType::Signed16:
      return static_cast<int16_t>(bits);
    case ValueType::Signed32:
      return static_cast<int32_t>(bits);
    case ValueType::Signed64:
      return static_cast<double>(static_cast<int64_t>(bits));
    case ValueType::Float32: {
      const uint32_t raw = static_cast<uint32_t>(bits);
      float value;
      std::memcpy(&value, &raw, sizeof value);
      return value;
    }
    case ValueType::Float64: {
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    default:  // the unsigned types, hexadecimal and binary
      return static_cast<double>(bits);
  }
}

void TrendSeries::Add(int64_t ms, double value) {
  if (!points_.empty() && ms < points_.back().ms) ms = points_.back().ms;
  points_.push_back({ms, value});
  while (points_.size() > kMaxPoints || points_.front().ms < ms - kMaxSpanMs) {
    points_.pop_front();
  }
}

std::vector<TrendPoint> PlotPoints(const TrendSeries& series, int64_t fromMs, int64_t toMs,
                                   int buckets) {
  std::vector<TrendPoint> shown;
  const int64_t width = std::max<int64_t>(1, (toMs - fromMs) / std::max(buckets, 1));
  const TrendPoint* low = nullptr;
  const TrendPoint* high = nullptr;
  int64_t bucket = 0;
  auto flush = [&] {
    if (!low) return;
    if (low->ms <= high->ms) {
      shown.push_back(*low);
      if (high != low) shown.push_back(*high);
    } else {
      shown.push_back(*high);
      shown.push_back(*low);
    }
    low = high = nullptr;
  };
  for (const TrendPoint& point : series.Points()) {
    if (point.ms < fromMs) continue;
    const int64_t b = (point.ms - fromMs) / width;
    if (low && b != bucket) flush();
    bucket = b;
    if (!low || point.value < low->value) low = &point;
    if (!high || point.value > high->value) high = &point;
  }
  flush();
  return shown;
}

}  // namespace mms
