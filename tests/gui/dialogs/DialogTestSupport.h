#pragma once
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include "common/SettingsFile.h"
#include "ui/ErrorBox.h"

// Each test gets its own settings directory and collects error box texts
// instead of showing modal boxes.
class SettingsSandbox {
 public:
  SettingsSandbox() {
    mms::SetSettingsDirectory(dir_.path().toStdString());
    SetErrorBoxHook([this](const QString& text) { errors << text; });
  }
  ~SettingsSandbox() {
    SetErrorBoxHook({});
    mms::SetSettingsDirectory("");
  }
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  QString Path() const { return QString::fromStdString(mms::SettingsFilePath()); }
  QString Directory() const { return dir_.path(); }

  void Write(const QByteArray& text) const {
    QFile file(Path());
    if (file.open(QIODevice::WriteOnly)) file.write(text);
  }
  QByteArray Read() const {
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QStringList errors;

 private:
  QTemporaryDir dir_;
};

// True when the frames of `window` and `main` share their centre, give or take
// the window frame the platform adds only once a window is first shown.
inline bool CentredOn(const QWidget& window, const QWidget& main) {
  const QPoint offset = window.frameGeometry().center() - main.frameGeometry().center();
  return qAbs(offset.x()) <= 3 && qAbs(offset.y()) <= 3;
}
