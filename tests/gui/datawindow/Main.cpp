#include <QApplication>

int RunTiTests(int argc, char** argv);
int RunThresholdWindowTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failed = RunTiTests(argc, argv);
  failed |= RunThresholdWindowTests(argc, argv);
  return failed;
}
