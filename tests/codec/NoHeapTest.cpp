// The transaction path must not touch the heap: a counting operator new in
// this test binary watches a whole exchange of each kind over a transport
// that allocates nothing itself.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "modbus/ModbusProtocol.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

// GCC pairs this malloc-backed new with the library's delete when built with
// a sanitizer and warns; the deletes below are ours too.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace mms {
namespace {

// Answers every request with a canned reply from a fixed buffer, in one piece
// or one byte per read.
class FixedTransport : public Transport {
 public:
  void Answer(const uint8_t* reply, int length, bool bytewise) {
    std::memcpy(reply_, reply, static_cast<size_t>(length));
    length_ = length;
    bytewise_ = bytewise;
  }
  int TimeoutMs() const override { return 100; }
  void DiscardStale() override {}
  void Send(const uint8_t*, int) override { offset_ = 0; }
  int Receive(uint8_t* buffer, int length, int) override {
    int n = std::min(length, length_ - offset_);
    if (bytewise_) n = std::min(n, 1);
    std::memcpy(buffer, reply_ + offset_, static_cast<size_t>(std::max(n, 0)));
    offset_ += std::max(n, 0);
    return n;
  }
  void ReplyReceived(const uint8_t*, int) override {}

 private:
  uint8_t reply_[kTcpFrameSize] = {};
  int length_ = 0;
  int offset_ = 0;
  bool bytewise_ = false;
};

TEST(NoHeapTest, TransactionsAllocateNothing) {
  FixedTransport link;
  uint16_t values[130] = {};
  // RTU read of 125 registers, then a TCP write of 2 registers, each answered.
  uint8_t rtu[kRtuFrameSize] = {0x01, 0x03, 250};
  int rtuLength = 3 + 250;
  AppendCrc(rtu, rtuLength);
  const uint8_t tcp[] = {0, 1, 0, 0, 0, 6, 0x01, 0x10, 0, 0, 0, 2};  // the first TCP request's id

  const long before = allocations.load();
  link.Answer(rtu, rtuLength, false);
  const int readResult = ModbusTransaction(link, kModbusRtu, 3, 1, 0, 125, values, 130);
  link.Answer(tcp, sizeof tcp, true);
  const int writeResult = ModbusTransaction(link, kModbusTcp, 16, 1, 0, 2, values, 130);
  link.Answer(tcp, 0, false);
  const int timeoutResult = ModbusTransaction(link, kModbusTcp, 3, 1, 0, 10, values, 130);
  const long during = allocations.load() - before;

  EXPECT_EQ(readResult, trOk);
  EXPECT_EQ(writeResult, trOk);
  EXPECT_EQ(timeoutResult, trNoReply);
  EXPECT_EQ(during, 0);
  // The counter does see allocations, so 0 above means something.
  void* volatile probe = ::operator new(16);
  EXPECT_GT(allocations.load() - before, during);
  ::operator delete(probe);
}

}  // namespace
}  // namespace mms
