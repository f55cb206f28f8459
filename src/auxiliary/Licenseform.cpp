#include "auxiliary/Licenseform.h"

TLicense* License = nullptr;

TLicense::TLicense(QWidget* parent) : QDialog(parent) {}
