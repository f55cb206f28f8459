#pragma once
#include <QDialog>

// The data definition dialog. One instance for the whole run, created at start-up.
class TSetupForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSetupForm(QWidget* parent = nullptr);
};

extern TSetupForm* SetupForm;
