#pragma once
#include <QDialog>

// The licence window. One instance for the whole run, created at start-up.
class TLicense : public QDialog {
  Q_OBJECT
 public:
  explicit TLicense(QWidget* parent = nullptr);
};

extern TLicense* License;
