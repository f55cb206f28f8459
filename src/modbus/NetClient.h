#pragma once
#include <sys/socket.h>

#include <string>

#include "modbus/Transport.h"

namespace mms {

// A transport that reaches its device by host and port (TCP, RTU over TCP,
// UDP). Open() on Connect's opening thread, the Transport operations on the
// polling thread, Shutdown() from any thread.
class NetClient : public Transport {
 public:
  // Resolves host and port and makes the socket (TCP: one connection attempt
  // bounded by timeoutMs). Returns whether the device is reachable so far; a
  // client that is not still serves, trying again at each Send. Throws Error
  // for texts that cannot be used: "Invalid TCP port '<text>'" or "Unknown
  // host '<text>'".
  virtual bool Open(const std::string& host, const std::string& port, int timeoutMs) = 0;
  // Wakes a wait in progress at once, closes the socket and makes later
  // operations fail (-1) or do nothing. Returns within a few milliseconds.
  virtual void Shutdown() = 0;
};

// A host and port resolved for one socket type.
struct NetAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
};

// The TCPPort text as a port number; Error("Invalid TCP port '<text>'")
// when it is not an integer in 1..65535.
int PortFromText(const std::string& text);

// Resolves host and port for `socketType` (SOCK_STREAM, SOCK_DGRAM), an IPv4
// address preferred. Throws the Errors of NetClient::Open().
NetAddress ResolveNetAddress(const std::string& host, const std::string& port, int socketType);

}  // namespace mms
