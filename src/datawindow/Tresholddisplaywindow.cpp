#include "datawindow/Tresholddisplaywindow.h"

TThresholdWindow* ThresholdWindow = nullptr;

TThresholdWindow::TThresholdWindow(QWidget* parent) : QDialog(parent) {}
