#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "common/WindowRecord.h"
#include "datawindow/ValueEncoding.h"

namespace mms {

// The number a value cell shows, from a poll result: the cell at `offset`
// of the poll, as `encoding` reads its registers (a 32- or 64-bit value from
// the first offset of its group); coils and inputs as 0 and 1. nullopt when
// the poll did not bring every word the value needs.
std::optional<double> CellNumber(const PollResult& result, int offset,
                                 const ValueEncoding& encoding);

struct TrendPoint {
  int64_t ms;  // milliseconds since the epoch
  double value;
};

// One plotted cell's recent values, oldest first: at most kMaxPoints, and
// none older than the longest span a trend shows.
class TrendSeries {
 public:
  static constexpr size_t kMaxPoints = 20000;
  static constexpr int64_t kMaxSpanMs = 60 * 60 * 1000;

  // Adds a point (a time before the last point's is taken as the last's) and
  // drops what the bounds leave out.
  void Add(int64_t ms, double value);
  const std::deque<TrendPoint>& Points() const { return points_; }

 private:
  std::deque<TrendPoint> points_;
};

// The points of `series` from `fromMs` on, thinned for a plot `buckets`
// wide: where a bucket of time holds more than two points, only its lowest
// and highest stay (in their order), so peaks survive.
std::vector<TrendPoint> PlotPoints(const TrendSeries& series, int64_t fromMs, int64_t toMs,
                                   int buckets);

}  // namespace mms
