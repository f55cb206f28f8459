#include <QApplication>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "modbus/Headless.h"
#include "shell/Program.h"

namespace {

constexpr const char* kUsage =
    "Usage: ModbusMasterSimulator [--help | --version] [Qt options]\n"
    "       ModbusMasterSimulator --headless SET.kvs [--csv FILE] [--duration SECONDS]\n"
    "\n"
    "A desktop Modbus master: polls Modbus RTU and Modbus TCP slaves and shows\n"
    "their coils, inputs and registers in data windows.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "  --headless SET.kvs    poll the windows of a windows set without any window\n"
    "                        or display, with the connection of the settings file\n"
    "  --csv FILE            log every valid poll to FILE (CSV, one row per cell)\n"
    "  --duration SECONDS    stop after SECONDS; else at Ctrl+C or SIGTERM\n"
    "  A headless run prints \"caption polls valid errors\" per window and exits\n"
    "  0 when every window had a valid poll and no error, 1 otherwise, 2 on bad\n"
    "  arguments or files.\n"
    "\n"
    "Settings (ZeKvadro.ini) live beside the program when that folder is\n"
    "writable, else in $XDG_CONFIG_HOME/modbus-master-simulator/ (by default\n"
    "~/.config/modbus-master-simulator/); MMS_SETTINGS_DIR names another folder.\n"
    "Transmission.log is written to the current directory.\n";

}  // namespace

// The program's own arguments: these two and a headless run; Qt's are left to Qt.
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
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (mms::WantsHeadless(arguments)) {
    const auto options = mms::ParseHeadlessArguments(arguments, std::cerr);
    if (!options) return mms::kHeadlessBadInput;
    return mms::RunHeadless(*options, std::cout, std::cerr);
  }
  QApplication app(argc, argv);
  Program program;
  program.mainWindow->show();
  return app.exec();
}
