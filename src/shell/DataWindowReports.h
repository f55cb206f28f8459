#pragma once
#include "common/RepaintSignal.h"
#include "modbus/PollingThread.h"

namespace mms {
class UiDispatcher;
}

// How the polling thread's results reach the data windows: every poll raises
// one signal (on the polling thread, never waiting); the first raise after
// the screen last looked posts one wake-up to the main window, which shows
// every window's latest result at its own pace.
class DataWindowReports : public mms::PollObserver {
 public:
  explicit DataWindowReports(mms::UiDispatcher& dispatcher);

  void PollSent(int) override { signal_.Raise(); }
  void PollAnswered(int, const mms::PollDefinition&, const uint16_t*) override { signal_.Raise(); }
  void PollFailed(int, int) override { signal_.Raise(); }

  // The user-interface thread, before it reads the records.
  void Clear() { signal_.Clear(); }

 private:
  mms::RepaintSignal signal_;
};
