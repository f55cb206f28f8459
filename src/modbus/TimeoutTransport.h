#pragma once
#include "modbus/Transport.h"

namespace mms {

// Another transport with a reply timeout of its own, for requests that must
// not wait the connection's whole Timeout (a device scan). Everything else,
// the transaction identifiers included, is the wrapped transport's.
class TimeoutTransport : public Transport {
 public:
  TimeoutTransport(Transport& inner, int timeoutMs) : inner_(inner), timeoutMs_(timeoutMs) {}

  int TimeoutMs() const override { return timeoutMs_; }
  void DiscardStale() override { inner_.DiscardStale(); }
  void Send(const uint8_t* frame, int length) override { inner_.Send(frame, length); }
  int Receive(uint8_t* buffer, int length, int waitMs) override {
    return inner_.Receive(buffer, length, waitMs);
  }
  void ReplyReceived(const uint8_t* buffer, int count) override {
    inner_.ReplyReceived(buffer, count);
  }
  std::chrono::steady_clock::time_point LastByteSentAt() const override {
    return inner_.LastByteSentAt();
  }
  uint16_t NextTransactionId() override { return inner_.NextTransactionId(); }

 private:
  Transport& inner_;
  const int timeoutMs_;
};

}  // namespace mms
