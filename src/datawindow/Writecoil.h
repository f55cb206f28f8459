#pragma once
#include <QDialog>

// The write coil dialog. One instance for the whole run, created at start-up.
class TWriteCoilForm : public QDialog {
  Q_OBJECT
 public:
  explicit TWriteCoilForm(QWidget* parent = nullptr);
};

extern TWriteCoilForm* WriteCoilForm;
