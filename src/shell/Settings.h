#pragma once
#include <QDialog>

// The connection settings dialog. One instance for the whole run, created at start-up.
class TFormSettings : public QDialog {
  Q_OBJECT
 public:
  explicit TFormSettings(QWidget* parent = nullptr);
};

extern TFormSettings* FormSettings;
