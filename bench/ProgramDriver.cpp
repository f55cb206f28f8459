// The program exactly as main.cpp builds it, for measurements that need a
// user's clicks: with --connect-one-window it presses Connect and New once
// the start-up splash is gone, then runs like the program does.
#include <QApplication>
#include <QTimer>
#include <cstring>

#include "shell/Program.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Program program;
  program.mainWindow->show();
  if (argc > 1 && std::strcmp(argv[1], "--connect-one-window") == 0) {
    QTimer::singleShot(4000, program.mainWindow.get(), [&program] {
      program.mainWindow->ConnectCommand();
      program.mainWindow->NewWindow();
    });
  }
  return app.exec();
}
