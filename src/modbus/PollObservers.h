#pragma once
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "log/CsvLogWriter.h"
#include "modbus/PollingThread.h"

namespace mms {

// Tells every poll to several observers: a fixed one first (the windows'
// reports), then those added while polling runs (a CSV log). The polling
// thread takes the current list under a short lock that no observer holds
// while it works; an observer removed while a call is under way lives until
// that call returns.
class PollObserverFanOut : public PollObserver {
 public:
  explicit PollObserverFanOut(PollObserver* fixed = nullptr) : fixed_(fixed) {}

  void Add(std::shared_ptr<PollObserver> observer);
  void Remove(const PollObserver* observer);

  void PollSent(int slot) override;
  void PollAnswered(int slot, const PollDefinition& request, const uint16_t* words) override;
  void PollFailed(int slot, int result) override;

 private:
  using List = std::vector<std::shared_ptr<PollObserver>>;
  std::shared_ptr<const List> Current() const;

  PollObserver* fixed_;
  mutable std::mutex mutex_;
  std::shared_ptr<const List> others_ = std::make_shared<const List>();
};

// Hands every valid poll to a CSV log writer, stamped with the time it came.
class CsvLogObserver : public PollObserver {
 public:
  explicit CsvLogObserver(std::shared_ptr<CsvLogWriter> writer) : writer_(std::move(writer)) {}
  void PollSent(int) override {}
  void PollAnswered(int slot, const PollDefinition& request, const uint16_t* words) override {
    writer_->HandOff(slot, request, words, std::chrono::system_clock::now());
  }
  void PollFailed(int, int) override {}

 private:
  std::shared_ptr<CsvLogWriter> writer_;
};

}  // namespace mms
