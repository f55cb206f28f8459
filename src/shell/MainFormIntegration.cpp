// The main window's hand-over to the connection.

#include "modbus/Connection.h"
#include "shell/IniFile.h"
#include "shell/SettingsFile.h"
#include "shell/MainForm.h"

// The settings are read afresh at every connect.
void TMainForm::Connect() {
  if (connection_) connection_->Connect(mms::IniFile(mms::SettingsFilePath()));
}

void TMainForm::Disconnect() {
  if (connection_) connection_->Disconnect();
}
