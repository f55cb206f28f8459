#include <QApplication>
#include <cstdio>
#include <cstring>

#include "shell/Program.h"

namespace {

constexpr const char* kUsage =
    "Usage: ModbusMasterSimulator [--help | --version] [Qt options]\n"
    "\n"
    "A desktop Modbus master: polls Modbus RTU and Modbus TCP slaves and shows\n"
    "their coils, inputs and registers in data windows.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Settings (ZeKvadro.ini) live beside the program when that folder is\n"
    "writable, else in $XDG_CONFIG_HOME/modbus-master-simulator/ (by default\n"
    "~/.config/modbus-master-simulator/); MMS_SETTINGS_DIR names another folder.\n"
    "Transmission.log is written to the current directory.\n";

}  // namespace

// The program takes no arguments of its own but these two; Qt's are left to Qt.
int main(int argc, char* argv[]) {
  // Answered before QApplication exists, so they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("ModbusMasterSimulator %s\n", MMS_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  Program program;
  program.mainWindow->show();
  return app.exec();
}
