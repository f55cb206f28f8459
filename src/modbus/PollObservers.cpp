#include "modbus/PollObservers.h"

#include <algorithm>

namespace mms {

void PollObserverFanOut::Add(std::shared_ptr<PollObserver> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto list = std::make_shared<List>(*others_);
  list->push_back(std::move(observer));
  others_ = std::move(list);
}

void PollObserverFanOut::Remove(const PollObserver* observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto list = std::make_shared<List>(*others_);
  list->erase(std::remove_if(list->begin(), list->end(),
                             [observer](const auto& o) { return o.get() == observer; }),
              list->end());
  others_ = std::move(list);
}

std::shared_ptr<const PollObserverFanOut::List> PollObserverFanOut::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return others_;
}

void PollObserverFanOut::PollSent(int slot) {
  if (fixed_) fixed_->PollSent(slot);
  for (const auto& o : *Current()) o->PollSent(slot);
}

void PollObserverFanOut::PollAnswered(int slot, const PollDefinition& request,
                                      const uint16_t* words) {
  if (fixed_) fixed_->PollAnswered(slot, request, words);
  for (const auto& o : *Current()) o->PollAnswered(slot, request, words);
}

void PollObserverFanOut::PollFailed(int slot, int result) {
  if (fixed_) fixed_->PollFailed(slot, result);
  for (const auto& o : *Current()) o->PollFailed(slot, result);
}

}  // namespace mms
