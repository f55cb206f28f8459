// The real program's polling pace beside a libmodbus client, in one run: the
// program as main.cpp builds it (windows shown, offscreen), N data windows of
// L holding registers, ScanRate 0 and DelayBetweenPolls 0, against a
// libmodbus slave on loopback (TCP) or on a pseudo-terminal (RTU); before and
// after it a libmodbus client looping one read of L registers against the
// same slave, whose mean rate is the reference (a machine whose pace drifts
// during the run then favours neither).
// Also the user-interface latency (how late a 10 ms timer fires, p95) and
// the resident memory before and after the polling.
//
//   ProgramPaceBench tcp|rtu WINDOWS LENGTH [seconds, default 3]
//   MMS_BENCH_HIDDEN=1 ProgramPaceBench ...   the same with the main window
//                                             never shown: polling apart from painting
#include <modbus.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "auxiliary/SplashScreen.h"
#include "datawindow/DataWindow.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "support/LibmodbusSlaves.h"

namespace {

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

void WriteSettings(const QString& dir, bool tcp, uint16_t port, const std::string& device) {
  std::ofstream file((dir + QStringLiteral("/ZeKvadro.ini")).toStdString());
  file << "[Protocol]\nProtocol=" << (tcp ? "ModbusTCP" : "ModbusRTU") << "\n"
       << "[RTUPortSettings]\nPort=" << device << "\nBitrate=115200\nParity=NONE\nStopBits=1\n"
       << "[TCPPortSettings]\nIPAddress=127.0.0.1\nTCPPort=" << port << "\n"
       << "[General]\nTimeout=1000\nDelayBetweenPolls=0\nScanRate=0\n";
}

// Reads per second of a libmodbus client looping one read of `count` registers.
double LibmodbusRate(modbus_t* ctx, int count, double seconds) {
  if (!ctx || modbus_connect(ctx) != 0) {
    std::fprintf(stderr, "libmodbus client cannot connect\n");
    std::exit(1);
  }
  modbus_set_slave(ctx, 1);
  std::vector<uint16_t> values(static_cast<size_t>(count));
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 200) modbus_read_registers(ctx, 0, count, values.data());  // warm up
  long reads = 0;
  clock.restart();
  while (clock.elapsed() < seconds * 1000) {
    if (modbus_read_registers(ctx, 0, count, values.data()) == count) ++reads;
  }
  const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  modbus_close(ctx);
  modbus_free(ctx);
  return static_cast<double>(reads) / elapsed;
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (std::strcmp(argv[1], "tcp") != 0 && std::strcmp(argv[1], "rtu") != 0)) {
    std::fprintf(stderr, "usage: %s tcp|rtu WINDOWS LENGTH [seconds]\n", argv[0]);
    return 2;
  }
  const bool tcp = std::strcmp(argv[1], "tcp") == 0;
  const int windows = std::clamp(std::atoi(argv[2]), 1, 65);
  const int length = std::clamp(std::atoi(argv[3]), 1, 100);
  const double seconds = argc > 4 ? std::atof(argv[4]) : 3.0;

  QApplication app(argc, argv);
  QTemporaryDir dir;
  mms::test::LibmodbusTcpSlave tcpSlave;
  mms::test::LibmodbusRtuSlave rtuSlave;
  for (int i = 0; i < 100; ++i) {
    tcpSlave.SetHoldingRegister(i, static_cast<uint16_t>(i));
    rtuSlave.SetHoldingRegister(i, static_cast<uint16_t>(i));
  }
  WriteSettings(dir.path(), tcp, tcpSlave.Port(), rtuSlave.DevicePath());
  setenv("MMS_SETTINGS_DIR", dir.path().toLocal8Bit().constData(), 1);
  if (chdir(dir.path().toLocal8Bit().constData()) != 0) return 1;  // Transmission.log lands there

  const auto reference = [&] {
    return LibmodbusRate(tcp ? modbus_new_tcp("127.0.0.1", tcpSlave.Port())
                             : modbus_new_rtu(rtuSlave.DevicePath().c_str(), 115200, 'N', 8, 1),
                         length, seconds);
  };
  const double referenceBefore = reference();
  double programRate = 0;
  double latencyP95 = 0;
  double uiCpuShare = 0;
  long rssBefore = 0, rssAfter = 0;
  {
    Program program;
    if (!std::getenv("MMS_BENCH_HIDDEN")) program.mainWindow->show();
    QTimer::singleShot(0, [&] {
      if (gSplashScreen) gSplashScreen->reject();
      for (int i = 0; i < windows; ++i) {
        program.mainWindow->NewWindow();
        DataWindow* w = program.mainWindow->WindowAt(i);
        w->functionBox->setCurrentIndex(2);  // holding registers
        w->FunctionChanged();
        w->addressEdit->setText(QStringLiteral("0"));
        w->lengthEdit->setText(QString::number(length));
      }
      program.mainWindow->ConnectCommand();
      Wait(500);  // warm up
      rssBefore = ResidentKb();
      // A 10 ms timer's lateness is what a click would wait for.
      std::vector<qint64> late;
      QElapsedTimer tick;
      QTimer probe;
      probe.setTimerType(Qt::PreciseTimer);
      QObject::connect(&probe, &QTimer::timeout, [&] {
        if (tick.isValid()) late.push_back(std::max<qint64>(0, tick.elapsed() - 10));
        tick.restart();
      });
      const uint64_t before = program.pool.TransactionCount();
      const double cpuBefore = ThreadCpuSeconds();
      QElapsedTimer clock;
      clock.start();
      probe.start(10);
      Wait(static_cast<int>(seconds * 1000));
      probe.stop();
      const uint64_t after = program.pool.TransactionCount();
      const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;
      programRate = static_cast<double>(after - before) / elapsed;
      uiCpuShare = (ThreadCpuSeconds() - cpuBefore) / elapsed;
      rssAfter = ResidentKb();
      std::sort(late.begin(), late.end());
      if (!late.empty()) latencyP95 = static_cast<double>(late[late.size() * 95 / 100]);
      program.mainWindow->DisconnectCommand();
      Wait(200);
      app.quit();
    });
    app.exec();
  }
  const double referenceAfter = reference();
  const double libmodbusRate = (referenceBefore + referenceAfter) / 2;
  std::printf("%s %dx%d program (tx/s) %.0f\n", argv[1], windows, length, programRate);
  std::printf("%s %dx%d libmodbus client, before / after (tx/s) %.0f %.0f\n", argv[1], windows,
              length, referenceBefore, referenceAfter);
  std::printf("%s %dx%d program / libmodbus (%%) %.1f\n", argv[1], windows, length,
              100.0 * programRate / libmodbusRate);
  std::printf("%s %dx%d UI latency p95 (ms) %.0f\n", argv[1], windows, length, latencyP95);
  std::printf("%s %dx%d UI thread CPU (%% of a core) %.1f\n", argv[1], windows, length,
              100.0 * uiCpuShare);
  std::printf("%s %dx%d RSS before / after (KB) %ld %ld\n", argv[1], windows, length, rssBefore,
              rssAfter);
  return 0;
}
