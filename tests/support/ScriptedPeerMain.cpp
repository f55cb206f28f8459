// scripted_peer MODE: the scripted slave on its own, to try the program's
// transports by hand. MODE is tcp, rtu-over-tcp or udp; it listens on a free
// port of 127.0.0.1, prints "port N" and serves normal replies (register a
// holds a + 1) until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstring>

#include "support/ScriptedSlave.h"

int main(int argc, char** argv) {
  using Mode = mms::test::ScriptedSlave::Mode;
  const char* name = argc > 1 ? argv[1] : "";
  Mode mode;
  if (std::strcmp(name, "tcp") == 0) {
    mode = Mode::kTcp;
  } else if (std::strcmp(name, "rtu-over-tcp") == 0) {
    mode = Mode::kRtuOverTcp;
  } else if (std::strcmp(name, "udp") == 0) {
    mode = Mode::kUdp;
  } else {
    std::fprintf(stderr, "usage: scripted_peer tcp|rtu-over-tcp|udp\n");
    return 2;
  }
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);  // before the serving thread starts
  mms::test::ScriptedSlave slave(mode);
  std::printf("port %u\n", slave.Port());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  return 0;
}
