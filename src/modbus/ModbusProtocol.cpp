#include "modbus/ModbusProtocol.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>

namespace mms {

namespace {

constexpr std::array<uint16_t, 256> MakeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (int k = 0; k < 256; ++k) {
    uint16_t crc = static_cast<uint16_t>(k);
    for (int bit = 0; bit < 8; ++bit) {
      crc =
          (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    table[k] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

// The largest counts fit both frame buffers, and one more would not.
static_assert(5 + (kMaxReadBits + 7) / 8 <= kRtuFrameSize &&
              9 + (kMaxReadBits + 7) / 8 <= kTcpFrameSize &&
              9 + (kMaxReadBits + 8) / 8 > kTcpFrameSize);
static_assert(5 + 2 * kMaxReadRegisters <= kRtuFrameSize &&
              9 + 2 * kMaxReadRegisters <= kTcpFrameSize &&
              5 + 2 * (kMaxReadRegisters + 1) > kRtuFrameSize);
static_assert(7 + 2 * kMaxWriteRegisters + 2 <= kRtuFrameSize &&
              kTcpHeaderSize + 7 + 2 * kMaxWriteRegisters <= kTcpFrameSize &&
              7 + 2 * (kMaxWriteRegisters + 1) + 2 > kRtuFrameSize);
static_assert(7 + (kMaxWriteCoils + 7) / 8 + 2 <= kRtuFrameSize &&
              kTcpHeaderSize + 7 + (kMaxWriteCoils + 7) / 8 <= kTcpFrameSize);
static_assert(11 + 2 * kMaxReadWriteWrite + 2 <= kRtuFrameSize &&
              kTcpHeaderSize + 11 + 2 * kMaxReadWriteWrite <= kTcpFrameSize &&
              5 + 2 * kMaxReadWriteRead <= kRtuFrameSize);

bool IsRead(uint8_t function) { return function >= 1 && function <= 4; }
bool IsBitRead(uint8_t function) { return function == 1 || function == 2; }
// Whether the reply carries register words: 3, 4 and the read half of 23.
bool ReadsWords(uint8_t function) { return function == 3 || function == 4 || function == 23; }
bool Echoes(const uint8_t* reply, uint16_t first, uint16_t second) {
  return reply[2] == HiByte(first) && reply[3] == LoByte(first) && reply[4] == HiByte(second) &&
         reply[5] == LoByte(second);
}

// Whether request and reply of this count fit the frame buffers of both
// protocols.
bool CountFits(uint8_t function, uint16_t count) {
  switch (function) {
    case 1:
    case 2:
      return count <= kMaxReadBits;
    case 3:
    case 4:
      return count <= kMaxReadRegisters;
    case 15:
      return count <= kMaxWriteCoils;
    case 16:
      return count <= kMaxWriteRegisters;
    case 23:
      return count <= kMaxReadWriteRead;
    default:
      return true;
  }
}

int RtuTransaction(Transport& transport, uint8_t function, uint8_t deviceId, uint16_t startAddress,
                   uint16_t count, uint16_t* values, int valueCapacity) {
  uint8_t request[kRtuFrameSize];
  int length = BuildRequest(deviceId, function, startAddress, count, values, valueCapacity, request,
                            kRtuFrameSize - 2);
  AppendCrc(request, length);
  const int expected = ExpectedReplyLength(function, count);

  transport.DiscardStale();
  transport.Send(request, length);
  if (deviceId == kBroadcastId) return trOk;  // no device answers a broadcast
  const auto sentAt = transport.LastByteSentAt();

  // Zeroed so that bytes which never arrived cannot complete a frame.
  uint8_t reply[kRtuFrameSize] = {};
  const int received = transport.Receive(reply, expected, transport.TimeoutMs() + expected);
  if (received > 0) NoteResponse(transport, sentAt);
  transport.ReplyReceived(reply, std::max(received, 0));
  if (received <= 0) return trNoReply;
  // An exception reply is 5 bytes, shorter than any other.
  if (received >= 5 && Crc16(reply, 5) == 0) {
    transport.LastExchange().ExceptionCode = ReplyExceptionCode(deviceId, function, reply, 3);
  }
  if (received < expected || Crc16(reply, expected) != 0) return trInvalidReply;
  return CheckReply(deviceId, function, startAddress, count, values, valueCapacity, reply,
                    expected - 2);
}

// Whether a whole TCP frame answers the request in flight: its transaction
// identifier, unit and function (or its exception code) are the request's.
bool AnswersRequest(const uint8_t* frame, uint16_t transactionId, uint8_t deviceId,
                    uint8_t function) {
  const uint8_t replyFunction = frame[kTcpHeaderSize + 1];
  return frame[0] == HiByte(transactionId) && frame[1] == LoByte(transactionId) &&
         frame[kTcpHeaderSize] == deviceId &&
         (replyFunction == function || replyFunction == (function | 0x80));
}

// Sends a request behind the header TCP and UDP share (MBAP: transaction
// id, protocol id 0, length) and returns its transaction id.
uint16_t SendMbapRequest(Transport& transport, uint8_t function, uint8_t deviceId,
                         uint16_t startAddress, uint16_t count, const uint16_t* values,
                         int valueCapacity, uint8_t (&request)[kTcpFrameSize]) {
  const int pdu = BuildRequest(deviceId, function, startAddress, count, values, valueCapacity,
                               request + kTcpHeaderSize, kTcpFrameSize - kTcpHeaderSize);
  const uint16_t transactionId = transport.NextTransactionId();
  request[0] = HiByte(transactionId);
  request[1] = LoByte(transactionId);
  request[4] = HiByte(static_cast<uint16_t>(pdu));
  request[5] = LoByte(static_cast<uint16_t>(pdu));
  transport.DiscardStale();
  transport.Send(request, pdu + kTcpHeaderSize);
  return transactionId;
}

int TcpTransaction(Transport& transport, uint8_t function, uint8_t deviceId, uint16_t startAddress,
                   uint16_t count, uint16_t* values, int valueCapacity) {
  uint8_t request[kTcpFrameSize] = {};
  const uint16_t transactionId = SendMbapRequest(transport, function, deviceId, startAddress,
                                                 count, values, valueCapacity, request);
  if (deviceId == kBroadcastId) return trOk;
  const auto sentAt = transport.LastByteSentAt();

  // One deadline for the whole wait: frames that answer something else are
  // logged and dropped, and do not buy a fresh timeout.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(transport.TimeoutMs());
  uint8_t reply[kTcpFrameSize] = {};
  for (;;) {
    int have = 0;
    // The header first: only its length field tells where this reply ends, so
    // bytes of anything behind it are never taken into it.
    int result = trNoReply;
    if (Gather(transport, reply, have, kTcpHeaderSize, deadline)) {
      const int total = TcpFrameLength(reply);
      if (total < 0) {
        result = trInvalidReply;
      } else if (Gather(transport, reply, have, total, deadline)) {
        if (!AnswersRequest(reply, transactionId, deviceId, function)) {
          transport.ReplyReceived(reply, have);
          continue;
        }
        NoteResponse(transport, sentAt);
        result = CheckReply(deviceId, function, startAddress, count, values, valueCapacity,
                            reply + kTcpHeaderSize, total - kTcpHeaderSize);
        transport.LastExchange().ExceptionCode =
            ReplyExceptionCode(deviceId, function, reply + kTcpHeaderSize, total - kTcpHeaderSize);
      }
    }
    transport.ReplyReceived(reply, have);
    return result;
  }
}

// Modbus TCP framing in datagrams: each datagram is one whole frame, so
// there is nothing to gather. One that answers another request is logged and
// dropped, and the wait goes on within the same TimeoutMs().
int UdpTransaction(Transport& transport, uint8_t function, uint8_t deviceId, uint16_t startAddress,
                   uint16_t count, uint16_t* values, int valueCapacity) {
  uint8_t request[kTcpFrameSize] = {};
  const uint16_t transactionId = SendMbapRequest(transport, function, deviceId, startAddress,
                                                 count, values, valueCapacity, request);
  if (deviceId == kBroadcastId) return trOk;
  const auto sentAt = transport.LastByteSentAt();

  using namespace std::chrono;
  const auto deadline = steady_clock::now() + milliseconds(transport.TimeoutMs());
  uint8_t reply[kTcpFrameSize] = {};
  for (;;) {
    const auto left = ceil<milliseconds>(deadline - steady_clock::now()).count();
    const int have = left > 0 ? transport.Receive(reply, kTcpFrameSize, static_cast<int>(left)) : 0;
    if (have <= 0) return trNoReply;
    transport.ReplyReceived(reply, have);
    // A datagram shorter or longer than its own header says is no frame.
    if (have < kTcpHeaderSize + 2 || TcpFrameLength(reply) != have) return trInvalidReply;
    if (AnswersRequest(reply, transactionId, deviceId, function)) {
      NoteResponse(transport, sentAt);
      transport.LastExchange().ExceptionCode =
          ReplyExceptionCode(deviceId, function, reply + kTcpHeaderSize, have - kTcpHeaderSize);
      return CheckReply(deviceId, function, startAddress, count, values, valueCapacity,
                        reply + kTcpHeaderSize, have - kTcpHeaderSize);
    }
  }
}

}  // namespace

// Response time of a reply that has just come in whole.
void NoteResponse(Transport& transport, std::chrono::steady_clock::time_point sentAt) {
  using namespace std::chrono;
  const auto micros = duration_cast<microseconds>(steady_clock::now() - sentAt).count();
  transport.LastExchange().ResponseMicros =
      static_cast<int32_t>(std::clamp<int64_t>(micros, 0, INT32_MAX));
}

// Gathers bytes until `have` reaches `need` or the deadline passes; false when
// the reply did not complete (timeout, closed or failed connection).
bool Gather(Transport& transport, uint8_t* buffer, int& have, int need,
            std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono;
  while (have < need) {
    const auto left = ceil<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return false;
    const int got = transport.Receive(buffer + have, need - have, static_cast<int>(left));
    if (got <= 0) return false;
    have += std::min(got, need - have);
  }
  return true;
}

uint16_t Crc16(const uint8_t* data, int length) {
  uint16_t crc = 0xFFFF;
  for (int i = 0; i < length; ++i) {
    crc = static_cast<uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFF]);
  }
  return crc;
}

void AppendCrc(uint8_t* frame, int& length) {
  const uint16_t crc = Crc16(frame, length);
  frame[length] = LoByte(crc);
  frame[length + 1] = HiByte(crc);
  length += 2;
}

int BuildRequest(uint8_t deviceId, uint8_t function, uint16_t startAddress, uint16_t count,
                 const uint16_t* values, int valueCapacity, uint8_t* frame, int frameCapacity) {
  int length = 0;
  int valuesUsed = 0;
  switch (function) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      length = 6;
      valuesUsed = (function >= 5) ? 1 : 0;
      break;
    case 15:
      length = 7 + (count + 7) / 8;
      break;
    case 16:
      length = 7 + 2 * count;
      break;
    case 22:
      length = 8;
      break;
    case 23:
      if (values == nullptr || valueCapacity < 2) return 0;
      length = 11 + 2 * values[1];
      break;
    default:
      return 0;
  }
  if (function >= 15) valuesUsed = WriteWordsNeeded(function, count, values, valueCapacity);
  if (length > frameCapacity || valuesUsed > valueCapacity) return 0;
  if (valuesUsed > 0 && values == nullptr) return 0;

