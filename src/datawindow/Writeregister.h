#pragma once
#include <QDialog>
#include <cstdint>

#include "datawindow/DataWindowLimits.h"

class QLineEdit;
class QPushButton;

namespace mms {
class WindowTable;
}

// The write register dialog. One instance for the whole run, created at
// start-up. The data window's double-click fills the public fields, then
// shows it modally; "Update" reads Edit3 in `Format` and queues the write
// into DataWindows[SlotIndex].
class TWriteRegisterForm : public QDialog {
  Q_OBJECT
 public:
  explicit TWriteRegisterForm(QWidget* parent = nullptr);

  // The main window's DataWindows; without it "Update" queues nothing.
  void SetWindowTable(mms::WindowTable* table) { table_ = table; }

  uint16_t DeviceID = 0;
  uint16_t Address = 0;
  uint16_t Value = 0;
  int SlotIndex = -1;
  mms::DisplayFormat Format = mms::DisplayFormat::RBDecimal;
  uint8_t WriteFunction = 6;
  uint16_t WriteAddress = 0;

  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 public slots:
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  mms::WindowTable* table_ = nullptr;
};

extern TWriteRegisterForm* WriteRegisterForm;
