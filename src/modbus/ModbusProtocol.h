#pragma once
#include <cstdint>

#include "modbus/Transport.h"

// Modbus RTU and TCP frames, the CRC, reply validation and one request/reply
// exchange of the master. Stateless; no heap use on the transaction path.
namespace mms {

// The outcome of one exchange (a plain integer for the callers).
enum TransactionResult : int {
  trOk = 0,              // a complete, valid reply; read values are stored
  trInvalidReply = 128,  // a reply arrived but failed validation, or the request was refused
  trNoReply = 129,       // nothing usable arrived within the timeout, or the link failed
};

// Frame buffers: an RTU frame is at most 256 bytes (address, 253-byte PDU,
// CRC), a TCP frame at most 260 bytes (6-byte header, unit id, 253-byte PDU).
inline constexpr int kRtuFrameSize = 256;
inline constexpr int kTcpFrameSize = 260;
// TCP header before the unit id: transaction id, protocol id, length.
inline constexpr int kTcpHeaderSize = 6;

// The largest counts whose request and reply fit the frame buffers of both
// protocols. A larger count is refused by ModbusTransaction without traffic.
inline constexpr uint16_t kMaxReadBits = 2008;       // functions 1, 2
inline constexpr uint16_t kMaxReadRegisters = 125;   // functions 3, 4
inline constexpr uint16_t kMaxWriteRegisters = 123;  // function 16

constexpr uint8_t HiByte(uint16_t value) { return static_cast<uint8_t>(value >> 8); }
constexpr uint8_t LoByte(uint16_t value) { return static_cast<uint8_t>(value & 0xFF); }

// CRC-16 of the Modbus standard (reflected 0xA001, initial 0xFFFF). 0xFFFF for
// an empty input; a frame followed by its own CRC gives 0.
uint16_t Crc16(const uint8_t* data, int length);

// Writes the CRC of frame[0..length) at frame[length] (low byte) and
// frame[length + 1] (high byte) and adds 2 to length. The frame must hold
// length + 2 bytes.
void AppendCrc(uint8_t* frame, int& length);

// Fills frame from offset 0 (device ID first; no CRC, no TCP header) and
// returns the request length: 6 for functions 1-6, 7 + 2 * count for 16, whose
// byte-count field is the low 8 bits of count * 2. Returns 0 and leaves frame
// untouched for another function code, when the request would not fit
// frameCapacity, or when values holds fewer words than the request sends
// (1 for functions 5 and 6, count for 16; reads use none).
int BuildRequest(uint8_t deviceId, uint8_t function, uint16_t startAddress, uint16_t count,
                 const uint16_t* values, int valueCapacity, uint8_t* frame, int frameCapacity);

// RTU reply length including the CRC: 5 + (count + 7) / 8 for 1 and 2,
// 5 + 2 * count for 3 and 4, 8 for 5, 6 and 16, 0 for any other code.
// A TCP reply is 4 bytes longer.
int ExpectedReplyLength(uint8_t function, uint16_t count);

// Total length of a TCP frame from its first kTcpHeaderSize bytes (6 + the
// length field), or -1 when the length field cannot describe a reply: less
// than 2 (unit id and function) or a frame longer than kTcpFrameSize.
int TcpFrameLength(const uint8_t* header);

// Validates a reply that starts at its device-ID byte; replyLength is the
// number of bytes that arrived from there on (without an RTU CRC). Returns
// trOk or trInvalidReply. Checks device ID and function (so every exception
// reply is invalid), then per function: 1, 2 need a byte count of exactly
// (count + 7) / 8 and store `count` bits as 0/1 words; 3, 4 need a byte count
// of exactly 2 * count and store `count` registers; 5 checks the echoed
// address and a 0x00 last byte; 6 checks the echoed address and values[0];
// 16 checks nothing more. A reply too short for its function or its byte
// count is invalid. Stores never go past values[valueCapacity - 1]; values
// is written only for a valid reply.
int CheckReply(uint8_t deviceId, uint8_t function, uint16_t startAddress, uint16_t count,
               uint16_t* values, int valueCapacity, const uint8_t* reply, int replyLength);

// One request and its reply over `transport`, framed by protocolMode
// (kModbusRtu, kModbusTcp, kModbusRtuOverTcp, kModbusUdp). Input already
// waiting is discarded first. RTU and RTU over TCP: one Receive of the
// expected length; short or bad-CRC replies are invalid, as is a reply from
// another device or with another function. UDP: as TCP, but each Receive is
// one whole frame; a datagram whose length is not its header's is invalid. TCP: the
// request carries transport.NextTransactionId(); the header, then the bytes
// its length field announces, gathered within one TimeoutMs(). A whole frame
// whose transaction identifier, unit or function (exception replies count as
// the function) is not the request's is reported through ReplyReceived and
// dropped, and the wait goes on within the same TimeoutMs(). Reads store at
// most valueCapacity values; writes send values[0] (5, 6) or values[0..count)
// (16).
// Returns trInvalidReply without any traffic for an unknown function, a count
// above the kMax... limits, or too few values for a write; trNoReply without
// traffic for an unknown protocolMode.
int ModbusTransaction(Transport& transport, uint8_t protocolMode, uint8_t function,
                      uint8_t deviceId, uint16_t startAddress, uint16_t count, uint16_t* values,
                      int valueCapacity);

}  // namespace mms
