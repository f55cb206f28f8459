#include "datawindow/Writeregister.h"

TWriteRegisterForm* WriteRegisterForm = nullptr;

TWriteRegisterForm::TWriteRegisterForm(QWidget* parent) : QDialog(parent) {}
