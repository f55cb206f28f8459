#pragma once
#include <QDialog>
#include <cstdint>
#include <memory>

#include "common/WindowRecord.h"
#include "datawindow/AddressStyle.h"

class QLineEdit;

namespace mms {
class WindowTable;
}

// What the write coil and write register dialogs share: the fields the data
// window's double-click fills before showing one of them, and where "Update"
// queues the request.
class WriteDialog : public QDialog {
  Q_OBJECT
 public:
  // The main window's DataWindows; without it "Update" queues nothing.
  void SetWindowTable(mms::WindowTable* table) { table_ = table; }

  uint16_t DeviceID = 0;
  uint16_t Address = 0;
  uint16_t Value = 0;
  int SlotIndex = -1;
  uint8_t WriteFunction = 0;
  uint16_t WriteAddress = 0;
  mms::AddressStyle AddressShownAs;  // how the Address field writes Address

 protected:
  WriteDialog(QWidget* parent, uint8_t writeFunction);

  // Into DataWindows[SlotIndex]; nothing when that window has been closed.
  void QueueWrite(const mms::WriteRequest& request) const;

  QString ShownAddress() const;
  // The record of DataWindows[SlotIndex]; null when that window has been closed.
  std::shared_ptr<mms::WindowRecord> Record() const;

  // Device and address come from the double-click; an edit there would be
  // lost, so they are only shown.
  QLineEdit* ShownOnlyEdit(const QString& objectName, const QString& accessibleName,
                           QWidget* parent);

 private:
  mms::WindowTable* table_ = nullptr;
};