  frame[0] = deviceId;
  frame[1] = function;
  frame[2] = HiByte(startAddress);
  frame[3] = LoByte(startAddress);
  switch (function) {
    case 5:
      frame[4] = values[0] != 0 ? 0xFF : 0x00;
      frame[5] = 0x00;
      break;
    case 6:
    case 22:
      frame[4] = HiByte(values[0]);
      frame[5] = LoByte(values[0]);
      break;
    default:  // reads, 15, 16 and 23 carry the count
      frame[4] = HiByte(count);
      frame[5] = LoByte(count);
      break;
  }
  if (function == 15) {
    frame[6] = static_cast<uint8_t>((count + 7) / 8);
    for (int i = 0; i < frame[6]; ++i) {
      frame[7 + i] = static_cast<uint8_t>(values[i / 2] >> (8 * (i % 2)));
    }
    // Bits past the last coil go out as 0.
    if (count % 8 != 0) frame[6 + frame[6]] &= static_cast<uint8_t>((1u << (count % 8)) - 1);
  } else if (function == 16) {
    frame[6] = LoByte(static_cast<uint16_t>(count * 2));
    for (int i = 0; i < count; ++i) {
      frame[7 + 2 * i] = HiByte(values[i]);
      frame[8 + 2 * i] = LoByte(values[i]);
    }
  } else if (function == 22) {
    frame[6] = HiByte(values[1]);
    frame[7] = LoByte(values[1]);
  } else if (function == 23) {
    const uint16_t written = values[1];
    frame[6] = HiByte(values[0]);
    frame[7] = LoByte(values[0]);
    frame[8] = HiByte(written);
    frame[9] = LoByte(written);
    frame[10] = static_cast<uint8_t>(2 * written);
    for (int i = 0; i < written; ++i) {
      frame[11 + 2 * i] = HiByte(values[2 + i]);
      frame[12 + 2 * i] = LoByte(values[2 + i]);
    }
  }
  return length;
}

int WriteWordsNeeded(uint8_t function, uint16_t count, const uint16_t* values, int valueCapacity) {
  switch (function) {
    case 5:
    case 6:
      return 1;
    case 15:
      return (count + 15) / 16;
    case 16:
      return count;
    case 22:
      return 2;
    case 23:
      return (values == nullptr || valueCapacity < 2) ? 2 : 2 + values[1];
    default:
      return 0;
  }
}

int ExpectedReplyLength(uint8_t function, uint16_t count) {
  switch (function) {
    case 1:
    case 2:
      return 5 + (count + 7) / 8;
    case 3:
    case 4:
    case 23:
      return 5 + 2 * count;
    case 5:
    case 6:
    case 15:
    case 16:
      return 8;
    case 22:
      return 10;
    default:
      return 0;
  }
}

int TcpFrameLength(const uint8_t* header) {
  const int announced = header[4] * 256 + header[5];
  if (announced < 2 || kTcpHeaderSize + announced > kTcpFrameSize) return -1;
  return kTcpHeaderSize + announced;
}

int CheckReply(uint8_t deviceId, uint8_t function, uint16_t startAddress, uint16_t count,
               uint16_t* values, int valueCapacity, const uint8_t* reply, int replyLength) {
  if (reply == nullptr || replyLength < 2) return trInvalidReply;
  if (reply[0] != deviceId || reply[1] != function) return trInvalidReply;
  if (values == nullptr) valueCapacity = 0;

  switch (function) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 23: {
      // The byte count must be exactly what was asked for: a short reply
      // would leave cells showing values this poll never read.
      const int byteCount = IsBitRead(function) ? (count + 7) / 8 : 2 * count;
      if (replyLength < 3 + byteCount || reply[2] != byteCount) return trInvalidReply;
      const int stored = std::min<int>(count, valueCapacity);
      for (int i = 0; i < stored; ++i) {
        values[i] = ReadsWords(function) ? reply[3 + 2 * i] * 256 + reply[4 + 2 * i]
                                         : (reply[3 + i / 8] >> (i % 8)) & 1;
      }
      return trOk;
    }
    case 5:
      if (replyLength < 6) return trInvalidReply;
      return (reply[2] == HiByte(startAddress) && reply[3] == LoByte(startAddress) &&
              reply[5] == 0x00)
                 ? trOk
                 : trInvalidReply;
    case 6:
      if (replyLength < 6 || valueCapacity < 1) return trInvalidReply;
      return (reply[2] == HiByte(startAddress) && reply[3] == LoByte(startAddress) &&
              reply[4] == HiByte(values[0]) && reply[5] == LoByte(values[0]))
                 ? trOk
                 : trInvalidReply;
    case 15:
      if (replyLength < 6) return trInvalidReply;
      return Echoes(reply, startAddress, count) ? trOk : trInvalidReply;
    case 16:
      return replyLength < 6 ? trInvalidReply : trOk;
    case 22:
      if (replyLength < 8 || valueCapacity < 2) return trInvalidReply;
      return (Echoes(reply, startAddress, values[0]) && reply[6] == HiByte(values[1]) &&
              reply[7] == LoByte(values[1]))
                 ? trOk
                 : trInvalidReply;
    default:
      return trInvalidReply;
  }
}

