#include "ui/CentreOnMain.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget>& MainWindowPointer() {
  static QPointer<QWidget> mainWindow;
  return mainWindow;
}
}  // namespace

void SetMainWindow(QWidget* mainWindow) { MainWindowPointer() = mainWindow; }

QWidget* MainWindowWidget() { return MainWindowPointer().data(); }

void CentreOnMainWindow(QWidget* window) {
  QWidget* main = MainWindowWidget();
  if (!window || !main || window == main) return;
  window->move(CentredPosition(main->frameGeometry(), window->frameGeometry().size()));
}
