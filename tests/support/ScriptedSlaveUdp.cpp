// The scripted slave's Modbus UDP side: one socket, one request per datagram.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/ScriptedSlave.h"

namespace mms::test {

bool ScriptedSlave::OpenUdp() {
  listenFd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  port_ = ntohs(address.sin_port);
  return true;
}

void ScriptedSlave::ServeUdp() {
  for (;;) {
    pollfd fds[2] = {{stopFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    poll(fds, 2, -1);
    if (fds[0].revents) return;
    uint8_t datagram[512];
    socklen_t size = sizeof udpPeer_;
    const ssize_t n = recvfrom(listenFd_, datagram, sizeof datagram, 0,
                               reinterpret_cast<sockaddr*>(&udpPeer_), &size);
    // A datagram is a whole request, whatever its header says.
    if (n > 0 && !Play(listenFd_, Bytes(datagram, datagram + n))) return;
  }
}

}  // namespace mms::test