uint8_t ReplyExceptionCode(uint8_t deviceId, uint8_t function, const uint8_t* reply,
                           int replyLength) {
  if (reply == nullptr || replyLength < 3 || reply[0] != deviceId) return 0;
  return reply[1] == (function | 0x80) ? reply[2] : 0;
}

int ModbusTransaction(Transport& transport, uint8_t protocolMode, uint8_t function,
                      uint8_t deviceId, uint16_t startAddress, uint16_t count, uint16_t* values,
                      int valueCapacity) {
  transport.LastExchange() = ExchangeFacts{};
  if (protocolMode > kModbusUdp) return trNoReply;
  if (values == nullptr || valueCapacity < 0) valueCapacity = 0;
  // Refused before any traffic: a request that is not ours to build, or whose
  // request or reply would not fit the frame buffers.
  if (ExpectedReplyLength(function, count) == 0 || !CountFits(function, count)) {
    return trInvalidReply;
  }
  if (valueCapacity < WriteWordsNeeded(function, count, values, valueCapacity)) {
    return trInvalidReply;
  }
  if (function == 23 && values[1] > kMaxReadWriteWrite) return trInvalidReply;
  // A broadcast has no reply to carry what a read asks for.
  if (deviceId == kBroadcastId && (IsRead(function) || function == 23)) return trInvalidReply;
  // RTU over TCP: the transport gathers the frame a serial line would end by silence.
  if (protocolMode == kModbusRtu || protocolMode == kModbusRtuOverTcp) {
    return RtuTransaction(transport, function, deviceId, startAddress, count, values,
                          valueCapacity);
  }
  if (protocolMode == kModbusUdp) {
    return UdpTransaction(transport, function, deviceId, startAddress, count, values,
                          valueCapacity);
  }
  return TcpTransaction(transport, function, deviceId, startAddress, count, values, valueCapacity);
}

}  // namespace mms
