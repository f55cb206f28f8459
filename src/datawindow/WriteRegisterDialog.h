#pragma once
#include "datawindow/DataWindowLimits.h"
#include "datawindow/WriteDialog.h"

class QLineEdit;
class QPushButton;

// The write register dialog. One instance for the whole run, created at
// start-up. The data window's double-click fills the public fields, then
// shows it modally; "Update" reads valueEdit in `Format` and queues the write
// into DataWindows[SlotIndex].
class WriteRegisterDialog : public WriteDialog {
  Q_OBJECT
 public:
  explicit WriteRegisterDialog(QWidget* parent = nullptr);

  mms::DisplayFormat Format = mms::DisplayFormat::Decimal;

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
