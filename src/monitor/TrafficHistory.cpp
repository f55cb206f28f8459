#include "monitor/TrafficHistory.h"

namespace mms {

bool TrafficFilter::Matches(const MonitorFrame& frame) const {
  if (slot >= 0 && frame.slot != slot) return false;
  if (unit >= 0 && (!frame.decoded || frame.unit != unit)) return false;
  if (function >= 0 && (!frame.decoded || frame.function != function)) return false;
  return !problemsOnly || frame.HasTrouble();
}

uint64_t TrafficHistory::Append(const MonitorFrame& frame) {
  if (capacity_ == 0) return nextSeq_++;
  if (frames_.size() < capacity_) {
    frames_.push_back(frame);
    frames_.back().seq = nextSeq_;
  } else {
    frames_[oldest_] = frame;
    frames_[oldest_].seq = nextSeq_;
    oldest_ = (oldest_ + 1) % capacity_;
  }
  return nextSeq_++;
}

void TrafficHistory::Clear() {
  frames_.clear();
  oldest_ = 0;
}

const MonitorFrame* TrafficHistory::Find(uint64_t seq) const {
  if (seq < FirstSeq() || seq >= nextSeq_) return nullptr;
  return &frames_[(oldest_ + (seq - FirstSeq())) % frames_.size()];
}

}  // namespace mms
