#include "monitor/TrafficDecoder.h"

#include <algorithm>
#include <cstring>

#include "modbus/ModbusProtocol.h"
#include "modbus/Transport.h"

namespace mms {

namespace {

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// The request's fields from its PDU (function code first).
void DecodeRequest(const uint8_t* pdu, int length, MonitorFrame& frame) {
  const uint8_t function = pdu[0];
  switch (function) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 15:
    case 16:
    case 23:
      if (length < 5) break;
      frame.hasRange = true;
      frame.address = Word(pdu + 1);
      frame.count = Word(pdu + 3);
      return;
    case 5:
    case 6:
    case 22:
      if (length < 3) break;
      frame.hasRange = true;
      frame.address = Word(pdu + 1);
      frame.count = 1;
      return;
    default:
      return;
  }
  frame.problems |= kProblemShort;
}

// The RTU length of a reply to `request`, CRC included; 0 when only the
// frame itself can tell.
int RtuReplyLength(const MonitorFrame& request, const uint8_t* bytes, int count) {
  switch (request.function) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 15:
    case 16:
      return ExpectedReplyLength(request.function == 15 ? 5 : request.function, request.count);
    case 22:
      return 10;
    case 23:
      return 5 + 2 * request.count;
    case 17:
      return count >= 3 ? 5 + bytes[2] : 0;
    default:
      return 0;
  }
}

// The data bytes a read reply must carry.
int ReadByteCount(const MonitorFrame& request) {
  switch (request.function) {
    case 1:
    case 2:
      return (request.count + 7) / 8;
    case 3:
    case 4:
    case 23:
      return 2 * request.count;
    default:
      return -1;
  }
}

void CheckRtuReply(const uint8_t* bytes, int count, const MonitorFrame* request,
                   MonitorFrame& frame) {
  int need = frame.exception ? 5 : 0;
  if (!need && request && request->function == frame.function) {
    need = RtuReplyLength(*request, bytes, count);
  }
  if (need == 0) need = count;
  if (count < std::max(need, 4)) {
    frame.problems |= kProblemShort;
  } else if (Crc16(bytes, need) != 0) {
    frame.problems |= kProblemCrc;
  }
}

void CheckTcpReply(const uint8_t* bytes, int count, const MonitorFrame* request,
                   MonitorFrame& frame) {
  const int total = kTcpHeaderSize + Word(bytes + 4);
  if (count < total) frame.problems |= kProblemShort;
  if (request && frame.transactionId != request->transactionId) frame.problems |= kProblemWrongId;
  const int byteCount = request ? ReadByteCount(*request) : -1;
  if (!frame.exception && byteCount >= 0 && request->function == frame.function &&
      count < kTcpHeaderSize + 3 + byteCount) {
    frame.problems |= kProblemShort;
  }
}

// What a reply that never came is listed under: the request's unit, function
// and range.
void CopyRequest(const MonitorFrame& request, MonitorFrame& frame) {
  frame.decoded = request.decoded;
  frame.unit = request.unit;
  frame.function = request.function;
  frame.hasRange = request.hasRange;
  frame.address = request.address;
  frame.count = request.count;
}

}  // namespace

void DecodeFrame(const uint8_t* bytes, int count, bool rtu, bool transmitted,
                 const MonitorFrame* request, MonitorFrame& frame) {
  frame.rtu = rtu;
  frame.direction = transmitted ? kLogTransmitted : kLogReceived;
  const int unitAt = rtu ? 0 : kTcpHeaderSize;
  if (count == 0 && !transmitted) {
    frame.problems |= kProblemTimeout;  // a serial line logs silence as an empty frame
    if (request) CopyRequest(*request, frame);
    return;
  }
  if (count < unitAt + 2) {
    frame.problems |= kProblemShort;
    return;
  }
  if (!rtu) frame.transactionId = Word(bytes);
  frame.decoded = true;
  frame.unit = bytes[unitAt];
  frame.function = bytes[unitAt + 1] & 0x7F;
  const uint8_t* pdu = bytes + unitAt + 1;
  const int pduLength = count - unitAt - 1 - (rtu ? 2 : 0);
  if (transmitted) {
    DecodeRequest(pdu, pduLength, frame);
    if (rtu && Crc16(bytes, count) != 0) frame.problems |= kProblemCrc;
    return;
  }
  if ((bytes[unitAt + 1] & 0x80) && count > unitAt + 2) frame.exception = bytes[unitAt + 2];
  if (request && request->decoded) {
    frame.hasRange = request->hasRange;
    frame.address = request->address;
    frame.count = request->count;
    if (frame.unit != request->unit) frame.problems |= kProblemWrongUnit;
    if (frame.function != request->function) frame.problems |= kProblemInvalid;
  }
  if (rtu) {
    CheckRtuReply(bytes, count, request, frame);
  } else {
    CheckTcpReply(bytes, count, request, frame);
  }
}

