#include <QApplication>
#include <memory>

#include "auxiliary/Licenseform.h"
#include "auxiliary/Splashscreen.h"
#include "datawindow/Ti.h"
#include "datawindow/Tresholddisplaywindow.h"
#include "datawindow/Writecoil.h"
#include "datawindow/Writeregister.h"
#include "log/Logthread.h"
#include "modbus/Modbusthread.h"
#include "shell/AppState.h"
#include "shell/DataWindowReports.h"
#include "shell/Errors.h"
#include "shell/MainForm.h"
#include "shell/Settings.h"
#include "shell/Setup.h"
#include "ui/QtUiDispatcher.h"

// The program takes no arguments; Qt's own are left to Qt.
int main(int argc, char* argv[]) {
  QApplication app(argc, argv);

  // The state the windows and the worker threads share, before either exists.
  mms::AppState state;
  QtUiDispatcher dispatcher;
  DataWindowReports reports;

  // The worker threads, suspended until Connect: the polling thread, then the log writer.
  mms::Pool pool(state.DataWindows, dispatcher, reports, state.ScanRate);
  mms::CLogThread logThread;

  // The application title: task bar text and error box caption. Set as the
  // application name, which Qt reports as the display name too, without
  // having the platform append it to every dialog's caption.
  QApplication::setApplicationName(QString::fromUtf8(mms::kApplicationTitle));

  // The windows, in this order; each dialog does its creation-time work
  // (the connection settings read the settings file) here, once.
  auto mainForm = std::make_unique<TMainForm>(state, &dispatcher);
  MainForm = mainForm.get();
  FormSettings = new TFormSettings(MainForm);
  WriteCoilForm = new TWriteCoilForm(MainForm);
  WriteRegisterForm = new TWriteRegisterForm(MainForm);
  SplashScreenForm = new TSplashScreenForm(MainForm);
  SetupForm = new TSetupForm(MainForm);
  ThresholdWindow = new TThresholdWindow(MainForm);
  License = new TLicense(MainForm);

  SetupForm->SetScanRateTarget([&state](int32_t scanRate) { state.ScanRate.store(scanRate); });
  // Exit stops the workers after the dispatcher has released them; the
  // connection's transport is interrupted here too once it joins.
  MainForm->SetWorkerShutdown([&pool] { pool.Shutdown(); });

  MainForm->show();
  const int result = app.exec();

  MainForm->ShutDown();
  // The dialogs are children of the main window and go with it.
  mainForm.reset();
  FormSettings = nullptr;
  WriteCoilForm = nullptr;
  WriteRegisterForm = nullptr;
  SplashScreenForm = nullptr;
  SetupForm = nullptr;
  ThresholdWindow = nullptr;
  License = nullptr;
  return result;
}
