#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "monitor/MonitorFrame.h"

namespace mms {

// Which frames the monitor lists; -1 for any.
struct TrafficFilter {
  int slot = -1;
  int unit = -1;
  int function = -1;
  bool problemsOnly = false;

  bool Matches(const MonitorFrame& frame) const;
};

// The last `capacity` decoded frames, oldest dropped first. Each frame keeps
// the sequence number it was given, so a view can tell which of the frames it
// lists are gone. User-interface thread only.
class TrafficHistory {
 public:
  static constexpr size_t kDefaultCapacity = 100000;
  explicit TrafficHistory(size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // Stores a copy; returns its sequence number.
  uint64_t Append(const MonitorFrame& frame);
  void Clear();

  size_t Size() const { return frames_.size(); }
  size_t Capacity() const { return capacity_; }
  // Sequence numbers held: [FirstSeq(), NextSeq()).
  uint64_t FirstSeq() const { return nextSeq_ - frames_.size(); }
  uint64_t NextSeq() const { return nextSeq_; }
  // The frame, or null when it has been dropped (or never was).
  const MonitorFrame* Find(uint64_t seq) const;

 private:
  size_t capacity_;
  std::vector<MonitorFrame> frames_;  // grows to capacity_, then a ring
  size_t oldest_ = 0;                 // index of FirstSeq() once full
  uint64_t nextSeq_ = 1;
};

}  // namespace mms
