#include "shell/Program.h"

#include <QApplication>

#include "auxiliary/Licenseform.h"
#include "auxiliary/Splashscreen.h"
#include "datawindow/Ti.h"
#include "datawindow/Tresholddisplaywindow.h"
#include "datawindow/Writecoil.h"
#include "datawindow/Writeregister.h"
#include "shell/Errors.h"
#include "shell/Settings.h"
#include "shell/Setup.h"
#include "ui/ErrorBox.h"

namespace {

// What Connect and Disconnect change in the main window.
class MainFormConnectionView : public mms::ConnectionView {
 public:
  explicit MainFormConnectionView(TMainForm* form) : form_(form) {}
  void ShowPortOpeningError() override { ::ShowPortOpeningError(); }
  void SetConnectionText(const std::string& text) override {
    form_->SetPanelText(0, QString::fromStdString(text));
  }
  void SetConnectedControls(bool connected) override { form_->SetConnectedControls(connected); }

 private:
  TMainForm* form_;
};

}  // namespace

Program::Program() : pool(state.DataWindows, dispatcher, reports, state.ScanRate) {
  // The application title: task bar text and error box caption. Set as the
  // application name, which Qt also reports as the display name, so the
  // platform does not append it to every dialog's caption.
  QApplication::setApplicationName(QString::fromUtf8(mms::kApplicationTitle));

  // The windows, in this order; each dialog does its creation-time work
  // (the connection settings read the settings file) here, once.
  mainForm = std::make_unique<TMainForm>(state, &dispatcher);
  MainForm = mainForm.get();
  FormSettings = new TFormSettings(MainForm);
  WriteCoilForm = new TWriteCoilForm(MainForm);
  WriteRegisterForm = new TWriteRegisterForm(MainForm);
  SplashScreenForm = new TSplashScreenForm(MainForm);
  SetupForm = new TSetupForm(MainForm);
  ThresholdWindow = new TThresholdWindow(MainForm);
  License = new TLicense(MainForm);

  // "Update" queues the write into the data window's slot of this table.
  WriteCoilForm->SetWindowTable(&state.DataWindows);
  WriteRegisterForm->SetWindowTable(&state.DataWindows);
  SetupForm->SetScanRateTarget([this](int32_t scanRate) { state.ScanRate.store(scanRate); });

  connectionView = std::make_unique<MainFormConnectionView>(MainForm);
  connection = std::make_unique<mms::Connection>(state.Traffic, state.ScanRate, state.ProtocolMode,
                                                 pool, logThread, dispatcher, *connectionView);
  MainForm->SetConnection(connection.get());
  // The dispatcher is already shut down when this runs, so a poll waiting
  // for a window callback returns at once; interrupting the transport ends
  // a transaction that waits for its reply.
  MainForm->SetWorkerShutdown([this] {
    connection->Shutdown();
    pool.Shutdown();
  });
}

Program::~Program() {
  mainForm->ShutDown();
  // The dialogs are children of the main window and go with it.
  mainForm.reset();
  FormSettings = nullptr;
  WriteCoilForm = nullptr;
  WriteRegisterForm = nullptr;
  SplashScreenForm = nullptr;
  SetupForm = nullptr;
  ThresholdWindow = nullptr;
  License = nullptr;
}
