#pragma once
// Transports for tests. FakeTransport, in-process: records every call and
// plays back, for each request sent, the reply scripted for it, whole, in
// pieces, late or not at all. Time is virtual unless SetRealTime(true): a
// piece's delay is compared with the wait the caller offers, without
// sleeping. ReplyWait, at the end, wraps a real transport.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "modbus/Transport.h"

namespace mms::test {

using Bytes = std::vector<uint8_t>;

class FakeTransport : public Transport {
 public:
  // One piece of a device's answer. delayMs counts from the moment the
  // previous piece (or the request) arrived; fail makes Receive return -1.
  struct Piece {
    Bytes bytes;
    int delayMs = 0;
    bool fail = false;
  };
  struct ReceiveCall {
    int length;
    int waitMs;
    int returned;
  };

  // --- scripting: one entry is consumed by each Send, in order ---------------
  void ScriptReply(const Bytes& reply, int delayMs = 0) {
    ScriptPieces({Piece{reply, delayMs, false}});
  }
  // The reply cut into pieces of pieceSize bytes, each one read at a time.
  void ScriptSplitReply(const Bytes& reply, int pieceSize) {
    std::vector<Piece> pieces;
    for (size_t i = 0; i < reply.size(); i += static_cast<size_t>(pieceSize)) {
      const auto end = std::min(reply.size(), i + static_cast<size_t>(pieceSize));
      pieces.push_back(
          Piece{Bytes(reply.begin() + static_cast<long>(i), reply.begin() + static_cast<long>(end)),
                0, false});
    }
    ScriptPieces(pieces);
  }
  void ScriptPieces(const std::vector<Piece>& pieces) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.push_back(pieces);
  }
  void ScriptSilence() { ScriptPieces({}); }
  void ScriptFailure() { ScriptPieces({Piece{{}, 0, true}}); }
  // Bytes already waiting before the next request (a stray or late frame).
  void InjectInput(const Bytes& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.push_back(Piece{bytes, 0, false});
  }

  // --- behaviour ---------------------------------------------------------------
  void SetTimeoutMs(int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    timeoutMs_ = ms;
  }
  // Serial-like: one Receive joins pieces that follow without delay, up to
  // the length asked for (a line that stays busy within the inter-byte gap).
  void SetGatherPieces(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    gather_ = on;
  }
  // Sleep for real delays (for code that measures elapsed time).
  void SetRealTime(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    realTime_ = on;
  }

  // --- what happened -------------------------------------------------------------
  std::vector<Bytes> Sent() const { return Locked(sent_); }
  std::vector<Bytes> Replies() const { return Locked(replies_); }  // ReplyReceived
  std::vector<Bytes> Discarded() const { return Locked(discarded_); }
  std::vector<ReceiveCall> Receives() const { return Locked(receives_); }
  // "discard", "send", "receive", "reply" in call order.
  std::vector<std::string> Events() const { return Locked(events_); }
  size_t PendingInputBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const auto& p : input_) n += p.bytes.size();
    return n;
  }
  // Waits until `count` frames were sent; false when `timeout` passed first.
  bool WaitForSends(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return sentChanged_.wait_for(lock, timeout, [&] { return sent_.size() >= count; });
  }

  // --- Transport ---------------------------------------------------------------
  int TimeoutMs() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return timeoutMs_;
  }

  void DiscardStale() override {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("discard");
    Bytes dropped;
    for (const auto& p : input_) dropped.insert(dropped.end(), p.bytes.begin(), p.bytes.end());
    input_.clear();
    if (!dropped.empty()) discarded_.push_back(dropped);
  }

  void Send(const uint8_t* frame, int length) override {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("send");
    sent_.emplace_back(frame, frame + std::max(length, 0));
    if (!script_.empty()) {
      for (const auto& p : script_.front()) input_.push_back(p);
      script_.pop_front();
    }
    sentChanged_.notify_all();
  }

  int Receive(uint8_t* buffer, int length, int waitMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    events_.push_back("receive");
    const int got = ReceiveLocked(lock, buffer, length, waitMs);
    receives_.push_back(ReceiveCall{length, waitMs, got});
    return got;
  }

  void ReplyReceived(const uint8_t* buffer, int count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("reply");
    replies_.emplace_back(buffer, buffer + std::max(count, 0));
  }

 private:
  template <typename T>
  T Locked(const T& value) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return value;
  }

  void Sleep(std::unique_lock<std::mutex>& lock, int ms) {
    if (!realTime_ || ms <= 0) return;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    lock.lock();
  }

  int ReceiveLocked(std::unique_lock<std::mutex>& lock, uint8_t* buffer, int length, int waitMs) {
    if (length <= 0) return 0;
    if (input_.empty()) {
      Sleep(lock, waitMs);
      return 0;
    }
    Piece& first = input_.front();
    if (first.delayMs > waitMs) {
      // Arrives after this wait: still there for whoever reads next.
      Sleep(lock, waitMs);
      first.delayMs -= std::max(waitMs, 0);
      return 0;
    }
    Sleep(lock, first.delayMs);
    first.delayMs = 0;
    if (first.fail) {
      input_.pop_front();
      return -1;
    }
    int got = 0;
    while (got < length && !input_.empty() && input_.front().delayMs == 0 && !input_.front().fail) {
      Piece& p = input_.front();
      const int n = std::min(length - got, static_cast<int>(p.bytes.size()));
      std::copy(p.bytes.begin(), p.bytes.begin() + n, buffer + got);
      got += n;
      p.bytes.erase(p.bytes.begin(), p.bytes.begin() + n);
      if (p.bytes.empty()) input_.pop_front();
      if (!gather_) break;
    }
    return got;
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable sentChanged_;
  int timeoutMs_ = 1000;
  bool gather_ = false;
  bool realTime_ = false;
  std::deque<std::vector<Piece>> script_;
  std::deque<Piece> input_;
  std::vector<Bytes> sent_, replies_, discarded_;
  std::vector<ReceiveCall> receives_;
  std::vector<std::string> events_;
};

// A real transport with a reply wait the test sets per exchange: short where
// nothing is meant to arrive, generous where a reply is expected, so a
// loaded machine never turns a reply into a timeout. Keep one per transport:
// it numbers TCP transactions itself.
class ReplyWait : public Transport {
 public:
  explicit ReplyWait(Transport& inner, int waitMs = 5000) : inner_(inner), waitMs_(waitMs) {}
  void Set(int waitMs) { waitMs_ = waitMs; }

  int TimeoutMs() const override { return waitMs_; }
  void DiscardStale() override { inner_.DiscardStale(); }
  void Send(const uint8_t* frame, int length) override { inner_.Send(frame, length); }
  int Receive(uint8_t* buffer, int length, int waitMs) override {
    return inner_.Receive(buffer, length, waitMs);
  }
  void ReplyReceived(const uint8_t* buffer, int count) override {
    inner_.ReplyReceived(buffer, count);
  }

 private:
  Transport& inner_;
  int waitMs_;
};

}  // namespace mms::test
