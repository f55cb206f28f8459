#pragma once
#include <QDialog>

// The splash window, also shown by About. One instance for the whole run, created at start-up.
class TSplashScreenForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSplashScreenForm(QWidget* parent = nullptr);
};

extern TSplashScreenForm* SplashScreenForm;
