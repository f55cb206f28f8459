#pragma once
#include "datawindow/DataWindowLimits.h"
#include "datawindow/WriteForm.h"

class QLineEdit;
class QPushButton;

// The write register dialog. One instance for the whole run, created at
// start-up. The data window's double-click fills the public fields, then
// shows it modally; "Update" reads Edit3 in `Format` and queues the write
// into DataWindows[SlotIndex].
class TWriteRegisterForm : public TWriteForm {
  Q_OBJECT
 public:
  explicit TWriteRegisterForm(QWidget* parent = nullptr);

  mms::DisplayFormat Format = mms::DisplayFormat::RBDecimal;

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
};

extern TWriteRegisterForm* WriteRegisterForm;
