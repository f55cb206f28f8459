#include "modbus/PduExchange.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "modbus/ModbusProtocol.h"

namespace mms {

namespace {

using Clock = std::chrono::steady_clock;


// Checks a reply that starts at its device-ID byte and copies its PDU out.
int TakeReply(Transport& transport, uint8_t deviceId, uint8_t function, const uint8_t* reply,
              int length, uint8_t* replyPdu, int replyCapacity, int* replyLength) {
  if (const uint8_t code = ReplyExceptionCode(deviceId, function, reply, length)) {
    transport.LastExchange().ExceptionCode = code;
    return trInvalidReply;
  }
  if (length < 2 || reply[0] != deviceId || reply[1] != function) return trInvalidReply;
  const int pduLength = std::min(length - 1, replyCapacity);
  std::memcpy(replyPdu, reply + 1, static_cast<size_t>(pduLength));
  *replyLength = pduLength;
  return trOk;
}

int RtuExchange(Transport& transport, uint8_t deviceId, const uint8_t* pdu, int pduLength,
                uint8_t* replyPdu, int replyCapacity, int* replyLength) {
  uint8_t request[kRtuFrameSize];
  request[0] = deviceId;
  std::memcpy(request + 1, pdu, static_cast<size_t>(pduLength));
  int length = pduLength + 1;
  AppendCrc(request, length);
  transport.DiscardStale();
  transport.Send(request, length);
  const auto sentAt = transport.LastByteSentAt();

  // The whole frame buffer: the serial line ends the reply at its silence.
  uint8_t reply[kRtuFrameSize] = {};
  const int received = transport.Receive(reply, kRtuFrameSize, transport.TimeoutMs());
  if (received > 0) NoteResponse(transport, sentAt);
  transport.ReplyReceived(reply, std::max(received, 0));
  if (received <= 0) return trNoReply;
  if (received < 4 || Crc16(reply, received) != 0) return trInvalidReply;
  return TakeReply(transport, deviceId, pdu[0], reply, received - 2, replyPdu, replyCapacity,
                   replyLength);
}


// A whole frame behind its header: gathered from a stream, or one datagram
// (a datagram read in parts would lose its rest). False when none came in time;
// total is -1 for a frame whose header does not describe it.
bool ReceiveMbapFrame(Transport& transport, bool datagram, uint8_t (&reply)[kTcpFrameSize],
                      int& have, int& total, Clock::time_point deadline) {
  have = 0;
  total = -1;
  if (datagram) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    have = left > 0 ? transport.Receive(reply, kTcpFrameSize, static_cast<int>(left)) : 0;
    if (have <= 0) {
      have = 0;
      return false;
    }
    if (have >= kTcpHeaderSize && TcpFrameLength(reply) == have) total = have;
    return true;
  }
  if (!Gather(transport, reply, have, kTcpHeaderSize, deadline)) return false;
  total = TcpFrameLength(reply);
  return total < 0 || Gather(transport, reply, have, total, deadline);
}

int TcpExchange(Transport& transport, bool datagram, uint8_t deviceId, const uint8_t* pdu,
                int pduLength, uint8_t* replyPdu, int replyCapacity, int* replyLength) {
  uint8_t request[kTcpFrameSize] = {};
  const uint16_t transactionId = transport.NextTransactionId();
  request[0] = HiByte(transactionId);
  request[1] = LoByte(transactionId);
  request[4] = HiByte(static_cast<uint16_t>(pduLength + 1));
  request[5] = LoByte(static_cast<uint16_t>(pduLength + 1));
  request[kTcpHeaderSize] = deviceId;
  std::memcpy(request + kTcpHeaderSize + 1, pdu, static_cast<size_t>(pduLength));
  transport.DiscardStale();
  transport.Send(request, kTcpHeaderSize + 1 + pduLength);
  const auto sentAt = transport.LastByteSentAt();

  const auto deadline = Clock::now() + std::chrono::milliseconds(transport.TimeoutMs());
  uint8_t reply[kTcpFrameSize] = {};
  for (;;) {
    int have = 0;
    int total = -1;
    int result = trNoReply;
    if (ReceiveMbapFrame(transport, datagram, reply, have, total, deadline)) {
      if (total < 0) {
        result = trInvalidReply;
      } else {
        const uint8_t function = reply[kTcpHeaderSize + 1];
        const bool ours = reply[0] == HiByte(transactionId) && reply[1] == LoByte(transactionId) &&
                          reply[kTcpHeaderSize] == deviceId && (function & 0x7F) == pdu[0];
        if (!ours) {
          transport.ReplyReceived(reply, have);
          continue;
        }
        NoteResponse(transport, sentAt);
        result = TakeReply(transport, deviceId, pdu[0], reply + kTcpHeaderSize,
                           total - kTcpHeaderSize, replyPdu, replyCapacity, replyLength);
      }
    }
    transport.ReplyReceived(reply, have);
    return result;
  }
}

}  // namespace

int ExchangePdu(Transport& transport, uint8_t protocolMode, uint8_t deviceId, const uint8_t* pdu,
                int pduLength, uint8_t* replyPdu, int replyCapacity, int* replyLength) {
  transport.LastExchange() = ExchangeFacts{};
  *replyLength = 0;
  // A PDU is at most 253 bytes.
  if (pdu == nullptr || pduLength < 1 || pduLength > 253) return trInvalidReply;
  // RTU over TCP: a reply of unknown length ends at the Timeout, as the
  // stream has no silence to end it.
  if (protocolMode == kModbusRtu || protocolMode == kModbusRtuOverTcp) {
    return RtuExchange(transport, deviceId, pdu, pduLength, replyPdu, replyCapacity, replyLength);
  }
  if (protocolMode == kModbusTcp || protocolMode == kModbusUdp) {
    return TcpExchange(transport, protocolMode == kModbusUdp, deviceId, pdu, pduLength, replyPdu,
                       replyCapacity, replyLength);
  }
  return trNoReply;
}

}  // namespace mms
