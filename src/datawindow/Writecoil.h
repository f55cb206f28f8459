#pragma once
#include "datawindow/WriteForm.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

// The write coil dialog. One instance for the whole run, created at start-up.
// The data window's double-click fills the public fields, then shows it
// modally; "Update" queues the write into DataWindows[SlotIndex].
class TWriteCoilForm : public TWriteForm {
  Q_OBJECT
 public:
  explicit TWriteCoilForm(QWidget* parent = nullptr);

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
};

extern TWriteCoilForm* WriteCoilForm;
