// The main window's hand-over to the connection.

#include "modbus/Connection.h"
#include "common/IniFile.h"
#include "common/SettingsFile.h"
#include "shell/MainWindow.h"

// The settings are read afresh at every connect.
void MainWindow::Connect() {
  if (connection_) connection_->Connect(mms::IniFile(mms::SettingsFilePath()));
}

void MainWindow::Disconnect() {
  if (connection_) connection_->Disconnect();
}
