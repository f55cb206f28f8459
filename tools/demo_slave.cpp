// A Modbus slave to try the program with: Modbus TCP on 127.0.0.1 and Modbus
// RTU on a pseudo-terminal, both serving one set of values that change every
// second. Writes are kept. Runs until Ctrl+C.
#include <errno.h>
#include <modbus.h>
#include <pty.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kBits = 2000;
constexpr int kRegisters = 1000;
constexpr int kRtuDeviceId = 1;
constexpr int kPollMs = 200;  // how soon Ctrl+C is noticed

std::atomic<bool> stopping{false};

void OnSignal(int) { stopping = true; }

// The values both servers answer from; libmodbus reads and writes it in
// modbus_reply, the ticker changes it.
struct Data {
  std::mutex mutex;
  modbus_mapping_t* map = nullptr;
};

bool WaitReadable(int fd) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  timeval tv{0, kPollMs * 1000};
  return select(fd + 1, &set, nullptr, nullptr, &tv) > 0;
}

// Reads one request from ctx's descriptor and answers it. False when the
// connection is gone.
bool ServeOne(modbus_t* ctx, Data& data) {
  uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
  const int length = modbus_receive(ctx, query);
  if (length > 0) {
    std::lock_guard<std::mutex> lock(data.mutex);
    modbus_reply(ctx, query, length, data.map);
    return true;
  }
  if (length == 0) return true;  // not for us
  if (errno == EMBBADCRC || errno == EMBBADDATA || errno == ETIMEDOUT) {
    modbus_flush(ctx);
    return true;
  }
  return false;
}

void ServeTcp(modbus_t* ctx, int listenFd, Data& data) {
  std::vector<int> clients;
  while (!stopping) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(listenFd, &set);
    int top = listenFd;
    for (int fd : clients) {
      FD_SET(fd, &set);
      top = std::max(top, fd);
    }
    timeval tv{0, kPollMs * 1000};
    if (select(top + 1, &set, nullptr, nullptr, &tv) <= 0) continue;
    if (FD_ISSET(listenFd, &set)) {
      const int fd = accept(listenFd, nullptr, nullptr);
      if (fd >= 0) {
        clients.push_back(fd);
        std::printf("TCP: client connected\n");
      }
    }
    for (auto it = clients.begin(); it != clients.end();) {
      if (FD_ISSET(*it, &set)) {
        modbus_set_socket(ctx, *it);
        if (!ServeOne(ctx, data)) {
          close(*it);
          it = clients.erase(it);
          std::printf("TCP: client disconnected\n");
          continue;
        }
      }
      ++it;
    }
    std::fflush(stdout);
  }
  for (int fd : clients) close(fd);
}

void ServeRtu(modbus_t* ctx, int masterFd, Data& data) {
  modbus_set_socket(ctx, masterFd);
  while (!stopping) {
    if (WaitReadable(masterFd) && !ServeOne(ctx, data)) {
      // The program closed the device: wait for it to open it again.
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
  }
}

void SetFloat(uint16_t* words, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  words[0] = static_cast<uint16_t>(bits);  // the program's "32bit float" order
  words[1] = static_cast<uint16_t>(bits >> 16);
}

void Tick(Data& data, uint32_t second) {
  std::lock_guard<std::mutex> lock(data.mutex);
  modbus_mapping_t* m = data.map;
  const double angle = second * 2 * M_PI / 60;  // one turn a minute
  uint16_t* hr = m->tab_registers;
  hr[0] = static_cast<uint16_t>(second);
  hr[1] = static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::sin(angle) * 1000)));
  SetFloat(hr + 2, static_cast<float>(std::sin(angle)));
  hr[4] = static_cast<uint16_t>(second * 7 % 101);
  uint16_t* ir = m->tab_input_registers;
  for (int i = 0; i < 10; ++i) ir[i] = static_cast<uint16_t>(200 + 10 * i + second % 10);
  for (int i = 0; i < 16; ++i) m->tab_input_bits[i] = (second >> i) & 1;
  for (int i = 0; i < 8; ++i) m->tab_bits[i] = (second % 8) == static_cast<uint32_t>(i);
}

