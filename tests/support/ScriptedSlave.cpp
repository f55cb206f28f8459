#include "support/ScriptedSlave.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace mms::test {
namespace {

uint16_t Crc(const uint8_t* data, size_t n) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int b = 0; b < 8; ++b)
      crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void PutWord(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value & 0xFF));
}

// Length of the RTU request at the front of `in`: 0 while incomplete.
size_t RtuRequestLength(const Bytes& in) {
  if (in.size() < 2) return 0;
  const uint8_t function = in[1];
  size_t length = in.size();  // unknown function: whatever has come
  if (function >= 1 && function <= 6) length = 8;
  if (function == 15 || function == 16) {
    if (in.size() < 7) return 0;
    length = 9 + in[6];
  }
  return in.size() >= length ? length : 0;
}

size_t TcpRequestLength(const Bytes& in) {
  if (in.size() < 6) return 0;
  const size_t length = 6 + Word(&in[4]);
  return in.size() >= length ? length : 0;
}

// The reply PDU with its device ID in front, for the request PDU `req`
// (device ID first) of `n` bytes.
Bytes ReplyBody(const uint8_t* req, size_t n) {
  Bytes out;
  if (n < 2) return out;
  const uint8_t device = req[0];
  const uint8_t function = req[1];
  out = {device, function};
  if (n < 6) return Bytes{device, static_cast<uint8_t>(function | 0x80), 3};
  const uint16_t address = Word(req + 2);
  const uint16_t count = Word(req + 4);
  switch (function) {
    case 1:
    case 2: {
      const int c = std::min<int>(count, 2000);
      out.push_back(static_cast<uint8_t>((c + 7) / 8));
      for (int byte = 0; byte < (c + 7) / 8; ++byte) {
        uint8_t bits = 0;
        for (int bit = 0; bit < 8 && byte * 8 + bit < c; ++bit) {
          if (ScriptedSlave::BitValue(static_cast<uint16_t>(address + byte * 8 + bit))) {
            bits |= static_cast<uint8_t>(1 << bit);
          }
        }
        out.push_back(bits);
      }
      return out;
    }
    case 3:
    case 4: {
      const int c = std::min<int>(count, 125);
      out.push_back(static_cast<uint8_t>(2 * c));
      for (int i = 0; i < c; ++i) {
        PutWord(out, ScriptedSlave::RegisterValue(static_cast<uint16_t>(address + i)));
      }
      return out;
    }
    case 5:
    case 6:
      return Bytes(req, req + 6);
    case 15:
    case 16:
      return Bytes(req, req + 6);
    default:
      return Bytes{device, static_cast<uint8_t>(function | 0x80), 1};
  }
}

bool SendAll(int fd, const uint8_t* data, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t w = write(fd, data + done, n - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
    } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, 100);
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

ScriptedSlave::ScriptedSlave(Mode mode) : mode_(mode) {
  stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  commandFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (mode_ == Mode::kRtu) {
    pty_ = std::make_unique<PtyPair>();
  } else if (mode_ == Mode::kUdp) {
    OpenUdp();
  } else {
    OpenListener();
  }
  if (stopFd_ < 0 || commandFd_ < 0 || (mode_ != Mode::kRtu && listenFd_ < 0)) {
    if (stopFd_ >= 0) close(stopFd_);
    if (commandFd_ >= 0) close(commandFd_);
    throw std::runtime_error("scripted slave setup failed");
  }
  thread_ = std::thread([this] { Serve(); });
}

ScriptedSlave::~ScriptedSlave() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  Signal(stopFd_);
  thread_.join();
  for (auto& c : clients_) close(c.fd);
  if (listenFd_ >= 0) close(listenFd_);
  close(stopFd_);
  close(commandFd_);
}

const std::string& ScriptedSlave::DevicePath() const {
  static const std::string none;
  return pty_ ? pty_->SlavePath() : none;
}

void ScriptedSlave::Signal(int fd) {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
}

void ScriptedSlave::Drain(int fd) {
  uint64_t value;
  [[maybe_unused]] const ssize_t n = read(fd, &value, sizeof value);
}

bool ScriptedSlave::OpenListener() {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return false;
  const int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port_);  // 0 the first time: any free port
  socklen_t size = sizeof address;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listenFd_, 8) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  port_ = ntohs(address.sin_port);
  return true;
}

