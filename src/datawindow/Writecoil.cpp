#include "datawindow/Writecoil.h"

TWriteCoilForm* WriteCoilForm = nullptr;

TWriteCoilForm::TWriteCoilForm(QWidget* parent) : QDialog(parent) {}
void TWriteCoilForm::Button1Click() {}
void TWriteCoilForm::Button2Click() { reject(); }
void TWriteCoilForm::showEvent(QShowEvent* event) { QDialog::showEvent(event); }
void TWriteCoilForm::FormShow() {}
