#pragma once
#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "ui/ErrorBox.h"

// Collects error box texts instead of showing modal boxes.
class ErrorCollector {
 public:
  ErrorCollector() {
    SetErrorBoxHook([this](const QString& text) { errors << text; });
  }
  ~ErrorCollector() { SetErrorBoxHook({}); }
  ErrorCollector(const ErrorCollector&) = delete;
  ErrorCollector& operator=(const ErrorCollector&) = delete;
  QStringList errors;
};

// While alive, runs `act` on the next modal dialog once it is showing (from
// inside its exec loop); `act` must close the dialog. Waits at most about
// five seconds, and never beyond the scope of the test that made it.
class OnNextModal {
 public:
  explicit OnNextModal(std::function<void(QDialog*)> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog && dialog->isVisible()) {
        timer_.stop();
        act_(dialog);
      } else if (++tries_ > 500) {
        timer_.stop();
      }
    });
    timer_.start(10);
  }
  OnNextModal(const OnNextModal&) = delete;
  OnNextModal& operator=(const OnNextModal&) = delete;

 private:
  std::function<void(QDialog*)> act_;
  QTimer timer_;
  int tries_ = 0;
};
