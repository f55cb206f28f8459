#pragma once
#include <array>

#include "datawindow/ValueEncoding.h"
#include "datawindow/WriteDialog.h"

class QLineEdit;
class QPushButton;

// The write register dialog. One instance for the whole run, created at
// start-up. The data window's double-click fills the public fields, then
// shows it modally. It opens with the value of Value and FollowingWords in
// `Format`, written so that "Update" on the unchanged text writes these very
// words back; "Update" reads valueEdit in `Format` and queues the write into
// DataWindows[SlotIndex].
class WriteRegisterDialog : public WriteDialog {
  Q_OBJECT
 public:
  explicit WriteRegisterDialog(QWidget* parent = nullptr);

  mms::ValueEncoding Format;
  std::array<uint16_t, 3> FollowingWords{};  // the registers after Address, for 32/64 bits
  uint8_t SingleWriteFunction = 6;           // or 16, for devices that take no function 6

  QLineEdit* deviceIdEdit = nullptr;
  QLineEdit* addressEdit = nullptr;
  QLineEdit* valueEdit = nullptr;
  QPushButton* updateButton = nullptr;
  QPushButton* cancelButton = nullptr;

 public slots:
  void UpdateClicked();
  void CancelClicked();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void PrepareToShow();
};

extern WriteRegisterDialog* gWriteRegisterDialog;
