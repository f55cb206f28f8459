#pragma once
#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace mms {
class WindowTable;
}

// The write coil dialog. One instance for the whole run, created at start-up.
// The data window's double-click fills the public fields, then shows it
// modally; "Update" queues the write into DataWindows[SlotIndex].
class TWriteCoilForm : public QDialog {
  Q_OBJECT
 public:
  explicit TWriteCoilForm(QWidget* parent = nullptr);

  // The main window's DataWindows; without it "Update" queues nothing.
  void SetWindowTable(mms::WindowTable* table) { table_ = table; }

  uint16_t DeviceID = 0;
  uint16_t Address = 0;
  uint16_t Value = 0;
  int SlotIndex = -1;
  uint8_t WriteFunction = 5;
  uint16_t WriteAddress = 0;

  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QRadioButton* RBOff = nullptr;
  QRadioButton* RBOn = nullptr;
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

extern TWriteCoilForm* WriteCoilForm;
