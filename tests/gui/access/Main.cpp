#include <QApplication>

int RunMainWindowAccessTests(int argc, char** argv);
int RunDataWindowAccessTests(int argc, char** argv);
int RunSettingsAccessTests(int argc, char** argv);
int RunAuxiliaryAccessTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failed = RunMainWindowAccessTests(argc, argv);
  failed |= RunDataWindowAccessTests(argc, argv);
  failed |= RunSettingsAccessTests(argc, argv);
  failed |= RunAuxiliaryAccessTests(argc, argv);
  return failed;
}
