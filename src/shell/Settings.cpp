#include "shell/Settings.h"

TFormSettings* FormSettings = nullptr;

TFormSettings::TFormSettings(QWidget* parent) : QDialog(parent) {}
