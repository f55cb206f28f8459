#pragma once

class MainWindow;
class QAction;
class TrafficMonitor;
class TrendWindow;

namespace mms {
class TrafficTap;
}

// The traffic monitor and the trends window in the main window: items in the
// Window menu and buttons on the tool bar, and "Add to trend" in every data
// window's cell menu. The windows are made on first use, as children of the
// main window. `tap` outlives the main window.
class MonitorWindows {
 public:
  MonitorWindows(MainWindow& mainWindow, mms::TrafficTap& tap);

  TrafficMonitor* Monitor();  // made when first asked for
  TrendWindow* Trends();
  void ShowMonitor();
  void ShowTrends();

  QAction* monitorAction = nullptr;
  QAction* trendsAction = nullptr;

 private:
  MainWindow& main_;
  mms::TrafficTap& tap_;
  TrafficMonitor* monitor_ = nullptr;
  TrendWindow* trends_ = nullptr;
};
