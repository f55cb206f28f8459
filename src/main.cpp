#include <QApplication>

#include "shell/Program.h"

// The program takes no arguments; Qt's own are left to Qt.
int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Program program;
  program.mainWindow->show();
  return app.exec();
}
