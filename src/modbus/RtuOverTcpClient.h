#pragma once
#include "modbus/TcpClient.h"

namespace mms {

// RTU frames on a TCP connection, as serial-to-Ethernet gateways carry them.
// Everything is the TCP client's (connecting again, Shutdown, logging and
// counting) but the reply wait: a stream has no silence that ends a frame,
// so Receive gathers the pieces of one RTU reply instead.
class RtuOverTcpClient : public TcpClient {
 public:
  using TcpClient::TcpClient;

  // Gathers until `length` bytes (the expected reply) have arrived, or the 5
  // bytes of an exception reply (function code with bit 7 set), or waitMs
  // has passed since the call. Returns what arrived: 0 when nothing did, -1
  // when the connection failed or closed before any byte.
  int Receive(uint8_t* buffer, int length, int waitMs) override;
};

}  // namespace mms
