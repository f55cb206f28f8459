#include "monitor/TrafficTap.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "modbus/ModbusProtocol.h"

namespace mms {

namespace {

void Stamp(TapEvent& event) {
  using namespace std::chrono;
  event.wallUs = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  event.steadyUs = duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void TrafficTap::SetEnabled(bool enabled) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (enabled && buffers_[0].empty()) {
    buffers_[0].resize(capacity_);
    buffers_[1].resize(capacity_);
  }
  if (!enabled) fill_[0] = fill_[1] = 0;
  enabled_.store(enabled);
}

TapEvent* TrafficTap::Reserve() {
  if (!enabled_.load() || buffers_[active_].empty()) return nullptr;
  if (fill_[active_] == capacity_) {
    ++dropped_;
    return nullptr;
  }
  TapEvent* event = &buffers_[active_][fill_[active_]++];
  Stamp(*event);
  return event;
}

void TrafficTap::LogHandOff(int direction, const uint8_t* bytes, int count) {
  if (!Enabled()) return;
  if (direction != kLogTransmitted && direction != kLogReceived) return;
  if (bytes == nullptr || count < 0) count = 0;
  std::lock_guard<std::mutex> lock(mutex_);
  TapEvent* event = Reserve();
  if (!event) return;
  event->kind = direction == kLogTransmitted ? TapEvent::kTransmitted : TapEvent::kReceived;
  event->size = static_cast<uint16_t>(std::min(count, 65535));
  event->kept = static_cast<uint16_t>(std::min(count, kTapFrameBytes));
  if (event->kept > 0) std::memcpy(event->bytes, bytes, event->kept);
}

void TrafficTap::TransactionBegun(int slot, uint8_t protocolMode) {
  if (!Enabled()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  TapEvent* event = Reserve();
  if (!event) return;
  event->kind = TapEvent::kBegin;
  event->slot = static_cast<int16_t>(slot);
  event->protocolMode = protocolMode;
  event->size = event->kept = 0;
}

void TrafficTap::TransactionEnded(int result) {
  if (!Enabled()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  TapEvent* event = Reserve();
  if (!event) return;
  event->kind = TapEvent::kEnd;
  event->result = result;
  event->size = event->kept = 0;
}

uint64_t TrafficTap::Drain(const std::function<void(const TapEvent&)>& take) {
  int taken = 0;
  size_t count = 0;
  uint64_t dropped = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken = active_;
    count = fill_[taken];
    active_ ^= 1;
    fill_[active_] = 0;
    dropped = dropped_;
    dropped_ = 0;
  }
  // The polling thread now fills the other buffer; this one is ours until
  // the next Drain.
  for (size_t i = 0; i < count; ++i) take(buffers_[taken][i]);
  return dropped;
}

TransactionFunction TapTransactions(TrafficTap& tap, TransactionFunction inner,
                                    std::function<int()> slotInProgress) {
  return [&tap, inner = std::move(inner), slotInProgress = std::move(slotInProgress)](
             Transport& transport, uint8_t protocolMode, uint8_t function, uint8_t deviceId,
             uint16_t startAddress, uint16_t count, uint16_t* values, int valueCapacity) {
    if (!tap.Enabled()) {
      return inner(transport, protocolMode, function, deviceId, startAddress, count, values,
                   valueCapacity);
    }
    tap.TransactionBegun(slotInProgress ? slotInProgress() : -1, protocolMode);
    const int result = inner(transport, protocolMode, function, deviceId, startAddress, count,
                             values, valueCapacity);
    tap.TransactionEnded(result);
    return result;
  };
}

}  // namespace mms
