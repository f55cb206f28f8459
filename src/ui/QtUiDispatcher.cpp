#include "ui/QtUiDispatcher.h"

#include <QMetaObject>

QtUiDispatcher::QtUiDispatcher()
    : queue_([this] {
        QMetaObject::invokeMethod(
            &receiver_, [this] { queue_.RunPending(); }, Qt::QueuedConnection);
      }) {}

QtUiDispatcher::~QtUiDispatcher() { queue_.Shutdown(); }

bool QtUiDispatcher::RunAndWait(const std::function<void()>& task) {
  return queue_.RunAndWait(task);
}

void QtUiDispatcher::Post(std::function<void()> task) { queue_.Post(std::move(task)); }

void QtUiDispatcher::Shutdown() { queue_.Shutdown(); }
