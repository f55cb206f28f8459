#pragma once
#include "datawindow/WriteDialog.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

// The write coil dialog. One instance for the whole run, created at start-up.
// The data window's double-click fills the public fields, then shows it
// modally; "Update" queues the write into DataWindows[SlotIndex].
class WriteCoilDialog : public WriteDialog {
  Q_OBJECT
 public:
  explicit WriteCoilDialog(QWidget* parent = nullptr);

  QLineEdit* deviceIdEdit = nullptr;
  QLineEdit* addressEdit = nullptr;
  QRadioButton* offButton = nullptr;
  QRadioButton* onButton = nullptr;
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

extern WriteCoilDialog* gWriteCoilDialog;
