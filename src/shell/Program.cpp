#include "shell/Program.h"

#include <QApplication>

#include "auxiliary/AuxiliaryResources.h"
#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"
#include "common/Errors.h"
#include "datawindow/DataWindow.h"
#include "datawindow/ThresholdDialog.h"
#include "datawindow/WriteCoilDialog.h"
#include "datawindow/WriteRegisterDialog.h"
#include "modbus/ModbusProtocol.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "ui/ErrorBox.h"

namespace {

// What Connect and Disconnect change in the main window.
class MainWindowConnectionView : public mms::ConnectionView {
 public:
  explicit MainWindowConnectionView(MainWindow* form) : form_(form) {}
  void ShowPortOpeningError(const std::string& advice) override {
    ::ShowPortOpeningError(QString::fromStdString(advice));
  }
  void ShowError(const std::string& message) override {
    ShowErrorBox(form_, QString::fromStdString(message));
  }
  void SetConnectionText(const std::string& text) override {
    form_->SetPanelText(0, QString::fromStdString(text));
  }
  void SetConnectedControls(bool connected) override { form_->SetConnectedControls(connected); }

 private:
  MainWindow* form_;
};

}  // namespace

Program::Program()
    : pool(state.DataWindows, observers, state.ScanRate,
           mms::TapTransactions(trafficTap, &mms::ModbusTransaction,
                                [this] { return pool.SlotInProgress(); })) {
  logThread.SetFrameTap(&trafficTap);
  // The application title: task bar text and error box caption. Set as the
  // application name, which Qt also reports as the display name, so the
  // platform does not append it to every dialog's caption.
  QApplication::setApplicationName(QString::fromUtf8(mms::kApplicationTitle));
  // Every window carries the program's icon; the desktop entry names the same one.
  QApplication::setWindowIcon(ProgramIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("modbus-master-simulator"));

  // The windows, in this order; each dialog does its creation-time work
  // (the connection settings read the settings file) here, once.
  mainWindow = std::make_unique<MainWindow>(state, &dispatcher);
  gMainWindow = mainWindow.get();
  gConnectionSettingsDialog = new ConnectionSettingsDialog(gMainWindow);
  gWriteCoilDialog = new WriteCoilDialog(gMainWindow);
  gWriteRegisterDialog = new WriteRegisterDialog(gMainWindow);
  gSplashScreen = new SplashScreen(gMainWindow);
  gDataDefinitionDialog = new DataDefinitionDialog(gMainWindow);
  gThresholdDialog = new ThresholdDialog(gMainWindow);
  gLicenseDialog = new LicenseDialog(gMainWindow);

  // "Update" queues the write into the data window's slot of this table.
  gWriteCoilDialog->SetWindowTable(&state.DataWindows);
  gWriteRegisterDialog->SetWindowTable(&state.DataWindows);
  gDataDefinitionDialog->SetScanRateTarget([this](int32_t scanRate) { state.ScanRate.store(scanRate); });

  connectionView = std::make_unique<MainWindowConnectionView>(gMainWindow);
  connection = std::make_unique<mms::Connection>(state.Traffic, state.ScanRate, state.ProtocolMode,
                                                 pool, logThread, dispatcher, *connectionView);
  gMainWindow->SetConnection(connection.get());
  deviceTools = new DeviceTools(*gMainWindow, pool, dispatcher, *connection);
  gMainWindow->SetReports(&reports);
  gMainWindow->SetPollObservers(&observers);
  gMainWindow->SetTransmissionLog(&logThread);
  monitorWindows = std::make_unique<MonitorWindows>(*gMainWindow, trafficTap);
  // The dispatcher is already shut down when this runs, so a poll waiting
  // for a window callback returns at once; interrupting the transport ends
  // a transaction that waits for its reply.
  gMainWindow->SetWorkerShutdown([this] {
    connection->Shutdown();
    pool.Shutdown();
  });
}

Program::~Program() {
  mainWindow->ShutDown();
  logThread.SetFrameTap(nullptr);
  DataWindow::AddToTrend = nullptr;
  // The dialogs are children of the main window and go with it.
  mainWindow.reset();
  gConnectionSettingsDialog = nullptr;
  gWriteCoilDialog = nullptr;
  gWriteRegisterDialog = nullptr;
  gSplashScreen = nullptr;
  gDataDefinitionDialog = nullptr;
  gThresholdDialog = nullptr;
  gLicenseDialog = nullptr;
}