bool ScriptedSlave::SendOut(int fd, const uint8_t* data, size_t n) {
  if (mode_ != Mode::kUdp) return SendAll(fd, data, n);
  return sendto(fd, data, n, 0, reinterpret_cast<const sockaddr*>(&udpPeer_), sizeof udpPeer_) ==
         static_cast<ssize_t>(n);
}

void ScriptedSlave::Push(const Cue& cue) {
  std::lock_guard<std::mutex> lock(mutex_);
  cues_.push_back(cue);
}

Bytes ScriptedSlave::NormalReply(const Bytes& request) const {
  if (RtuFraming()) {
    if (request.size() < 4) return {};
    Bytes out = ReplyBody(request.data(), request.size() - 2);
    const uint16_t crc = Crc(out.data(), out.size());
    out.push_back(static_cast<uint8_t>(crc & 0xFF));
    out.push_back(static_cast<uint8_t>(crc >> 8));
    return out;
  }
  if (request.size() < 8) return {};
  const Bytes body = ReplyBody(request.data() + 6, request.size() - 6);
  Bytes out(request.begin(), request.begin() + 4);  // transaction and protocol ids echoed
  PutWord(out, static_cast<uint16_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<Bytes> ScriptedSlave::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool ScriptedSlave::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool ScriptedSlave::WaitForCuesDone(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return cuesDone_ >= count; });
}

int ScriptedSlave::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

void ScriptedSlave::GoAway() {
  if (!Stream()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    goAway_ = true;
    listen_ = false;
  }
  Signal(commandFd_);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !goAway_ || stopping_; });
}

void ScriptedSlave::Listen() {
  if (!Stream()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    listen_ = true;
  }
  Signal(commandFd_);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !listen_ || stopping_; });
}

bool ScriptedSlave::Pause(int ms) {
  if (ms <= 0) return true;
  pollfd p{stopFd_, POLLIN, 0};
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
            .count();
    if (left <= 0) return true;
    if (poll(&p, 1, static_cast<int>(left)) > 0) return false;
  }
}

void ScriptedSlave::Serve() {
  if (mode_ == Mode::kRtu) {
    ServeRtu();
  } else if (mode_ == Mode::kUdp) {
    ServeUdp();
  } else {
    ServeTcp();
  }
}

void ScriptedSlave::ServeRtu() {
  Bytes pending;
  const int fd = pty_->MasterFd();
  for (;;) {
    pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd, POLLIN, 0}};
    poll(fds, 2, -1);
    if (fds[0].revents) return;
    if (fds[1].revents & POLLIN) {
      uint8_t chunk[512];
      const ssize_t n = read(fd, chunk, sizeof chunk);
      if (n > 0) pending.insert(pending.end(), chunk, chunk + n);
      HandleInput(fd, pending);
    } else if (fds[1].revents) {
      poll(fds, 1, 10);  // the device is closed on the other side
    }
  }
}

