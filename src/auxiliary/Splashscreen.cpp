#include "auxiliary/Splashscreen.h"

TSplashScreenForm* SplashScreenForm = nullptr;

TSplashScreenForm::TSplashScreenForm(QWidget* parent) : QDialog(parent) {}
