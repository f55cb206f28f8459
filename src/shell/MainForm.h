#pragma once
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

#include "shell/AppState.h"
#include "shell/TrafficStatistics.h"

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
class Ti;

// The frame of the program: menus, tool bar, status bar, the 200 ms timer,
// and the data windows in its client area with the table the polling thread
// finds them by. Everything here runs on the user-interface thread.
namespace mms {
class Connection;
}

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kPanelCount = 6;
  static constexpr int kPanelWidth = 150;

  // `state` outlives the window. ShutDown() shuts `dispatcher` down (may be null).
  explicit TMainForm(mms::AppState& state, QtUiDispatcher* dispatcher = nullptr,
                     QWidget* parent = nullptr);
  ~TMainForm() override;

  mms::AppState& State() { return state_; }

  // A data window with its default poll definition and `caption`, shown at
  // once as a child window and deleted when closed. Does not touch the table.
  Ti* CreateDataWindow(const QString& caption);
  // CreateDataWindow, then the window takes slot WindowCount and the count
  // grows. With no slot left it throws mms::Error and creates nothing.
  Ti* AddDataWindow(const QString& caption);

  // The open data window of `slot`, or null (empty slot, closed window).
  Ti* DataWindow(int slot) const;
  // The current child window when it is a data window, else null.
  Ti* ActiveDataWindow() const;
  // Child windows open now (those being closed no longer count).
  int OpenChildWindowCount() const;
  QMdiArea* MdiArea() const { return mdiArea_; }

  // Status bar panels 0..5. Panel 5 stays empty: writes to it are ignored.
  void SetPanelText(int panel, const QString& text);
  QString PanelText(int panel) const;
  QLabel* Panel(int panel) const;

  // Connected: Connect items off, Disconnect items on; and back.
  void SetConnectedControls(bool connected);

  // The one way out (Exit, the close box, the end of the event loop): refuses
  // further user-interface tasks so no worker stays blocked on this thread,
  // then stops the worker threads through the hook. Runs once.
  void ShutDown();
  void SetWorkerShutdown(std::function<void()> stopWorkers);
  // Connect and Disconnect act through it; set once at start-up.
  void SetConnection(mms::Connection* connection) { connection_ = connection; }
  bool IsShutDown() const { return shutDown_; }

  // Menu and tool bar commands.
  void FileNew1Execute();
  void FileOpen1Execute();
  void FileClose1Execute();
  void FileSaveItemClick();
  void Savewindowas1Click();
  void Zapiszscene1Click();
  void Wczytajscene1Click();
  void FileExit1Execute();
  void EditCut1Execute();
  void EditCopy1Execute();
  void EditPaste1Execute();
  void Connect1Click();
  void Disconnect1Click();
  void Settings1Click();
  void Datadefinition1Click();
  void WindowCascade1Execute();
  void WindowTileHorizontal1Execute();
  void WindowTileVertical1Execute();
  void WindowMinimizeAll1Execute();
  void WindowArrangeAll1Execute();
  void HelpAbout1Execute();
  void License1Click();
  void Timer1Timer();
  // First showing: the splash, then "Not connected".
  void FormShow();

  // Components.
  QMenuBar* MainMenu1 = nullptr;
  QToolBar* ToolBar2 = nullptr;
  QStatusBar* StatusBar = nullptr;
  QTimer* Timer1 = nullptr;
  QFileDialog* OpenDialog = nullptr;
  QFileDialog* SaveDialog = nullptr;
  QFileDialog* SaveSceneDialog = nullptr;
  QFileDialog* OpenSceneDialog = nullptr;

  QMenu* File1 = nullptr;
  QMenu* Edit1 = nullptr;
  QMenu* Connection1 = nullptr;
  QMenu* Setup1 = nullptr;
  QMenu* Window1 = nullptr;
  QMenu* Help1 = nullptr;

  QAction* FileNew1 = nullptr;
  QAction* FileOpen1 = nullptr;
  QAction* FileClose1 = nullptr;
  QAction* FileSaveItem = nullptr;
  QAction* Savewindowas1 = nullptr;
  QAction* Zapiszscene1 = nullptr;
  QAction* Wczytajscene1 = nullptr;
  QAction* ExporttoCSV1 = nullptr;
  QAction* ImportfromCSV1 = nullptr;
  QAction* FileExit1 = nullptr;
  QAction* EditCut1 = nullptr;
  QAction* EditCopy1 = nullptr;
  QAction* EditPaste1 = nullptr;
  QAction* Connec1 = nullptr;
  QAction* Disconnect1 = nullptr;
  QAction* Settings1 = nullptr;
  QAction* Datadefinition1 = nullptr;
  QAction* WindowCascade1 = nullptr;
  QAction* WindowTileHorizontal1 = nullptr;
  QAction* WindowTileVertical1 = nullptr;
  QAction* WindowMinimizeAll1 = nullptr;
  QAction* WindowArrangeAll1 = nullptr;
  QAction* HelpAbout1 = nullptr;
  QAction* License1 = nullptr;

  QToolButton* tbConnect = nullptr;
  QToolButton* tbDisconnect = nullptr;

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
                   void (TMainForm::*handler)());
  void UpdateChildWindowItems();
  void ScheduleChildWindowUpdate();
  void FillWindowList();
  void WatchFocusedEditor(QWidget* focused);
  void UpdateEditItems();
  QString ChooseFile(QFileDialog* dialog);

  mms::AppState& state_;
  QtUiDispatcher* dispatcher_;
  std::function<void()> stopWorkers_;
  mms::Connection* connection_ = nullptr;
  bool shutDown_ = false;
  bool shown_ = false;
  bool childUpdatePending_ = false;
  QString hint_;  // the help text last written to panel 0
  mms::TrafficStatistics traffic_;

  QMdiArea* mdiArea_ = nullptr;
  std::array<QLabel*, kPanelCount> panels_{};
  std::array<QPointer<Ti>, mms::kMaxDataWindows> windows_;
  QAction* tbConnectAction_ = nullptr;
  QAction* tbDisconnectAction_ = nullptr;
  QAction* windowListSeparator_ = nullptr;
  QList<QAction*> windowListItems_;
  QList<QMetaObject::Connection> editorWatch_;
};

extern TMainForm* MainForm;
