#pragma once
#include <QDialog>

// The threshold dialog. One instance for the whole run, created at start-up.
class TThresholdWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TThresholdWindow(QWidget* parent = nullptr);
};

extern TThresholdWindow* ThresholdWindow;
