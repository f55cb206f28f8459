#include "modbus/ModbusProtocol.h"

#include <algorithm>
#include <array>
#include <chrono>

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

bool IsRead(uint8_t function) { return function >= 1 && function <= 4; }
bool IsBitRead(uint8_t function) { return function == 1 || function == 2; }

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
    case 16:
      return count <= kMaxWriteRegisters;
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

  // Zeroed so that bytes which never arrived cannot complete a frame.
  uint8_t reply[kRtuFrameSize] = {};
  const int received = transport.Receive(reply, expected, transport.TimeoutMs() + expected);
  transport.ReplyReceived(reply, std::max(received, 0));
  if (received <= 0) return trNoReply;
  if (received < expected || Crc16(reply, expected) != 0) return trInvalidReply;
  return CheckReply(deviceId, function, startAddress, count, values, valueCapacity, reply,
                    expected - 2);
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

// Whether a whole TCP frame answers the request in flight: its transaction
// identifier, unit and function (or its exception code) are the request's.
bool AnswersRequest(const uint8_t* frame, uint16_t transactionId, uint8_t deviceId,
                    uint8_t function) {
  const uint8_t replyFunction = frame[kTcpHeaderSize + 1];
  return frame[0] == HiByte(transactionId) && frame[1] == LoByte(transactionId) &&
         frame[kTcpHeaderSize] == deviceId &&
         (replyFunction == function || replyFunction == (function | 0x80));
}

int TcpTransaction(Transport& transport, uint8_t function, uint8_t deviceId, uint16_t startAddress,
                   uint16_t count, uint16_t* values, int valueCapacity) {
  uint8_t request[kTcpFrameSize] = {};  // the protocol id stays 0
  const int pdu = BuildRequest(deviceId, function, startAddress, count, values, valueCapacity,
                               request + kTcpHeaderSize, kTcpFrameSize - kTcpHeaderSize);
  const uint16_t transactionId = transport.NextTransactionId();
  request[0] = HiByte(transactionId);
  request[1] = LoByte(transactionId);
  request[4] = HiByte(static_cast<uint16_t>(pdu));
  request[5] = LoByte(static_cast<uint16_t>(pdu));

  transport.DiscardStale();
  transport.Send(request, pdu + kTcpHeaderSize);

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
        result = CheckReply(deviceId, function, startAddress, count, values, valueCapacity,
                            reply + kTcpHeaderSize, total - kTcpHeaderSize);
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
  uint8_t request[kTcpFrameSize] = {};  // the protocol id stays 0
  const int pdu = BuildRequest(deviceId, function, startAddress, count, values, valueCapacity,
                               request + kTcpHeaderSize, kTcpFrameSize - kTcpHeaderSize);
  const uint16_t transactionId = transport.NextTransactionId();
  request[0] = HiByte(transactionId);
  request[1] = LoByte(transactionId);
  request[4] = HiByte(static_cast<uint16_t>(pdu));
  request[5] = LoByte(static_cast<uint16_t>(pdu));

  transport.DiscardStale();
  transport.Send(request, pdu + kTcpHeaderSize);

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
      return CheckReply(deviceId, function, startAddress, count, values, valueCapacity,
                        reply + kTcpHeaderSize, have - kTcpHeaderSize);
    }
  }
}

}  // namespace

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
    case 16:
      length = 7 + 2 * count;
      valuesUsed = count;
      break;
    default:
      return 0;
  }
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
      frame[4] = HiByte(values[0]);
      frame[5] = LoByte(values[0]);
      break;
    default:  // reads and 16 carry the count
      frame[4] = HiByte(count);
      frame[5] = LoByte(count);
      break;
  }
  if (function == 16) {
    frame[6] = LoByte(static_cast<uint16_t>(count * 2));
    for (int i = 0; i < count; ++i) {
      frame[7 + 2 * i] = HiByte(values[i]);
      frame[8 + 2 * i] = LoByte(values[i]);
    }
  }
  return length;
}

int ExpectedReplyLength(uint8_t function, uint16_t count) {
  switch (function) {
    case 1:
    case 2:
      return 5 + (count + 7) / 8;
    case 3:
    case 4:
      return 5 + 2 * count;
    case 5:
    case 6:
    case 16:
      return 8;
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
    case 4: {
      // The byte count must be exactly what was asked for: a short reply
      // would leave cells showing values this poll never read.
      const int byteCount = IsBitRead(function) ? (count + 7) / 8 : 2 * count;
      if (replyLength < 3 + byteCount || reply[2] != byteCount) return trInvalidReply;
      const int stored = std::min<int>(count, valueCapacity);
      for (int i = 0; i < stored; ++i) {
        values[i] = IsBitRead(function) ? (reply[3 + i / 8] >> (i % 8)) & 1
                                        : reply[3 + 2 * i] * 256 + reply[4 + 2 * i];
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
    case 16:
      return replyLength < 6 ? trInvalidReply : trOk;
    default:
      return trInvalidReply;
  }
}

int ModbusTransaction(Transport& transport, uint8_t protocolMode, uint8_t function,
                      uint8_t deviceId, uint16_t startAddress, uint16_t count, uint16_t* values,
                      int valueCapacity) {
  if (protocolMode > kModbusUdp) return trNoReply;
  if (values == nullptr || valueCapacity < 0) valueCapacity = 0;
  // Refused before any traffic: a request that is not ours to build, or whose
  // request or reply would not fit the frame buffers.
  if (ExpectedReplyLength(function, count) == 0 || !CountFits(function, count)) {
    return trInvalidReply;
  }
  if (!IsRead(function)) {
    const int needed = function == 16 ? count : 1;
    if (valueCapacity < needed) return trInvalidReply;
  }
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
