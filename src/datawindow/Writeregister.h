#pragma once
#include <QDialog>

// The write register dialog. One instance for the whole run, created at start-up.
class TWriteRegisterForm : public QDialog {
  Q_OBJECT
 public:
  explicit TWriteRegisterForm(QWidget* parent = nullptr);
};

extern TWriteRegisterForm* WriteRegisterForm;
