#pragma once
#include <functional>

namespace mms {

// How a worker thread reaches the windows: the task runs on the
// user-interface thread. The gui implements it over the Qt event loop; core
// tests run tasks directly or on a test thread.
class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  // Runs `task` on the user-interface thread and waits until it has run.
  // Returns false, without running it, once the dispatcher is shutting down,
  // so a worker never waits for a user-interface thread that is itself
  // waiting for the worker.
  virtual bool RunAndWait(const std::function<void()>& task) = 0;
  // Queues `task` for the user-interface thread without waiting.
  virtual void Post(std::function<void()> task) = 0;
};

}  // namespace mms
