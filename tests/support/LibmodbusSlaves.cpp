#include "support/LibmodbusSlaves.h"

#include <arpa/inet.h>
#include <errno.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <vector>

namespace mms::test {
namespace {

bool InTable(int address) { return address >= 0 && address < LibmodbusSlave::kTableSize; }

}  // namespace

LibmodbusSlave::LibmodbusSlave() {
  mapping_ = modbus_mapping_new(kTableSize, kTableSize, kTableSize, kTableSize);
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (mapping_ == nullptr || wakeFd_ < 0) throw std::runtime_error("slave setup failed");
}

LibmodbusSlave::~LibmodbusSlave() {
  StopServing();
  if (ctx_ != nullptr) modbus_free(ctx_);
  modbus_mapping_free(mapping_);
  close(wakeFd_);
}

void LibmodbusSlave::StartServing(modbus_t* context) {
  ctx_ = context;
  // A request cut short must not hold the thread (and a test's teardown) for long.
  modbus_set_byte_timeout(ctx_, 0, 200000);
  thread_ = std::thread([this] { Serve(); });
}

void LibmodbusSlave::StopServing() {
  if (!thread_.joinable()) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
  thread_.join();
}

bool LibmodbusSlave::ServeOne(modbus_t* ctx) {
  uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
  const int rc = modbus_receive(ctx, query);
  if (rc > 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    modbus_reply(ctx, query, rc, mapping_);
    replies_.fetch_add(1);
    return true;
  }
  // 0: a request for another device. Protocol errors keep the connection.
  return rc == 0 || errno >= MODBUS_ENOBASE;
}

void LibmodbusSlave::SetCoil(int address, bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (InTable(address)) mapping_->tab_bits[address] = on ? 1 : 0;
}

bool LibmodbusSlave::Coil(int address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return InTable(address) && mapping_->tab_bits[address] != 0;
}

void LibmodbusSlave::SetDiscreteInput(int address, bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (InTable(address)) mapping_->tab_input_bits[address] = on ? 1 : 0;
}

void LibmodbusSlave::SetHoldingRegister(int address, uint16_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (InTable(address)) mapping_->tab_registers[address] = value;
}

uint16_t LibmodbusSlave::HoldingRegister(int address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return InTable(address) ? mapping_->tab_registers[address] : 0;
}

void LibmodbusSlave::SetInputRegister(int address, uint16_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (InTable(address)) mapping_->tab_input_registers[address] = value;
}

// --- TCP ----------------------------------------------------------------------

LibmodbusTcpSlave::LibmodbusTcpSlave() {
  if (!OpenListener(0)) throw std::runtime_error("cannot listen on 127.0.0.1");
  StartServing(modbus_new_tcp("127.0.0.1", port_));
}

bool LibmodbusTcpSlave::OpenListener(uint16_t port) {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  socklen_t size = sizeof address;
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listenFd_, 8) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (listenFd_ >= 0) close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  port_ = ntohs(address.sin_port);
  return true;
}

void LibmodbusTcpSlave::GoAway() {
  StopServing();  // the serving thread closes its connections on the way out
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
  uint64_t count = 0;  // the stop signal, so the next thread does not see it
  [[maybe_unused]] const ssize_t n = read(wakeFd_, &count, sizeof count);
}

void LibmodbusTcpSlave::Listen() {
  if (thread_.joinable()) return;
  // A client retrying its connect meanwhile may, rarely, have connected to
  // itself on this very port; that ends with its connect timeout.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!OpenListener(port_)) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("cannot listen on 127.0.0.1 again");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  thread_ = std::thread([this] { Serve(); });
}

LibmodbusTcpSlave::~LibmodbusTcpSlave() {
  StopServing();
  if (listenFd_ >= 0) close(listenFd_);
}

void LibmodbusTcpSlave::Serve() {
  std::vector<int> clients;
  for (;;) {
    std::vector<pollfd> fds = {{wakeFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (int c : clients) fds.push_back({c, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    if (fds[1].revents & POLLIN) {
      const int c = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c >= 0) clients.push_back(c);
    }
    for (size_t i = 2; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      modbus_set_socket(ctx_, fds[i].fd);
      if (!ServeOne(ctx_)) {
        close(fds[i].fd);
        std::erase(clients, fds[i].fd);
      }
    }
  }
  for (int c : clients) close(c);
  modbus_set_socket(ctx_, -1);
}

// --- RTU over a pseudo-terminal -------------------------------------------------

LibmodbusRtuSlave::LibmodbusRtuSlave(int deviceId) {
  modbus_t* ctx = modbus_new_rtu(pty_.SlavePath().c_str(), 115200, 'N', 8, 1);
  if (ctx == nullptr) throw std::runtime_error("modbus_new_rtu failed");
  modbus_set_slave(ctx, deviceId);
  // Never modbus_connect: the context works on the pty master as it is.
  modbus_set_socket(ctx, pty_.MasterFd());
  StartServing(ctx);
}

LibmodbusRtuSlave::~LibmodbusRtuSlave() { StopServing(); }

void LibmodbusRtuSlave::Serve() {
  for (;;) {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {pty_.MasterFd(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    if (fds[1].revents & POLLIN) {
      ServeOne(ctx_);
    } else if (fds[1].revents) {
      // Hang-up while the other side is closed: wait instead of spinning.
      poll(fds, 1, 10);
    }
  }
}

}  // namespace mms::test
