#pragma once
#include <chrono>
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
inline constexpr uint16_t kMaxWriteCoils = 1968;     // function 15
inline constexpr uint16_t kMaxReadWriteRead = 125;   // function 23, registers read
inline constexpr uint16_t kMaxReadWriteWrite = 121;  // function 23, registers written

// Device ID 0 addresses every device: a write is sent and no reply awaited,
// a read is never sent.
inline constexpr uint8_t kBroadcastId = 0;

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
// The other writes lay their operands into values (WriteWordsNeeded):
// - 15: count coils, packed 16 to a word, coil i at bit i % 16 of
//   values[i / 16]; 7 + (count + 7) / 8 bytes.
// - 22: values[0] the AND mask, values[1] the OR mask; count unused; 8 bytes.
// - 23: startAddress and count the registers read; values[0] the write
//   address, values[1] the write count w, values[2 .. 2 + w) the words; 11 + 2w
//   bytes.
int BuildRequest(uint8_t deviceId, uint8_t function, uint16_t startAddress, uint16_t count,
                 const uint16_t* values, int valueCapacity, uint8_t* frame, int frameCapacity);

// The words of values a write request reads (see BuildRequest), 0 for reads;
// for 23 at least 2, so that its write count can be read.
int WriteWordsNeeded(uint8_t function, uint16_t count, const uint16_t* values, int valueCapacity);

// RTU reply length including the CRC: 5 + (count + 7) / 8 for 1 and 2,
// 5 + 2 * count for 3, 4 and 23, 8 for 5, 6, 15 and 16, 10 for 22, 0 for any
// other code.
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
// 15 checks the echoed address and count; 16 checks nothing more; 22 checks
// the echoed address and masks (values[0], values[1]); 23 is read like 3 and
// stores its words from values[0] on. A reply too short for its function or its byte
// count is invalid. Stores never go past values[valueCapacity - 1]; values
// is written only for a valid reply.
int CheckReply(uint8_t deviceId, uint8_t function, uint16_t startAddress, uint16_t count,
               uint16_t* values, int valueCapacity, const uint8_t* reply, int replyLength);

// The exception code of an exception reply to `function` from `deviceId`
// (function | 0x80, then the code), starting at its device-ID byte; 0 for any
// other reply or one too short to carry a code.
uint8_t ReplyExceptionCode(uint8_t deviceId, uint8_t function, const uint8_t* reply,
                           int replyLength);

// Notes in transport.LastExchange() the response time of a reply that has
// just come in whole, counted from `sentAt`.
void NoteResponse(Transport& transport, std::chrono::steady_clock::time_point sentAt);

// Gathers bytes until `have` reaches `need` or the deadline passes; false when
// the reply did not complete (timeout, closed or failed connection).
bool Gather(Transport& transport, uint8_t* buffer, int& have, int need,
            std::chrono::steady_clock::time_point deadline);

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
// (16), or their operands as BuildRequest lays them out.
// Device ID 0 (broadcast): a write is sent and returns trOk at once, nothing
// received, no reply logged; a read (23 included) returns trInvalidReply
// without traffic.
// Returns trInvalidReply without any traffic for an unknown function, a count
// above the kMax... limits, or too few values for a write; trNoReply without
// traffic for an unknown protocolMode.
// transport.LastExchange() tells, afterwards, an exception reply's code and
// the response time of any reply that arrived.
int ModbusTransaction(Transport& transport, uint8_t protocolMode, uint8_t function,
                      uint8_t deviceId, uint16_t startAddress, uint16_t count, uint16_t* values,
                      int valueCapacity);

}  // namespace mms
