// The main window's hand-overs to the other subsystems: window files,
// windows sets and the connection.
#include <QFile>
#include <string>
#include <vector>

#include "datawindow/Ti.h"
#include "datawindow/Windowfile.h"
#include "modbus/Connection.h"
#include "shell/IniFile.h"
#include "shell/SettingsFile.h"
#include "shell/MainForm.h"
#include "shell/Windowsset.h"

namespace {
std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
}  // namespace

// A file that fails to load ends the command with the window already open
// and registered, showing what was read before the failure.
void TMainForm::LoadWindowFile(Ti* window, const QString& path) {
  window->ApplyWindowFile(mms::LoadWindowFile(LocalPath(path)));
  window->FileName = path;
}

void TMainForm::SaveWindowFile(Ti* window, const QString& path) {
  mms::SaveWindowFile(window->ToWindowFile(), LocalPath(path));
}

// Slots in order; closed windows and windows never saved are left out.
void TMainForm::SaveWindowsSet(const QString& path) {
  std::vector<std::string> fileNames;
  const int count = state_.DataWindows.WindowCount();
  for (int slot = 0; slot < count; ++slot) {
    if (Ti* window = DataWindow(slot)) fileNames.push_back(window->FileName.toStdString());
  }
  mms::SaveWindowsSet(LocalPath(path), fileNames);
}

// Stops at the first entry that fails, and when the table is full.
void TMainForm::LoadWindowsSet(const QString& path) {
  const mms::WindowsSetReader set(LocalPath(path));
  const int32_t count = set.NumOfFiles();
  for (int32_t i = 0; i < count; ++i) {
    const QString file = QString::fromStdString(set.File(i));
    LoadWindowFile(AddDataWindow(file), file);
  }
}

// The settings are read afresh at every connect.
void TMainForm::Connect() {
  if (connection_) connection_->Connect(mms::IniFile(mms::SettingsFilePath()));
}

void TMainForm::Disconnect() {
  if (connection_) connection_->Disconnect();
}
