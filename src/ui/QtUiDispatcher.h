#pragma once
#include <QObject>

#include "common/UiDispatcher.h"
#include "ui/UiTaskQueue.h"

// mms::UiDispatcher over the Qt event loop. Construct it on the user-interface
// thread; it must outlive every worker that calls it (shut it down, stop the
// workers, then destroy it). Tasks also run while a modal dialog is open.
class QtUiDispatcher : public mms::UiDispatcher {
 public:
  QtUiDispatcher();
  ~QtUiDispatcher() override;

  bool RunAndWait(const std::function<void()>& task) override;
  void Post(std::function<void()> task) override;

  // Releases waiting workers and refuses further tasks; see UiTaskQueue.
  void Shutdown();
  bool IsShutDown() const { return queue_.IsShutDown(); }
  // Tasks queued and not yet started.
  std::size_t PendingCount() const { return queue_.PendingCount(); }

 private:
  QObject receiver_;  // lives on the user-interface thread; the queued wake-ups target it
  mms::UiTaskQueue queue_;
};