bool TrafficDecoder::RtuFramed(uint8_t protocolMode, const uint8_t* bytes, int count) {
  if (protocolMode == kModbusRtu || protocolMode == kModbusRtuOverTcp) return true;
  if (protocolMode == kModbusTcp || protocolMode == kModbusUdp) return false;
  // Another mode: an MBAP header whose protocol id is 0 and whose length
  // field covers the frame, unless the frame also ends in a valid CRC.
  const bool mbap =
      count >= 8 && bytes[2] == 0 && bytes[3] == 0 && kTcpHeaderSize + Word(bytes + 4) == count;
  return !mbap || (count >= 4 && Crc16(bytes, count) == 0);
}

void TrafficDecoder::Feed(const TapEvent& event, const Emit& emit) {
  switch (event.kind) {
    case TapEvent::kBegin:
      Flush(emit);  // a transaction whose end was never seen
      open_ = true;
      slot_ = event.slot;
      mode_ = event.protocolMode;
      return;
    case TapEvent::kEnd:
      Finish(event.result, event.wallUs, event.steadyUs, emit);
      return;
    default:
      break;
  }
  const bool transmitted = event.kind == TapEvent::kTransmitted;
  MonitorFrame frame;
  frame.wallUs = event.wallUs;
  frame.slot = open_ ? slot_ : -1;
  frame.size = event.size;
  frame.kept = event.kept;
  std::memcpy(frame.bytes, event.bytes, event.kept);
  const bool rtu = RtuFramed(mode_, event.bytes, event.kept);
  const bool requestSent = open_ && request_ >= 0;
  if (transmitted && open_ && !requestSent) {
    DecodeFrame(event.bytes, event.kept, rtu, true, nullptr, frame);
    request_ = static_cast<int>(pending_.size());
    requestSteadyUs_ = event.steadyUs;
  } else if (!transmitted && requestSent) {
    DecodeFrame(event.bytes, event.kept, rtu, false, &pending_[request_], frame);
    frame.responseUs = static_cast<int32_t>(event.steadyUs - requestSteadyUs_);
  } else {
    // Input before the request (discarded by the master) or outside any
    // transaction, or a second request.
    DecodeFrame(event.bytes, event.kept, rtu, transmitted, nullptr, frame);
    if (!transmitted) frame.problems = (frame.problems & ~kProblemTimeout) | kProblemStale;
  }
  if (!open_) {
    emit(frame);
    return;
  }
  pending_.push_back(frame);
}

void TrafficDecoder::Finish(int result, int64_t wallUs, int64_t steadyUs, const Emit& emit) {
  if (!open_ || request_ < 0) {
    Flush(emit);
    return;
  }
  // The last frame after the request is the one the master judged.
  MonitorFrame* reply = nullptr;
  for (size_t i = request_ + 1; i < pending_.size(); ++i) reply = &pending_[i];
  if (result == trNoReply) {
    const bool answersOther = reply && (reply->problems & (kProblemWrongId | kProblemWrongUnit));
    if (reply && !answersOther) {
      // Silence (an empty serial frame) or a reply cut off by the timeout.
      if (reply->size > 0) reply->problems |= kProblemShort;
      reply->problems |= kProblemTimeout;
    } else {
      MonitorFrame silence;
      CopyRequest(pending_[request_], silence);
      silence.wallUs = wallUs;
      silence.slot = slot_;
      silence.direction = kLogReceived;
      silence.rtu = pending_[request_].rtu;
      silence.problems = kProblemTimeout;
      silence.responseUs = static_cast<int32_t>(steadyUs - requestSteadyUs_);
      pending_.push_back(silence);
    }
  } else if (result == trInvalidReply && reply && !reply->HasTrouble()) {
    reply->problems |= kProblemInvalid;
  }
  Flush(emit);
}

void TrafficDecoder::Flush(const Emit& emit) {
  for (MonitorFrame& frame : pending_) emit(frame);
  pending_.clear();
  open_ = false;
  request_ = -1;
}

}  // namespace mms
