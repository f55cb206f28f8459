#include "shell/MainWindow.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "auxiliary/AuxiliaryResources.h"
#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"
#include "common/Errors.h"
#include "datawindow/DataWindow.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "shell/MainWindowIcons.h"
#include "shell/MdiArrange.h"
#include "shell/WindowCommands.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

MainWindow* gMainWindow = nullptr;

namespace {

constexpr int kClientWidth = 706;
constexpr int kClientHeight = 544;
constexpr int kTimerIntervalMs = 200;

QFileDialog* MakeFileDialog(QWidget* parent, const char* name, const QString& filter,
                            const QString& defaultSuffix) {
  auto* dialog = new QFileDialog(parent);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setNameFilter(filter);
  // Qt's own dialog: screen readers reach it, and a typed name with Enter chooses the file.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  if (defaultSuffix.isEmpty()) {
    // Open dialogs also take the name of a file that does not exist.
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
  } else {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(defaultSuffix);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
  }
  return dialog;
}

}  // namespace

MainWindow::MainWindow(mms::AppState& state, QtUiDispatcher* dispatcher, QWidget* parent)
    : QMainWindow(parent), state_(state), dispatcher_(dispatcher), traffic_(kTimerIntervalMs) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("Zenvik! Modbus Master Simulator"));

  mdiArea_ = new QMdiArea(this);  // its default background is the workspace colour
  mdiArea_->setObjectName(QStringLiteral("ClientArea"));
  mdiArea_->setAccessibleName(QStringLiteral("Data windows"));
  setCentralWidget(mdiArea_);

  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BuildFileDialogs();

  statisticsTimer = new QTimer(this);
  statisticsTimer->setObjectName(QStringLiteral("statisticsTimer"));
  statisticsTimer->setInterval(kTimerIntervalMs);
  connect(statisticsTimer, &QTimer::timeout, this, &MainWindow::RefreshStatistics);
  statisticsTimer->start();

  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  connect(refreshTimer_, &QTimer::timeout, this, &MainWindow::RefreshResults);

  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &MainWindow::UpdateChildWindowItems);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { WatchFocusedEditor(now); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &MainWindow::UpdateEditItems);
  UpdateChildWindowItems();
  UpdateEditItems();

  // Wide enough for every status panel, within the screen.
  QSize size(std::max(kClientWidth, StatusPanelsWidth()),
             kClientHeight + mainMenu->sizeHint().height());
  const QRect available = screen() ? screen()->availableGeometry() : QRect();
  if (available.isValid()) size = size.boundedTo(available.size() * 19 / 20);
  resize(size);
  // Placed before it is shown, so the splash knows where to centre from the start.
  if (available.isValid()) move(available.center() - QPoint(size.width() / 2, size.height() / 2));
  SetMainWindow(this);
}

MainWindow::~MainWindow() {
  // Signals from outside and from dying children must not reach a half-destroyed window.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
  for (const auto& connection : editorWatch_) disconnect(connection);
  // All children, also closed ones whose deletion is still pending: the area
  // no longer lists those.
  for (QMdiSubWindow* sub : mdiArea_->findChildren<QMdiSubWindow*>()) {
    sub->removeEventFilter(this);
    disconnect(sub, nullptr, this, nullptr);
  }
  disconnect(mdiArea_, nullptr, this, nullptr);
  if (gMainWindow == this) gMainWindow = nullptr;
}

// ---- Construction --------------------------------------------------------------------

QAction* MainWindow::AddItem(QMenu* menu, const QString& caption, const char* name,
                             void (MainWindow::*handler)()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (handler) connect(action, &QAction::triggered, this, handler);
  return action;
}

