#include "datawindow/Writeregister.h"

TWriteRegisterForm* WriteRegisterForm = nullptr;

TWriteRegisterForm::TWriteRegisterForm(QWidget* parent) : QDialog(parent) {}
void TWriteRegisterForm::Button1Click() {}
void TWriteRegisterForm::Button2Click() { reject(); }
void TWriteRegisterForm::showEvent(QShowEvent* event) { QDialog::showEvent(event); }
void TWriteRegisterForm::FormShow() {}
