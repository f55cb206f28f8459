#include "modbus/RtuOverTcpClient.h"

#include <algorithm>
#include <chrono>

namespace mms {
namespace {

// Device ID, function | 0x80, exception code, CRC.
constexpr int kExceptionReplySize = 5;

}  // namespace

int RtuOverTcpClient::Receive(uint8_t* buffer, int length, int waitMs) {
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + milliseconds(std::max(waitMs, 0));
  int need = length;
  int have = 0;
  while (have < need) {
    const auto left = ceil<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0 && have > 0) break;
    const int got = TcpClient::Receive(buffer + have, need - have,
                                       static_cast<int>(std::max<long long>(left, 0)));
    if (got < 0) return have > 0 ? have : -1;  // what came before a failure is still the reply
    if (got == 0) break;
    have += got;
    if (have >= 2 && (buffer[1] & 0x80) != 0) need = std::min(length, kExceptionReplySize);
  }
  return have;
}

}  // namespace mms