void MainWindow::BuildMenus() {
  mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("mainMenu"));

  fileMenu = mainMenu->addMenu(QStringLiteral("&File"));
  fileMenu->setObjectName(QStringLiteral("fileMenu"));
  newAction = AddItem(fileMenu, QStringLiteral("&New"), "newAction", &MainWindow::NewWindow);
  newAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
  openAction = AddItem(fileMenu, QStringLiteral("&Open"), "openAction", &MainWindow::OpenWindow);
  openAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
  closeAction =
      AddItem(fileMenu, QStringLiteral("&Close"), "closeAction", &MainWindow::CloseWindow);
  fileMenu->addSeparator();
  saveAction =
      AddItem(fileMenu, QStringLiteral("Save window"), "saveAction", &MainWindow::SaveWindow);
  saveAsAction = AddItem(fileMenu, QStringLiteral("Save window as..."), "saveAsAction",
                         &MainWindow::SaveWindowAs);
  fileMenu->addSeparator();
  saveSetAction = AddItem(fileMenu, QStringLiteral("Save Windows Set"), "saveSetAction",
                          &MainWindow::SaveWindowsSet);
  loadSetAction = AddItem(fileMenu, QStringLiteral("Load Windows Set"), "loadSetAction",
                          &MainWindow::LoadWindowsSet);
  fileMenu->addSeparator();
  exportCsvAction =
      AddItem(fileMenu, QStringLiteral("Export to CSV"), "exportCsvAction", &MainWindow::ExportCsv);
  exportCsvAction->setEnabled(false);
  importCsvAction = AddItem(fileMenu, QStringLiteral("Import from CSV"), "importCsvAction",
                            &MainWindow::ImportCsv);
  importCsvAction->setEnabled(false);
  logCsvAction =
      AddItem(fileMenu, QStringLiteral("Log to CSV..."), "logCsvAction", &MainWindow::LogCsv);
  fileMenu->addSeparator();
  exitAction = AddItem(fileMenu, QStringLiteral("E&xit"), "exitAction", &MainWindow::Exit);

  editMenu = mainMenu->addMenu(QStringLiteral("&Edit"));
  editMenu->setObjectName(QStringLiteral("editMenu"));
  cutAction = AddItem(editMenu, QStringLiteral("Cu&t"), "cutAction", &MainWindow::Cut);
  cutAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
  copyAction = AddItem(editMenu, QStringLiteral("&Copy"), "copyAction", &MainWindow::Copy);
  copyAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
  pasteAction = AddItem(editMenu, QStringLiteral("&Paste"), "pasteAction", &MainWindow::Paste);
  pasteAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
  connect(editMenu, &QMenu::aboutToShow, this, &MainWindow::UpdateEditItems);

  connectionMenu = mainMenu->addMenu(QStringLiteral("Connection"));
  connectionMenu->setObjectName(QStringLiteral("connectionMenu"));
  connectAction = AddItem(connectionMenu, QStringLiteral("Connect"), "connectAction",
                          &MainWindow::ConnectCommand);
  disconnectAction = AddItem(connectionMenu, QStringLiteral("Disconnect"), "disconnectAction",
                             &MainWindow::DisconnectCommand);
  disconnectAction->setEnabled(false);
  connectionMenu->addSeparator();
  settingsAction = AddItem(connectionMenu, QStringLiteral("Settings"), "settingsAction",
                           &MainWindow::ShowConnectionSettings);

  setupMenu = mainMenu->addMenu(QStringLiteral("Setup"));
  setupMenu->setObjectName(QStringLiteral("setupMenu"));
  dataDefinitionAction = AddItem(setupMenu, QStringLiteral("Data definition"),
                                 "dataDefinitionAction", &MainWindow::ShowDataDefinition);

  windowMenu = mainMenu->addMenu(QStringLiteral("&Window"));
  windowMenu->setObjectName(QStringLiteral("windowMenu"));
  cascadeAction =
      AddItem(windowMenu, QStringLiteral("&Cascade"), "cascadeAction", &MainWindow::Cascade);
  tileHorizontalAction = AddItem(windowMenu, QStringLiteral("Tile &Horizontally"),
                                 "tileHorizontalAction", &MainWindow::TileHorizontally);
  tileVerticalAction = AddItem(windowMenu, QStringLiteral("Tile &Vertically"), "tileVerticalAction",
                               &MainWindow::TileVertically);
  minimizeAllAction = AddItem(windowMenu, QStringLiteral("&Minimize All"), "minimizeAllAction",
                              &MainWindow::MinimizeAll);
  arrangeAllAction = AddItem(windowMenu, QStringLiteral("&Arrange All"), "arrangeAllAction",
                             &MainWindow::ArrangeAll);
  windowListSeparator_ = windowMenu->addSeparator();
  windowListSeparator_->setVisible(false);  // shown above the list once it has entries
  connect(windowMenu, &QMenu::aboutToShow, this, &MainWindow::FillWindowList);

  helpMenu = mainMenu->addMenu(QStringLiteral("&Help"));
  helpMenu->setObjectName(QStringLiteral("helpMenu"));
  aboutAction =
      AddItem(helpMenu, QStringLiteral("&About..."), "aboutAction", &MainWindow::ShowAbout);
  aboutAction->setStatusTip(
      QStringLiteral("Displays program information, version number, and copyright"));
  licenseAction =
      AddItem(helpMenu, QStringLiteral("License"), "licenseAction", &MainWindow::ShowLicense);
}

