#include "shell/DeviceTools.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <algorithm>

#include "common/Errors.h"
#include "common/UiDispatcher.h"
#include "datawindow/DataWindow.h"
#include "modbus/Connection.h"
#include "modbus/DeviceIdentification.h"
#include "modbus/PollingThread.h"
#include "shell/DeviceIdentificationDialog.h"
#include "shell/DeviceScanDialog.h"
#include "shell/MainWindow.h"
#include "ui/ErrorBox.h"

namespace {
constexpr const char* kNotConnected = "Not connected: connect first (Connection > Connect)";
}

DeviceTools::DeviceTools(MainWindow& main, mms::PollingThread& pool, mms::UiDispatcher& dispatcher,
                         mms::Connection& connection)
    : QObject(&main), main_(main), pool_(pool), dispatcher_(dispatcher), connection_(connection) {
  QMenu* menu = main.connectionMenu;
  menu->addSeparator();
  identifyAction = menu->addAction(QStringLiteral("&Identify device"));
  identifyAction->setObjectName(QStringLiteral("identifyAction"));
  identifyAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+I")));
  identifyAction->setStatusTip(
      QStringLiteral("Asks the active window's device for its identification"));
  scanAction = menu->addAction(QStringLiteral("Scan &devices"));
  scanAction->setObjectName(QStringLiteral("scanAction"));
  scanAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+D")));
  scanAction->setStatusTip(QStringLiteral("Looks for the devices that answer on the connection"));
  connect(identifyAction, &QAction::triggered, this, &DeviceTools::IdentifyDevice);
  connect(scanAction, &QAction::triggered, this, &DeviceTools::ScanDevices);
}

DeviceTools::~DeviceTools() { *self_ = nullptr; }

void DeviceTools::IdentifyDevice() {
  RunCommand(&main_, [this] {
    DataWindow* window = main_.ActiveDataWindow();
    if (!window)
      throw mms::Error("Identify device asks the device of the active data window: open one first");
    if (!connection_.Connected()) throw mms::Error(kNotConnected);
    const uint8_t deviceId = window->Record()->Poll().DeviceID;
    if (!identificationDialog) identificationDialog = new DeviceIdentificationDialog(&main_);
    identificationDialog->ShowAsking(deviceId);
    identificationDialog->show();
    identificationDialog->raise();
    identificationDialog->activateWindow();

    const uint64_t request = ++identifyRequest_;
    auto self = self_;
    mms::UiDispatcher* dispatcher = &dispatcher_;
    pool_.Submit([self, dispatcher, request, deviceId](mms::Transport* transport, uint8_t mode) {
      std::string text = transport ? mms::IdentificationReport(
                                         deviceId, mms::IdentifyDevice(*transport, mode, deviceId))
                                   : std::string(kNotConnected);
      dispatcher->Post([self, request, text] {
        if (*self) (*self)->ShowIdentification(request, QString::fromStdString(text));
      });
    });
  });
}

void DeviceTools::ShowIdentification(uint64_t request, const QString& text) {
  if (request != identifyRequest_ || !identificationDialog) return;
  identificationDialog->ShowReport(text);
}

void DeviceTools::ScanDevices() {
  if (!scanDialog) {
    scanDialog = new DeviceScanDialog(pool_, dispatcher_, &main_);
    scanDialog->connected = [this] { return connection_.Connected(); };
    scanDialog->openWindow = [this](const mms::ScanSettings& read, int deviceId) {
      OpenWindowFor(read, deviceId);
    };
  }
  scanDialog->show();
  scanDialog->raise();
  scanDialog->activateWindow();
}

void DeviceTools::OpenWindowFor(const mms::ScanSettings& read, int deviceId) {
  RunCommand(&main_, [&] {
    DataWindow* window =
        main_.AddDataWindow(QStringLiteral("NONAME%1").arg(main_.OpenChildWindowCount() + 1));
    window->deviceIdEdit->setText(QString::number(deviceId));
    window->functionBox->setCurrentIndex(read.Function - 1);
    window->FunctionChanged();
    window->addressEdit->setText(QString::number(read.Address));
    // A window shows at most 100 values.
    window->lengthEdit->setText(QString::number(std::min<int>(read.Count, 100)));
  });
}
