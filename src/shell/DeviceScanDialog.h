#pragma once
#include <QDialog>
#include <functional>
#include <memory>

#include "modbus/DeviceScan.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace mms {
class PollingThread;
class UiDispatcher;
}  // namespace mms

// "Scan devices": asks every unit ID of a range for one read, each with a
// short timeout of its own, over the current connection, and lists the IDs
// that answered with their reply and response time. A click (or Enter) on
// a found ID opens a data window for it.
class DeviceScanDialog : public QDialog {
  Q_OBJECT
 public:
  DeviceScanDialog(mms::PollingThread& pool, mms::UiDispatcher& dispatcher,
                   QWidget* parent = nullptr);
  ~DeviceScanDialog() override;

  // Whether a connection is up to scan over; set once by the owner.
  std::function<bool()> connected;
  // Opens a data window for `deviceId` polling what the scan read.
  std::function<void(const mms::ScanSettings& read, int deviceId)> openWindow;

  mms::ScanSettings Settings() const;
  void StartScan();
  void StopScan();
  bool Scanning() const { return scan_ != nullptr; }
  // The reply row of `deviceId`, or null.
  QTreeWidgetItem* FoundItem(int deviceId) const;
  void OpenItem(QTreeWidgetItem* item);

  QSpinBox* fromBox = nullptr;
  QSpinBox* toBox = nullptr;
  QComboBox* functionBox = nullptr;
  QSpinBox* addressBox = nullptr;
  QSpinBox* countBox = nullptr;
  QSpinBox* timeoutBox = nullptr;
  QPushButton* startButton = nullptr;
  QPushButton* stopButton = nullptr;
  QProgressBar* progressBar = nullptr;
  QLabel* statusLabel = nullptr;
  QTreeWidget* foundList = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void ShowStep(const mms::ScanStep& step);
  void Finish(const QString& status);

  mms::PollingThread& pool_;
  mms::UiDispatcher& dispatcher_;
  std::shared_ptr<mms::DeviceScan> scan_;
  mms::ScanSettings running_;  // of the scan whose results are listed
  int found_ = 0;
};