void MainWindow::BuildToolBar() {
  toolBar = new QToolBar(this);
  toolBar->setObjectName(QStringLiteral("toolBar"));
  toolBar->setWindowTitle(QStringLiteral("Tool bar"));
  toolBar->setMovable(false);
  toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  addToolBar(toolBar);

  // Picture-only buttons tell screen readers the command they stand for.
  auto addButton = [this](QAction* action, ToolPicture picture, const char* name,
                          const QString& command) {
    action->setIcon(ToolIcon(picture));
    toolBar->addAction(action);
    auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(action));
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(command);
    return button;
  };
  addButton(newAction, ToolPicture::New, "tbNew", QStringLiteral("New"));
  addButton(openAction, ToolPicture::Open, "tbOpen", QStringLiteral("Open"));
  toolBar->addSeparator();
  addButton(cutAction, ToolPicture::Cut, "tbCut", QStringLiteral("Cut"));
  addButton(copyAction, ToolPicture::Copy, "tbCopy", QStringLiteral("Copy"));
  addButton(pasteAction, ToolPicture::Paste, "tbPaste", QStringLiteral("Paste"));
  toolBar->addSeparator();
  addButton(cascadeAction, ToolPicture::Cascade, "tbCascade", QStringLiteral("Cascade"));
  addButton(tileHorizontalAction, ToolPicture::TileHorizontally, "tbTileHorizontally",
            QStringLiteral("Tile Horizontally"));
  addButton(tileVerticalAction, ToolPicture::TileVertically, "tbTileVertically",
            QStringLiteral("Tile Vertically"));
  toolBar->addSeparator();

  // Connect and Disconnect have buttons of their own: only the buttons carry
  // the hint text, the menu items have none.
  connectButtonAction_ = new QAction(QStringLiteral("Connect"), this);
  connectButtonAction_->setToolTip(QStringLiteral("Connect"));
  connectButtonAction_->setStatusTip(QStringLiteral("Connect"));
  connect(connectButtonAction_, &QAction::triggered, this, &MainWindow::ConnectCommand);
  connect(connectAction, &QAction::enabledChanged, connectButtonAction_, &QAction::setEnabled);
  connectButton = addButton(connectButtonAction_, ToolPicture::Connect, "connectButton",
                            QStringLiteral("Connect"));

  disconnectButtonAction_ = new QAction(QStringLiteral("Disconnect"), this);
  disconnectButtonAction_->setToolTip(QStringLiteral("Disconnect"));
  disconnectButtonAction_->setStatusTip(QStringLiteral("Disconnect"));
  disconnectButtonAction_->setEnabled(disconnectAction->isEnabled());
  connect(disconnectButtonAction_, &QAction::triggered, this, &MainWindow::DisconnectCommand);
  connect(disconnectAction, &QAction::enabledChanged, disconnectButtonAction_,
          &QAction::setEnabled);
  disconnectButton = addButton(disconnectButtonAction_, ToolPicture::Disconnect, "disconnectButton",
                               QStringLiteral("Disconnect"));

  settingsAction->setIcon(ToolIcon(ToolPicture::Settings));
  toolBar->addAction(settingsAction);
  auto* settingsButton = toolBar->widgetForAction(settingsAction);
  settingsButton->setObjectName(QStringLiteral("settingsButton"));
  settingsButton->setAccessibleName(QStringLiteral("Settings"));
  toolBar->addSeparator();

  aboutAction->setIcon(ProgramIcon());
  toolBar->addAction(aboutAction);
  auto* aboutButton = toolBar->widgetForAction(aboutAction);
  aboutButton->setObjectName(QStringLiteral("aboutButton"));
  aboutButton->setAccessibleName(QStringLiteral("About"));
}

void MainWindow::BuildFileDialogs() {
  const QString windowFiles = QStringLiteral("Kvadro file (*.kvw)");
  const QString sceneFiles = QStringLiteral("Kvadro Scene (*.kvs)");
  openDialog = MakeFileDialog(this, "openDialog", windowFiles, QString());
  saveDialog = MakeFileDialog(this, "saveDialog", windowFiles, QStringLiteral("kvw"));
  saveSetDialog = MakeFileDialog(this, "saveSetDialog", sceneFiles, QStringLiteral("kvs"));
  loadSetDialog = MakeFileDialog(this, "loadSetDialog", sceneFiles, QString());
  const QString csvFiles = QStringLiteral("CSV files (*.csv)");
  exportCsvDialog = MakeFileDialog(this, "exportCsvDialog", csvFiles, QStringLiteral("csv"));
  importCsvDialog = MakeFileDialog(this, "importCsvDialog", csvFiles, QString());
}

// ---- Showing and closing -------------------------------------------------------------

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the show has completed, so the splash can centre on the visible window.
  QMetaObject::invokeMethod(this, &MainWindow::FirstShown, Qt::QueuedConnection);
}

void MainWindow::FirstShown() {
  if (gSplashScreen && !shutDown_) gSplashScreen->exec();
  SetPanelText(0, QStringLiteral("Not connected"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  ShutDown();
  QMainWindow::closeEvent(event);
}

void MainWindow::SetWorkerShutdown(std::function<void()> stopWorkers) {
  stopWorkers_ = std::move(stopWorkers);
}

void MainWindow::ShutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  statisticsTimer->stop();
  // First release any worker waiting for this thread, then stop the workers:
  // the other way round, a worker inside a window callback would wait forever.
  if (dispatcher_) dispatcher_->Shutdown();
  if (stopWorkers_) stopWorkers_();
}
