#include "datawindow/Writecoil.h"

TWriteCoilForm* WriteCoilForm = nullptr;

TWriteCoilForm::TWriteCoilForm(QWidget* parent) : QDialog(parent) {}
