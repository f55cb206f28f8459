#pragma once
#include <QObject>
#include <QPointer>
#include <memory>

#include "modbus/DeviceScan.h"

class DeviceIdentificationDialog;
class DeviceScanDialog;
class MainWindow;
class QAction;

namespace mms {
class Connection;
class PollingThread;
class UiDispatcher;
}  // namespace mms

// The device tools of the Connection menu: "Identify device" asks the active
// window's device who it is, "Scan devices" looks for devices on the line.
// Both send over the connection the polling thread owns, as jobs of its own
// between two polls.
class DeviceTools : public QObject {
  Q_OBJECT
 public:
  // Adds the commands to the main window's Connection menu. Every argument
  // outlives this object.
  DeviceTools(MainWindow& main, mms::PollingThread& pool, mms::UiDispatcher& dispatcher,
              mms::Connection& connection);
  ~DeviceTools() override;

  void IdentifyDevice();
  void ScanDevices();
  // A data window that polls what `read` read, from `deviceId`.
  void OpenWindowFor(const mms::ScanSettings& read, int deviceId);

  QAction* identifyAction = nullptr;
  QAction* scanAction = nullptr;
  DeviceIdentificationDialog* identificationDialog = nullptr;  // made on first use
  DeviceScanDialog* scanDialog = nullptr;                      // made on first use

 private:
  void ShowIdentification(uint64_t request, const QString& text);

  MainWindow& main_;
  mms::PollingThread& pool_;
  mms::UiDispatcher& dispatcher_;
  mms::Connection& connection_;
  uint64_t identifyRequest_ = 0;  // only the latest request's answer is shown
  // How jobs reach back; emptied when this object goes.
  std::shared_ptr<DeviceTools*> self_ = std::make_shared<DeviceTools*>(this);
};
