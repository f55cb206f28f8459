#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace mms::test {

// A listener on 127.0.0.1 that never accepts, its queue full: connects to it
// hang until their timeout, as to a device that does not answer.
class DeafListener {
 public:
  DeafListener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
    listen(fd_, 0);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 4; ++i) {
      const int c = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      connect(c, reinterpret_cast<sockaddr*>(&address), size);
      fillers_.push_back(c);
    }
    // The queue is full once the first filler is through.
    pollfd first{fillers_[0], POLLOUT, 0};
    poll(&first, 1, 10000);
  }
  ~DeafListener() {
    for (int c : fillers_) close(c);
    close(fd_);
  }
  DeafListener(const DeafListener&) = delete;
  DeafListener& operator=(const DeafListener&) = delete;
  uint16_t Port() const { return port_; }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;
};

}  // namespace mms::test
