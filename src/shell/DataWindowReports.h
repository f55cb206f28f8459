#pragma once
#include "modbus/PollingThread.h"

// How the polling thread's reports reach the data windows: each call runs on
// the user-interface thread and finds the window by its slot in the main
// window's table; a slot whose window has been closed is skipped. It exists
// before the main window (the polling thread is made first) and looks the
// main window up at each call.
class DataWindowReports : public mms::PollCallbacks {
 public:
  void CountPoll(int slot) override;
  void FillGrid(int slot, const mms::PollDefinition& request, const uint16_t* readBuffer) override;
  void CountError(int slot) override;
  void ShowTimeout(int slot) override;
  void ShowInvalidReply(int slot) override;
};
