#pragma once
#include <QMainWindow>
#include <QElapsedTimer>
#include <QPointer>
#include <array>
#include <functional>
#include <string>

#include "common/TrafficStatistics.h"
#include "shell/AppState.h"

class QAction;
class QFileDialog;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QtUiDispatcher;
class DataWindowReports;
class DataWindow;
class CsvLogging;

// The frame of the program: menus, tool bar, status bar, the 200 ms timer,
// and the data windows in its client area with the table the polling thread
// finds them by. Everything here runs on the user-interface thread.
namespace mms {
class Connection;
class PollObserverFanOut;
class TransmissionLog;
}

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kPanelCount = 6;
  static constexpr int kPanelWidth = 150;
  static constexpr const char* kTableFullMessage =
      "No data window slot is left: at most 65 data windows can be opened in one run";

  // `state` outlives the window. ShutDown() shuts `dispatcher` down (may be null).
  explicit MainWindow(mms::AppState& state, QtUiDispatcher* dispatcher = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  mms::AppState& State() { return state_; }

  // A data window with its default poll definition and `caption`, shown at
  // once as a child window and deleted when closed. Does not touch the table.
  DataWindow* CreateDataWindow(const QString& caption);
  // CreateDataWindow, then the window takes slot WindowCount and the count
  // grows. With no slot left it throws mms::Error and creates nothing.
  DataWindow* AddDataWindow(const QString& caption);

  // The open data window of `slot`, or null (empty slot, closed window).
  DataWindow* WindowAt(int slot) const;
  // The current child window when it is a data window, else null.
  DataWindow* ActiveDataWindow() const;
  // Child windows open now (those being closed no longer count).
  int OpenChildWindowCount() const;
  QMdiArea* MdiArea() const { return mdiArea_; }

  // Status bar panels 0..5. Panel 5 is the transmission log's: writes to it
  // are ignored.
  void SetPanelText(int panel, const QString& text);
  QString PanelText(int panel) const;
  QLabel* Panel(int panel) const;
  // The width that shows every status panel whole.
  int StatusPanelsWidth() const;

  // Connected: Connect items off, Disconnect items on; and back.
  void SetConnectedControls(bool connected);

  // The one way out (Exit, the close box, the end of the event loop): refuses
  // further user-interface tasks so no worker stays blocked on this thread,
  // then stops the worker threads through the hook. Runs once.
  void ShutDown();
  void SetWorkerShutdown(std::function<void()> stopWorkers);
  // Connect and Disconnect act through it; set once at start-up.
  void SetConnection(mms::Connection* connection) { connection_ = connection; }
  // Where the polling thread's results are announced; set once at start-up.
  void SetReports(DataWindowReports* reports) { reports_ = reports; }
  // Where "Log to CSV..." adds its observer; set once at start-up.
  void SetPollObservers(mms::PollObserverFanOut* observers) { observers_ = observers; }
  // New poll results wait: shows them no sooner than kRefreshIntervalMs after
  // they came (a request and its answer show in one pass) and at most once
  // per refresh interval (kRefreshIntervalMs, longer when showing takes
  // long), however fast the device answers.
  void ScheduleResultRefresh();
  // Every open data window shows its latest result now.
  void RefreshResults();
  static constexpr int kRefreshIntervalMs = 33;
  // Whose StatusText() panel 5 shows at every timer tick; set once at start-up.
  void SetTransmissionLog(const mms::TransmissionLog* log) { log_ = log; }
  bool IsShutDown() const { return shutDown_; }

  // Menu and tool bar commands.
  void NewWindow();
  void OpenWindow();
  void CloseWindow();
  void SaveWindow();
  void SaveWindowAs();
  void SaveWindowsSet();
  void LoadWindowsSet();
  void ExportCsv();
  void ImportCsv();
  void LogCsv();  // starts the CSV log, or stops it while it runs
  bool CsvLogActive() const;
  void Exit();
  void Cut();
  void Copy();
  void Paste();
  void ConnectCommand();
  void DisconnectCommand();
  void ShowConnectionSettings();
  void ShowDataDefinition();
  void Cascade();
  void TileHorizontally();
  void TileVertically();
  void MinimizeAll();
  void ArrangeAll();
  void ShowAbout();
  void ShowLicense();
  void RefreshStatistics();
  // First showing: the splash, then "Not connected".
  void FirstShown();

  // Components.
  QMenuBar* mainMenu = nullptr;
  QToolBar* toolBar = nullptr;
  QStatusBar* statusBarWidget = nullptr;
  QTimer* statisticsTimer = nullptr;
  QFileDialog* openDialog = nullptr;
  QFileDialog* saveDialog = nullptr;
  QFileDialog* saveSetDialog = nullptr;
  QFileDialog* loadSetDialog = nullptr;
  QFileDialog* exportCsvDialog = nullptr;
  QFileDialog* importCsvDialog = nullptr;

  QMenu* fileMenu = nullptr;
  QMenu* editMenu = nullptr;
  QMenu* connectionMenu = nullptr;
  QMenu* setupMenu = nullptr;
  QMenu* windowMenu = nullptr;
  QMenu* helpMenu = nullptr;

  QAction* newAction = nullptr;
  QAction* openAction = nullptr;
  QAction* closeAction = nullptr;
  QAction* saveAction = nullptr;
  QAction* saveAsAction = nullptr;
  QAction* saveSetAction = nullptr;
  QAction* loadSetAction = nullptr;
  QAction* exportCsvAction = nullptr;
  QAction* importCsvAction = nullptr;
  QAction* logCsvAction = nullptr;
  QAction* exitAction = nullptr;
  QAction* cutAction = nullptr;
  QAction* copyAction = nullptr;
  QAction* pasteAction = nullptr;
  QAction* connectAction = nullptr;
  QAction* disconnectAction = nullptr;
  QAction* settingsAction = nullptr;
  QAction* dataDefinitionAction = nullptr;
  QAction* cascadeAction = nullptr;
  QAction* tileHorizontalAction = nullptr;
  QAction* tileVerticalAction = nullptr;
  QAction* minimizeAllAction = nullptr;
  QAction* arrangeAllAction = nullptr;
  QAction* aboutAction = nullptr;
  QAction* licenseAction = nullptr;

  QToolButton* connectButton = nullptr;
  QToolButton* disconnectButton = nullptr;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Where the other subsystems plug in (MainFormIntegration.cpp).
  void Connect();
  void Disconnect();

  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildFileDialogs();
  QAction* AddItem(QMenu* menu, const QString& caption, const char* name,
                   void (MainWindow::*handler)());
  void UpdateChildWindowItems();
  void ScheduleChildWindowUpdate();
  void FillWindowList();
  void WatchFocusedEditor(QWidget* focused);
  void UpdateEditItems();
  void RefreshLogStatus();
  QString ChooseFile(QFileDialog* dialog);

  mms::AppState& state_;
  QtUiDispatcher* dispatcher_;
  std::function<void()> stopWorkers_;
  mms::Connection* connection_ = nullptr;
  DataWindowReports* reports_ = nullptr;
  mms::PollObserverFanOut* observers_ = nullptr;
  CsvLogging* csvLogging_ = nullptr;
  QTimer* refreshTimer_ = nullptr;
  QElapsedTimer lastRefresh_;
  int refreshIntervalMs_ = kRefreshIntervalMs;
  const mms::TransmissionLog* log_ = nullptr;
  std::string logStatus_;  // what panel 5 shows
  bool shutDown_ = false;
  bool shown_ = false;
  bool childUpdatePending_ = false;
  QString hint_;        // the help text last written to panel 0
  QString lastFolder_;  // where the last file was chosen
  mms::TrafficStatistics traffic_;

  QMdiArea* mdiArea_ = nullptr;
  std::array<QLabel*, kPanelCount> panels_{};
  std::array<QPointer<DataWindow>, mms::kMaxDataWindows> windows_;
  QAction* connectButtonAction_ = nullptr;
  QAction* disconnectButtonAction_ = nullptr;
  QAction* windowListSeparator_ = nullptr;
  QList<QAction*> windowListItems_;
  QList<QMetaObject::Connection> editorWatch_;
};

extern MainWindow* gMainWindow;
