#include <netdb.h>

#include <cstring>

#include "common/Conversions.h"
#include "common/Errors.h"
#include "modbus/NetClient.h"

namespace mms {

int PortFromText(const std::string& text) {
  int32_t port = 0;
  if (!TryStrToInt(text, &port) || port < 1 || port > 65535) {
    throw Error("Invalid TCP port '" + text + "'");
  }
  return port;
}

NetAddress ResolveNetAddress(const std::string& host, const std::string& port, int socketType) {
  const int portNumber = PortFromText(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = socketType;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  // An empty text would mean "this host" to the resolver; no one means that.
  if (host.empty() || host.find('\0') != std::string::npos ||
      getaddrinfo(host.c_str(), std::to_string(portNumber).c_str(), &hints, &found) != 0 ||
      found == nullptr) {
    throw Error("Unknown host '" + host + "'");
  }
  // One address gets the one attempt: IPv4 first, as most devices and
  // simulators listen there only, while "localhost" may list ::1 first.
  const addrinfo* chosen = found;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family == AF_INET) {
      chosen = a;
      break;
    }
  }
  NetAddress resolved;
  std::memcpy(&resolved.address, chosen->ai_addr, chosen->ai_addrlen);
  resolved.length = chosen->ai_addrlen;
  freeaddrinfo(found);
  return resolved;
}

}  // namespace mms
