#pragma once
#include <functional>
#include <vector>

#include "monitor/MonitorFrame.h"
#include "monitor/TrafficTap.h"

namespace mms {

// Turns the tap's events into decoded frames. A transaction's frames are held
// until it ends, so that what only its end tells (a timeout, a reply the
// master refused) is marked on them; frames outside any transaction pass at
// once. RTU framing for RTU and RTU over TCP, the MBAP header for TCP and UDP.
class TrafficDecoder {
 public:
  using Emit = std::function<void(MonitorFrame&)>;
  void Feed(const TapEvent& event, const Emit& emit);

  // RTU framing for this protocol mode, or (a mode not known here) by the
  // look of the frame.
  static bool RtuFramed(uint8_t protocolMode, const uint8_t* bytes, int count);

 private:
  void Finish(int result, int64_t wallUs, int64_t steadyUs, const Emit& emit);
  void Flush(const Emit& emit);

  bool open_ = false;
  int16_t slot_ = -1;
  uint8_t mode_ = 0;
  std::vector<MonitorFrame> pending_;  // the open transaction's frames
  int request_ = -1;                   // its request in pending_
  int64_t requestSteadyUs_ = 0;
};

// Decodes one frame on its own; `request` (may be null) is what a reply
// answers. Exposed for the tests.
void DecodeFrame(const uint8_t* bytes, int count, bool rtu, bool transmitted,
                 const MonitorFrame* request, MonitorFrame& frame);

}  // namespace mms
