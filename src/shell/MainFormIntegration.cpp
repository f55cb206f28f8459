// The main window's hand-overs to the other subsystems: window files,
// windows sets and the connection. Each body is
// filled when its subsystem joins the program; until then the command ends
// without effect.
#include "datawindow/Ti.h"
#include "shell/MainForm.h"

void TMainForm::LoadWindowFile(Ti* window, const QString& path) {
  (void)window;
  (void)path;
}

void TMainForm::SaveWindowFile(Ti* window, const QString& path) {
  (void)window;
  (void)path;
}

void TMainForm::SaveWindowsSet(const QString& path) { (void)path; }

void TMainForm::LoadWindowsSet(const QString& path) { (void)path; }

void TMainForm::Connect() {}

void TMainForm::Disconnect() {}
