// The demo slave as a user starts it: it serves on the port given, its values
// move, writes stick, and Ctrl+C ends it cleanly.
#include <gtest/gtest.h>
#include <modbus.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

uint16_t FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

// Runs the demo slave with its output in a pipe; kills it if a test fails.
class DemoSlave {
 public:
  explicit DemoSlave(const std::string& port) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string program = DEMO_SLAVE_PATH;
    char* argv[] = {program.data(), const_cast<char*>(port.c_str()), nullptr};
    EXPECT_EQ(posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    output_ = out[0];
  }
  ~DemoSlave() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(output_);
  }
  // Reads its output until `text` shows up (or it ends).
  std::string ReadUntil(const std::string& text) {
    char buffer[512];
    while (output_text_.find(text) == std::string::npos) {
      const ssize_t n = read(output_, buffer, sizeof buffer);
      if (n <= 0) break;
      output_text_.append(buffer, static_cast<size_t>(n));
    }
    return output_text_;
  }
  // Sends Ctrl+C; the exit status, or -1 when it did not end within 10 s.
  int Interrupt() {
    kill(pid_, SIGINT);
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string output_text_;
};

TEST(DemoSlave, ServesChangingValuesKeepsWritesAndStopsOnCtrlC) {
  const uint16_t port = FreePort();
  DemoSlave demo(std::to_string(port));
  const std::string text = demo.ReadUntil("keep what you write");
  EXPECT_NE(text.find("TCPPort=" + std::to_string(port)), std::string::npos) << text;
  EXPECT_NE(text.find("Port=/dev/pts/"), std::string::npos) << text;

  modbus_t* client = modbus_new_tcp("127.0.0.1", port);
  ASSERT_NE(client, nullptr);
  ASSERT_EQ(modbus_connect(client), 0);
  uint16_t first = 0, later = 0, written = 0;
  ASSERT_EQ(modbus_read_registers(client, 0, 1, &first), 1);
  ASSERT_EQ(modbus_write_register(client, 20, 4321), 1);
  std::this_thread::sleep_for(2100ms);
  ASSERT_EQ(modbus_read_registers(client, 0, 1, &later), 1);
  ASSERT_EQ(modbus_read_registers(client, 20, 1, &written), 1);
  EXPECT_NE(first, later);  // the seconds counter moved
  EXPECT_EQ(written, 4321);
  modbus_close(client);
  modbus_free(client);

  EXPECT_EQ(demo.Interrupt(), 0);
}

TEST(DemoSlave, RefusesABadPortArgument) {
  for (const char* port : {"0", "65536", "12ab", "-5"}) {
    DemoSlave demo(port);
    demo.ReadUntil("\n");  // nothing on stdout: usage goes to stderr
    EXPECT_EQ(demo.Interrupt(), 2) << port;
  }
}

}  // namespace
