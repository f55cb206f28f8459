#pragma once
#include <cstdint>
#include <string>

#include "log/LogSink.h"
#include "monitor/TrafficTap.h"

namespace mms {

// What can be wrong with a frame; a frame may have several.
enum FrameProblem : uint16_t {
  kProblemTimeout = 1 << 0,    // no reply within the timeout
  kProblemCrc = 1 << 1,        // RTU checksum does not match
  kProblemWrongUnit = 1 << 2,  // reply from another unit
  kProblemWrongId = 1 << 3,    // TCP transaction identifier not the request's
  kProblemShort = 1 << 4,      // fewer bytes than the frame needs
  kProblemStale = 1 << 5,      // input that waited before a request, discarded
  kProblemInvalid = 1 << 6,    // refused for another reason (function, byte count)
};

// One frame of the conversation, decoded. Address and count are the
// request's (a reply carries the request's, so a reply row reads whole).
struct MonitorFrame {
  uint64_t seq = 0;         // given by TrafficHistory
  int64_t wallUs = 0;       // system clock, microseconds since the epoch
  int32_t responseUs = -1;  // replies: time since the request went out
  int16_t slot = -1;        // the data window, -1 when not known
  uint8_t direction = kLogTransmitted;
  bool rtu = true;       // RTU framing (else MBAP header)
  bool decoded = false;  // unit and function were read from the frame
  uint8_t unit = 0;
  uint8_t function = 0;   // without the exception bit
  uint8_t exception = 0;  // exception code, 0 for none
  bool hasRange = false;
  uint16_t address = 0;
  uint16_t count = 0;
  uint16_t transactionId = 0;
  uint16_t problems = 0;
  uint16_t size = 0;  // bytes on the wire
  uint16_t kept = 0;  // of them in bytes
  uint8_t bytes[kTapFrameBytes];

  bool HasTrouble() const { return problems != 0 || exception != 0; }
};

// Texts of the monitor's columns.
std::string TimeText(int64_t wallUs);                  // local time, "14:03:07.125"
const char* DirectionText(const MonitorFrame& frame);  // "tx", "rx"
std::string FunctionText(const MonitorFrame& frame);   // "Read holding registers"
const char* FunctionName(uint8_t function);            // "" for a code without a name
// Written values of a request, read values of a reply, or the exception
// ("exception 02, illegal data address"); at most `maxValues` values, then "...".
std::string ValuesText(const MonitorFrame& frame, int maxValues);
std::string ResponseText(const MonitorFrame& frame);  // "12.3 ms", "" for none
std::string ProblemsText(uint16_t problems);          // "CRC error, short reply"
std::string BytesText(const MonitorFrame& frame);     // "01 03 00 00 00 0A C5 CD"
// One line: the columns above and the bytes, separated by tabs.
std::string FrameLine(const MonitorFrame& frame, const std::string& window);

}  // namespace mms
