#include "shell/WindowCommands.h"

#include <string>
#include <vector>

#include "datawindow/DataWindow.h"
#include "datawindow/WindowFile.h"
#include "shell/MainWindow.h"
#include "datawindow/WindowsSet.h"

namespace mms {

DataWindow* OpenWindowFile(MainWindow& main, const QString& path) {
  const WindowFile file = LoadWindowFile(path.toStdString());
  // Raises when the table is full, before any window is made.
  DataWindow* window = main.AddDataWindow(path);
  window->ApplyWindowFile(file);
  window->FileName = path;
  return window;
}

void LoadWindowFileInto(DataWindow& window, const QString& path) {
  window.ApplyWindowFile(LoadWindowFile(path.toStdString()));
  window.FileName = path;
}

void SaveWindowFileOf(DataWindow& window, const QString& path) {
  SaveWindowFile(window.ToWindowFile(), path.toStdString());
  window.FileName = path;
}

void SaveWindowsSetOf(MainWindow& main, const QString& path) {
  std::vector<std::string> names;
  const int count = main.State().DataWindows.WindowCount();
  for (int slot = 0; slot < count; ++slot) {
    const DataWindow* window = main.WindowAt(slot);
    names.push_back(window ? window->FileName.toStdString() : std::string());
  }
  SaveWindowsSet(path.toStdString(), names);
}

void LoadWindowsSetInto(MainWindow& main, const QString& path) {
  const WindowsSetReader set(path.toStdString());
  const int32_t count = set.NumOfFiles();
  // Every pass either opens a window or raises, and the table holds 65, so
  // even the largest count ends after at most 66 passes.
  for (int32_t i = 0; i < count; ++i) {
    OpenWindowFile(main, QString::fromStdString(set.File(i)));
  }
}

}  // namespace mms