void ScriptedSlave::ServeTcp() {
  for (;;) {
    std::vector<pollfd> fds = {
        {stopFd_, POLLIN, 0}, {commandFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const auto& c : clients_) fds.push_back({c.fd, POLLIN, 0});
    poll(fds.data(), fds.size(), -1);
    if (fds[0].revents) return;
    if (fds[1].revents) {
      Drain(commandFd_);
      std::lock_guard<std::mutex> lock(mutex_);
      if (goAway_) {
        for (auto& c : clients_) close(c.fd);
        clients_.clear();
        if (listenFd_ >= 0) close(listenFd_);
        listenFd_ = -1;
        goAway_ = false;
        changed_.notify_all();
      }
      if (listen_) {
        if (listenFd_ < 0) OpenListener();
        listen_ = false;
        changed_.notify_all();
      }
      continue;
    }
    if (listenFd_ >= 0 && (fds[2].revents & POLLIN)) {
      const int c = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (c >= 0) {
        clients_.push_back(Client{c, {}});
        std::lock_guard<std::mutex> lock(mutex_);
        ++connections_;
      }
    }
    std::vector<int> closed;
    for (size_t i = 3; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      auto it = std::find_if(clients_.begin(), clients_.end(),
                             [&](const Client& c) { return c.fd == fds[i].fd; });
      if (it == clients_.end()) continue;
      uint8_t chunk[512];
      const ssize_t n = read(it->fd, chunk, sizeof chunk);
      if (n > 0) it->pending.insert(it->pending.end(), chunk, chunk + n);
      if ((n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) ||
          !HandleInput(it->fd, it->pending)) {
        closed.push_back(it->fd);
      }
    }
    for (int fd : closed) {
      close(fd);
      std::erase_if(clients_, [&](const Client& c) { return c.fd == fd; });
    }
  }
}

bool ScriptedSlave::HandleInput(int fd, Bytes& pending) {
  for (;;) {
    const size_t length = RtuFraming() ? RtuRequestLength(pending) : TcpRequestLength(pending);
    if (length == 0) return true;
    const Bytes request(pending.begin(), pending.begin() + static_cast<long>(length));
    pending.erase(pending.begin(), pending.begin() + static_cast<long>(length));
    if (!Play(fd, request)) return false;
  }
}

Bytes ScriptedSlave::Build(const Cue& cue, const Bytes& request) const {
  const size_t head = RtuFraming() ? 0 : 6;
  const size_t tail = RtuFraming() ? 2 : 0;
  if (request.size() < head + 2 + tail) return {};
  Bytes body =
      cue.exceptionCode != 0
          ? Bytes{request[head], static_cast<uint8_t>(request[head + 1] | 0x80), cue.exceptionCode}
          : ReplyBody(request.data() + head, request.size() - head - tail);
  body[0] = static_cast<uint8_t>(body[0] + cue.deviceIdDelta);
  if (cue.shortBy > 0 && body.size() >= 3 + static_cast<size_t>(cue.shortBy)) {
    body.resize(body.size() - static_cast<size_t>(cue.shortBy));
    body[2] = static_cast<uint8_t>(body.size() - 3);
  }
  Bytes reply;
  if (!RtuFraming()) {
    reply.assign(request.begin(), request.begin() + 4);
    const uint16_t id = static_cast<uint16_t>(Word(&reply[0]) + cue.transactionIdDelta);
    reply[0] = static_cast<uint8_t>(id >> 8);
    reply[1] = static_cast<uint8_t>(id & 0xFF);
    PutWord(reply, static_cast<uint16_t>(body.size()));
    reply.insert(reply.end(), body.begin(), body.end());
  } else {
    reply = body;
    const uint16_t crc = Crc(body.data(), body.size());
    reply.push_back(static_cast<uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<uint8_t>((crc >> 8) ^ (cue.badCrc ? 0x5A : 0)));
  }
  return reply;
}

bool ScriptedSlave::Play(int fd, const Bytes& request) {
  Cue cue;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    if (!cues_.empty()) {
      cue = cues_.front();
      cues_.pop_front();
    }
    changed_.notify_all();
  }
  auto done = [&](bool keep) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++cuesDone_;
    changed_.notify_all();
    return keep;
  };
  if (!Pause(cue.delayMs)) return false;
  if (cue.action == Cue::Action::kSilence) return done(true);
  if (cue.action == Cue::Action::kClose) return done(!Stream());

  Bytes reply;
  Bytes own;  // UDP: the datagram after a stray one
  if (cue.raw) {
    reply = *cue.raw;
  } else {
    reply = Build(cue, request);
    if (reply.empty()) return done(true);
    if (cue.thenOwn) {
      Cue plain = cue;
      plain.deviceIdDelta = plain.transactionIdDelta = 0;
      own = Build(plain, request);
      if (mode_ != Mode::kUdp) {
        reply.insert(reply.end(), own.begin(), own.end());
        own.clear();
      }
    }
  }
  const size_t first =
      cue.splitAt > 0 ? std::min(reply.size(), static_cast<size_t>(cue.splitAt)) : reply.size();
  bool ok = SendOut(fd, reply.data(), first);
  if (ok && first < reply.size()) {
    if (!Pause(cue.splitPauseMs)) return false;
    ok = SendOut(fd, reply.data() + first, reply.size() - first);
  }
  if (ok && !own.empty()) ok = SendOut(fd, own.data(), own.size());
  return done(ok || !Stream());
}

}  // namespace mms::test