void PrintInstructions(int tcpPort, const std::string& ptyPath) {
  std::printf(
      "Modbus demo slave: serving until Ctrl+C.\n\n"
      "Modbus TCP on 127.0.0.1 port %d (any device ID). Settings of the program\n"
      "(Connection > Settings, or ZeKvadro.ini beside the program):\n"
      "  [Protocol]        Protocol=ModbusTCP\n"
      "  [TCPPortSettings] IPAddress=127.0.0.1   TCPPort=%d\n\n",
      tcpPort, tcpPort);
  if (!ptyPath.empty()) {
    std::printf(
        "Modbus RTU on %s (device ID %d, any bit rate, parity and stop bits):\n"
        "  [Protocol]        Protocol=ModbusRTU\n"
        "  [RTUPortSettings] Port=%s\n\n",
        ptyPath.c_str(), kRtuDeviceId, ptyPath.c_str());
  }
  std::printf(
      "Values (addresses from 0; File > New, then pick the kind in the window):\n"
      "  Holding registers 0-4 change every second: 0 seconds counter, 1 sine x 1000\n"
      "    (Integer), 2-3 the sine as 32bit float, 4 a sawtooth 0-100.\n"
      "  Input registers 0-9, input status 0-15 and coils 0-7 change every second.\n"
      "  Holding registers 5-%d and coils 8-%d keep what you write (double-click a\n"
      "  value in a \"Holding registers\" or \"Coil status\" window).\n\n",
      kRegisters - 1, kBits - 1);
  std::fflush(stdout);
}

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [TCP port] [--no-rtu]\n"
               "  TCP port  1 to 65535, default 1502 (below 1024 needs privileges)\n"
               "  --no-rtu  serve Modbus TCP only\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int tcpPort = 1502;
  bool rtu = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-rtu") {
      rtu = false;
      continue;
    }
    char* end = nullptr;
    errno = 0;
    const long port = std::strtol(arg.c_str(), &end, 10);
    if (arg.empty() || *end != '\0' || errno != 0 || port < 1 || port > 65535) {
      return Usage(argv[0]);
    }
    tcpPort = static_cast<int>(port);
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  Data data;
  data.map = modbus_mapping_new(kBits, kBits, kRegisters, kRegisters);
  if (!data.map) {
    std::fprintf(stderr, "Cannot allocate the value tables: %s\n", modbus_strerror(errno));
    return 1;
  }
  for (int i = 5; i < kRegisters; ++i) data.map->tab_registers[i] = static_cast<uint16_t>(i);

  modbus_t* tcp = modbus_new_tcp("127.0.0.1", tcpPort);
  const int listenFd = tcp ? modbus_tcp_listen(tcp, 4) : -1;
  if (listenFd < 0) {
    std::fprintf(stderr, "Cannot listen on 127.0.0.1 port %d: %s\n", tcpPort,
                 modbus_strerror(errno));
    if (tcp) modbus_free(tcp);
    modbus_mapping_free(data.map);
    return 1;
  }

  int masterFd = -1, slaveFd = -1;
  std::string ptyPath;
  modbus_t* serial = nullptr;
  if (rtu) {
    char name[128] = {};
    if (openpty(&masterFd, &slaveFd, name, nullptr, nullptr) == 0) {
      termios raw{};
      for (int fd : {masterFd, slaveFd}) {
        tcgetattr(fd, &raw);
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
      }
      // Our own slave descriptor stays open so that the line never hangs
      // up while the program has the device closed.
      ptyPath = name;
      serial = modbus_new_rtu(name, 115200, 'N', 8, 1);
      if (serial) modbus_set_slave(serial, kRtuDeviceId);
    }
    if (!serial) std::fprintf(stderr, "No pseudo-terminal: serving Modbus TCP only.\n");
  }

  PrintInstructions(tcpPort, ptyPath);
  std::thread tcpThread(ServeTcp, tcp, listenFd, std::ref(data));
  std::thread rtuThread;
  if (serial) rtuThread = std::thread(ServeRtu, serial, masterFd, std::ref(data));

  const auto start = std::chrono::steady_clock::now();
  uint32_t lastSecond = UINT32_MAX;
  while (!stopping) {
    const auto second = static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count());
    if (second != lastSecond) {
      Tick(data, second);
      lastSecond = second;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  std::printf("\nStopping.\n");
  tcpThread.join();
  if (rtuThread.joinable()) rtuThread.join();
  close(listenFd);
  modbus_set_socket(tcp, -1);  // the client sockets were closed by their thread
  modbus_free(tcp);
  if (serial) modbus_free(serial);
  if (masterFd >= 0) close(masterFd);
  if (slaveFd >= 0) close(slaveFd);
  modbus_mapping_free(data.map);
  return 0;
}
