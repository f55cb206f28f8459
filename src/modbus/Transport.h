#pragma once
#include <cstdint>

namespace mms {

// ProtocolMode values.
inline constexpr uint8_t kModbusRtu = 0;
inline constexpr uint8_t kModbusTcp = 1;
// RTU frames (CRC, no header) on a TCP connection, as serial gateways carry them.
inline constexpr uint8_t kModbusRtuOverTcp = 2;
// Modbus TCP frames, one per UDP datagram.
inline constexpr uint8_t kModbusUdp = 3;

// The wire under one Modbus exchange: a serial line (RTU), a TCP
// connection or a UDP socket. Only the polling thread calls these. Each implementation counts
// the traffic (TrafficCounters) and hands every frame to the transmission log
// (LogSink); see each operation for when.
class Transport {
 public:
  virtual ~Transport() = default;

  // Reply timeout in milliseconds (the "Timeout" setting).
  virtual int TimeoutMs() const = 0;

  // Drops input already waiting before a request is sent (a reply that came
  // after its transaction gave up), so it is never taken as the answer to
  // the next request. What is dropped is logged as received lines and
  // counted: RxBytes, and RxFrames += 1 per line.
  virtual void DiscardStale() = 0;

  // Sends one frame: one "<tx>" log line; TxBytes += length, TxFrames += 1,
  // whether or not the send succeeded. TCP: re-establishes a connection that
  // is down, the attempt bounded by TimeoutMs().
  virtual void Send(const uint8_t* frame, int length) = 0;

  // Reads up to `length` bytes into `buffer`, waiting at most `waitMs` for
  // the first byte. Serial: keeps reading until `length` bytes have arrived
  // or the line has been quiet for the inter-byte gap (3.5 character times,
  // at least 1 ms). TCP: takes what is there once the socket is readable;
  // RTU over TCP gathers one RTU frame. UDP: one datagram per call.
  // Returns the number of bytes read (> 0), 0 when nothing arrived in time,
  // -1 when the port or connection failed or is closed. Does not log or count.
  virtual int Receive(uint8_t* buffer, int length, int waitMs) = 0;

  // Reports the reply of one exchange as gathered by the transaction: one
  // "<rx>" log line, and RxBytes += count, RxFrames += 1 when count > 0.
  // count 0 means nothing arrived: a serial line logs an empty "<rx></rx>"
  // line and shows "TIMEOUT"; TCP logs nothing.
  virtual void ReplyReceived(const uint8_t* buffer, int count) = 0;

  // The Modbus TCP transaction identifier of the next request: 1, 2, ...
  // 65535, then 1 again. Kept here so each connection counts on its own.
  uint16_t NextTransactionId() {
    lastTransactionId_ =
        lastTransactionId_ == 65535 ? 1 : static_cast<uint16_t>(lastTransactionId_ + 1);
    return lastTransactionId_;
  }

 private:
  uint16_t lastTransactionId_ = 0;  // polling thread only
};

}  // namespace mms
