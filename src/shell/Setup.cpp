#include "shell/Setup.h"

TSetupForm* SetupForm = nullptr;

TSetupForm::TSetupForm(QWidget* parent) : QDialog(parent) {}
