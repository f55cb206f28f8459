#pragma once
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "common/WindowRecord.h"

namespace mms {

inline constexpr int kMaxDataWindows = 65;

// DataWindows and WindowCount: 65 slots handed out in order and never reused.
// Written on the user-interface thread, read by the polling thread.
class WindowTable {
 public:
  int WindowCount() const { return count_.load(); }
  bool Full() const { return WindowCount() >= kMaxDataWindows; }

  // The record in slot i, or null for an empty slot or an index outside the table.
  std::shared_ptr<WindowRecord> Slot(int i) const {
    if (i < 0 || i >= kMaxDataWindows) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_[i];
  }

  // Puts record into slot WindowCount, then grows WindowCount. Returns the
  // slot, or -1 when no slot is left.
  int Add(std::shared_ptr<WindowRecord> record) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int slot = count_.load();
    if (slot >= kMaxDataWindows) return -1;
    slots_[slot] = std::move(record);
    count_.store(slot + 1);
    return slot;
  }

  void Empty(int slot) {
    if (slot < 0 || slot >= kMaxDataWindows) return;
    std::lock_guard<std::mutex> lock(mutex_);
    slots_[slot].reset();
  }

 private:
  mutable std::mutex mutex_;
  std::array<std::shared_ptr<WindowRecord>, kMaxDataWindows> slots_;
  std::atomic<int> count_{0};
};

}  // namespace mms
