#pragma once
#include <memory>

#include "log/TransmissionLog.h"
#include "modbus/Connection.h"
#include "modbus/PollObservers.h"
#include "modbus/PollingThread.h"
#include "monitor/MonitorWindows.h"
#include "monitor/TrafficTap.h"
#include "shell/AppState.h"
#include "shell/DataWindowReports.h"
#include "shell/DeviceTools.h"
#include "shell/MainWindow.h"
#include "ui/QtUiDispatcher.h"

// Everything the program is made of, created in the start-up order: the
// shared state, the worker threads (suspended), the application title, then
// the windows. Taken down in reverse: the main window's shutdown first, so no
// worker waits on the user-interface thread, then the windows, then the
// threads and the state they read. Needs a QApplication.
class Program {
 public:
  Program();
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  mms::AppState state;
  QtUiDispatcher dispatcher;
  DataWindowReports reports{dispatcher};
  mms::PollObserverFanOut observers{&reports};  // the reports, then a CSV log
  // Before the polling thread, which marks its transactions on it.
  mms::TrafficTap trafficTap;
  mms::PollingThread pool;
  mms::TransmissionLog logThread;
  std::unique_ptr<MainWindow> mainWindow;
  std::unique_ptr<mms::ConnectionView> connectionView;
  std::unique_ptr<mms::Connection> connection;
  DeviceTools* deviceTools = nullptr;  // the main window's child
  std::unique_ptr<MonitorWindows> monitorWindows;
};
