#include "ui/ErrorBox.h"

#include <QMessageBox>
#include <exception>

#include "common/Errors.h"

namespace {

std::function<void(const QString&)>& Hook() {
  static std::function<void(const QString&)> hook;
  return hook;
}

QString BoxText(const QString& message) {
  return QString::fromStdString(mms::ErrorBoxText(message.toStdString()));
}

}  // namespace

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& message) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Critical,
                                           QString::fromUtf8(mms::kApplicationTitle),
                                           BoxText(message), QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("ErrorBox"));
  return box;
}

void ShowErrorBox(QWidget* parent, const QString& message) {
  if (Hook()) {
    Hook()(BoxText(message));
    return;
  }
  MakeErrorBox(parent, message)->exec();
}

void ShowPortOpeningError(const QString& advice) {
  const QString text = QStringLiteral("Port opening error!");
  if (Hook()) {
    Hook()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, text, text, QMessageBox::Ok);
  box.setObjectName(QStringLiteral("PortOpeningError"));
  box.setInformativeText(advice);
  box.exec();
}

bool RunCommand(QWidget* parent, const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& e) {
    ShowErrorBox(parent, QString::fromUtf8(e.what()));
  } catch (...) {
    ShowErrorBox(parent, QStringLiteral("Unexpected error"));
  }
  return false;
}

void SetErrorBoxHook(std::function<void(const QString& text)> hook) { Hook() = std::move(hook); }
