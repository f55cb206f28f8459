#include "shell/MainWindow.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"
#include "datawindow/DataWindow.h"
#include "common/Errors.h"
#include "shell/MainWindowIcons.h"
#include "shell/MdiArrange.h"
#include "shell/WindowCommands.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

MainWindow* gMainWindow = nullptr;

namespace {

constexpr int kClientWidth = 706;
constexpr int kClientHeight = 544;
constexpr int kTimerIntervalMs = 200;

const char* const kTableFullMessage =
    "No data window slot is left: at most 65 data windows can be opened in one run";

// The text field an Edit command applies to, for the widgets that carry one.
QLineEdit* LineEditOf(QWidget* widget) {
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit;
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->lineEdit();
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) return spin->findChild<QLineEdit*>();
  return nullptr;
}

bool ClipboardHasText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText() && !data->text().isEmpty();
}

struct EditAbility {
  bool cut = false;
  bool copy = false;
  bool paste = false;
};

template <typename TextBox>
EditAbility TextBoxAbility(TextBox* box) {
  const bool selected = box->textCursor().hasSelection();
  return {selected && !box->isReadOnly(), selected, !box->isReadOnly() && box->canPaste()};
}

EditAbility EditAbilityOf(QWidget* focused) {
  if (QLineEdit* edit = LineEditOf(focused)) {
    // Hidden text (passwords) is never copied out.
    const bool copyable = edit->hasSelectedText() && edit->echoMode() == QLineEdit::Normal;
    return {copyable && !edit->isReadOnly(), copyable, !edit->isReadOnly() && ClipboardHasText()};
  }
  if (auto* text = qobject_cast<QTextEdit*>(focused)) return TextBoxAbility(text);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) return TextBoxAbility(plain);
  return {};
}

template <typename Operation>
void ApplyEdit(QWidget* focused, Operation operation) {
  if (QLineEdit* edit = LineEditOf(focused)) {
    operation(edit);
  } else if (auto* text = qobject_cast<QTextEdit*>(focused)) {
    operation(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
    operation(plain);
  }
}

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
  setObjectName(QStringLiteral("gMainWindow"));
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

  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &MainWindow::UpdateChildWindowItems);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { WatchFocusedEditor(now); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &MainWindow::UpdateEditItems);
  UpdateChildWindowItems();
  UpdateEditItems();

  resize(kClientWidth, kClientHeight + mainMenu->sizeHint().height());
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
  exportCsvAction = AddItem(fileMenu, QStringLiteral("Export to CSV"), "exportCsvAction", nullptr);
  exportCsvAction->setEnabled(false);
  importCsvAction = AddItem(fileMenu, QStringLiteral("Import from CSV"), "importCsvAction", nullptr);
  importCsvAction->setEnabled(false);
  fileMenu->addSeparator();
  exitAction = AddItem(fileMenu, QStringLiteral("E&xit"), "exitAction", &MainWindow::Exit);

  editMenu = mainMenu->addMenu(QStringLiteral("&Edit"));
  editMenu->setObjectName(QStringLiteral("editMenu"));
  cutAction = AddItem(editMenu, QStringLiteral("Cu&t"), "cutAction", &MainWindow::Cut);
  cutAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
  copyAction = AddItem(editMenu, QStringLiteral("&Copy"), "copyAction", &MainWindow::Copy);
  copyAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
  pasteAction =
      AddItem(editMenu, QStringLiteral("&Paste"), "pasteAction", &MainWindow::Paste);
  pasteAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
  connect(editMenu, &QMenu::aboutToShow, this, &MainWindow::UpdateEditItems);

  connectionMenu = mainMenu->addMenu(QStringLiteral("Connection"));
  connectionMenu->setObjectName(QStringLiteral("connectionMenu"));
  connectAction = AddItem(connectionMenu, QStringLiteral("Connect"), "connectAction", &MainWindow::ConnectCommand);
  disconnectAction = AddItem(connectionMenu, QStringLiteral("Disconnect"), "disconnectAction",
                        &MainWindow::DisconnectCommand);
  disconnectAction->setEnabled(false);
  connectionMenu->addSeparator();
  settingsAction =
      AddItem(connectionMenu, QStringLiteral("Settings"), "settingsAction", &MainWindow::ShowConnectionSettings);

  setupMenu = mainMenu->addMenu(QStringLiteral("Setup"));
  setupMenu->setObjectName(QStringLiteral("setupMenu"));
  dataDefinitionAction = AddItem(setupMenu, QStringLiteral("Data definition"), "dataDefinitionAction",
                            &MainWindow::ShowDataDefinition);

  windowMenu = mainMenu->addMenu(QStringLiteral("&Window"));
  windowMenu->setObjectName(QStringLiteral("windowMenu"));
  cascadeAction = AddItem(windowMenu, QStringLiteral("&Cascade"), "cascadeAction",
                           &MainWindow::Cascade);
  tileHorizontalAction =
      AddItem(windowMenu, QStringLiteral("Tile &Horizontally"), "tileHorizontalAction",
              &MainWindow::TileHorizontally);
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
  licenseAction = AddItem(helpMenu, QStringLiteral("License"), "licenseAction", &MainWindow::ShowLicense);
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
  connectButton =
      addButton(connectButtonAction_, ToolPicture::Connect, "connectButton", QStringLiteral("Connect"));

  disconnectButtonAction_ = new QAction(QStringLiteral("Disconnect"), this);
  disconnectButtonAction_->setToolTip(QStringLiteral("Disconnect"));
  disconnectButtonAction_->setStatusTip(QStringLiteral("Disconnect"));
  disconnectButtonAction_->setEnabled(disconnectAction->isEnabled());
  connect(disconnectButtonAction_, &QAction::triggered, this, &MainWindow::DisconnectCommand);
  connect(disconnectAction, &QAction::enabledChanged, disconnectButtonAction_, &QAction::setEnabled);
  disconnectButton = addButton(disconnectButtonAction_, ToolPicture::Disconnect, "disconnectButton",
                           QStringLiteral("Disconnect"));

  settingsAction->setIcon(ToolIcon(ToolPicture::Settings));
  toolBar->addAction(settingsAction);
  auto* settingsButton = toolBar->widgetForAction(settingsAction);
  settingsButton->setObjectName(QStringLiteral("settingsButton"));
  settingsButton->setAccessibleName(QStringLiteral("Settings"));
  toolBar->addSeparator();
}

void MainWindow::BuildStatusBar() {
  statusBarWidget = new QStatusBar(this);
  statusBarWidget->setObjectName(QStringLiteral("statusBarWidget"));
  setStatusBar(statusBarWidget);
  // What each panel is, for screen readers; the panel's text itself is its name.
  static const char* const kDescriptions[kPanelCount] = {"Connection state",   "Bytes sent",
                                                         "Bytes received",     "Requests sent",
                                                         "Responses received", "Unused"};
  for (int i = 0; i < kPanelCount; ++i) {
    auto* panel = new QLabel(statusBarWidget);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panel->setFixedWidth(kPanelWidth);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    panel->setAccessibleDescription(QString::fromLatin1(kDescriptions[i]));
    statusBarWidget->addWidget(panel);
    panels_[i] = panel;
  }
}

void MainWindow::BuildFileDialogs() {
  const QString windowFiles = QStringLiteral("Kvadro file (*.kvw)");
  const QString sceneFiles = QStringLiteral("Kvadro Scene (*.kvs)");
  openDialog = MakeFileDialog(this, "openDialog", windowFiles, QString());
  saveDialog = MakeFileDialog(this, "saveDialog", windowFiles, QStringLiteral("kvw"));
  saveSetDialog = MakeFileDialog(this, "saveSetDialog", sceneFiles, QStringLiteral("kvs"));
  loadSetDialog = MakeFileDialog(this, "loadSetDialog", sceneFiles, QString());
}

// ---- Data windows and their table ----------------------------------------------------

DataWindow* MainWindow::CreateDataWindow(const QString& caption) {
  auto* window = new DataWindow(&state_.DataWindows);
  window->setWindowTitle(caption);
  QMdiSubWindow* sub = mdiArea_->addSubWindow(window);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->installEventFilter(this);
  connect(sub, &QObject::destroyed, this, &MainWindow::ScheduleChildWindowUpdate);
  sub->show();
  UpdateChildWindowItems();
  return window;
}

DataWindow* MainWindow::AddDataWindow(const QString& caption) {
  // Checked before anything is made, so a full table leaves no stray window.
  if (state_.DataWindows.Full()) throw mms::Error(kTableFullMessage);
  DataWindow* window = CreateDataWindow(caption);
  const int slot = state_.DataWindows.Add(window->Record());
  if (slot < 0) {
    window->parentWidget()->close();
    throw mms::Error(kTableFullMessage);
  }
  window->SlotIndex = slot;
  windows_[slot] = window;
  return window;
}

DataWindow* MainWindow::WindowAt(int slot) const {
  if (slot < 0 || slot >= mms::kMaxDataWindows) return nullptr;
  if (!state_.DataWindows.Slot(slot)) return nullptr;  // closed, deletion still pending
  return windows_[slot].data();
}

DataWindow* MainWindow::ActiveDataWindow() const {
  QMdiSubWindow* sub = mdiArea_->currentSubWindow();
  if (!sub || sub->isHidden()) return nullptr;
  return qobject_cast<DataWindow*>(sub->widget());
}

int MainWindow::OpenChildWindowCount() const {
  int open = 0;
  for (QMdiSubWindow* sub : mdiArea_->subWindowList())
    if (!sub->isHidden()) ++open;
  return open;
}

void MainWindow::UpdateChildWindowItems() {
  const bool any = OpenChildWindowCount() > 0;
  QMdiSubWindow* current = mdiArea_->currentSubWindow();
  closeAction->setEnabled(current && !current->isHidden());
  for (QAction* item : {cascadeAction, tileHorizontalAction, tileVerticalAction,
                        minimizeAllAction, arrangeAllAction})
    item->setEnabled(any);
}

// Children report closing and hiding before the area has forgotten them, so
// the menus are brought up to date once the event has run its course.
void MainWindow::ScheduleChildWindowUpdate() {
  if (childUpdatePending_) return;
  childUpdatePending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        childUpdatePending_ = false;
        UpdateChildWindowItems();
      },
      Qt::QueuedConnection);
}

void MainWindow::FillWindowList() {
  UpdateChildWindowItems();
  qDeleteAll(windowListItems_);
  windowListItems_.clear();
  QMdiSubWindow* current = mdiArea_->currentSubWindow();
  for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
    if (sub->isHidden()) continue;
    QString caption = sub->windowTitle();
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));  // a path may hold '&'
    auto* item = new QAction(caption, windowMenu);
    item->setCheckable(true);
    item->setChecked(sub == current);
    QPointer<QMdiSubWindow> target(sub);
    connect(item, &QAction::triggered, this, [this, target] {
      if (target) mdiArea_->setActiveSubWindow(target);
    });
    windowMenu->addAction(item);
    windowListItems_.append(item);
  }
  windowListSeparator_->setVisible(!windowListItems_.isEmpty());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (qobject_cast<QMdiSubWindow*>(watched)) {
    switch (event->type()) {
      case QEvent::Close:
      case QEvent::Hide:
      case QEvent::Show:
      case QEvent::WindowStateChange:
        ScheduleChildWindowUpdate();
        break;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Status bar ----------------------------------------------------------------------

void MainWindow::SetPanelText(int panel, const QString& text) {
  if (panel < 0 || panel >= kPanelCount - 1) return;  // panel 5 stays empty
  panels_[panel]->setText(text);
}

QString MainWindow::PanelText(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return QString();
  return panels_[panel]->text();
}

QLabel* MainWindow::Panel(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return nullptr;
  return panels_[panel];
}

// Panel 0 is the hint line: it follows the help text under the pointer or of
// the highlighted menu item, but only when that text changes, so items
// without help leave a connection text in place.
bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (tip != hint_) {
      hint_ = tip;
      SetPanelText(0, tip);
    }
    return true;
  }
  return QMainWindow::event(event);
}

void MainWindow::RefreshStatistics() {
  // The texts are built with a stand-in separator that is then replaced by
  // the locale's, which need not be a single byte.
  constexpr char kSeparator = '\x01';
  const mms::TrafficStatistics::Panels texts = traffic_.Tick(state_.Traffic, kSeparator);
  const QString separator = QLocale().decimalPoint();
  const std::string* panelTexts[] = {&texts.tx, &texts.rx, &texts.requests, &texts.responses};
  for (int i = 0; i < 4; ++i)
    SetPanelText(
        i + 1, QString::fromStdString(*panelTexts[i]).replace(QLatin1Char(kSeparator), separator));
}

void MainWindow::SetConnectedControls(bool connected) {
  connectAction->setEnabled(!connected);
  disconnectAction->setEnabled(connected);
}

// ---- Edit items ----------------------------------------------------------------------

void MainWindow::WatchFocusedEditor(QWidget* focused) {
  for (const auto& connection : editorWatch_) disconnect(connection);
  editorWatch_.clear();
  if (QLineEdit* edit = LineEditOf(focused)) {
    editorWatch_ << connect(edit, &QLineEdit::selectionChanged, this, &MainWindow::UpdateEditItems)
                 << connect(edit, &QLineEdit::textChanged, this, &MainWindow::UpdateEditItems);
  } else if (auto* text = qobject_cast<QTextEdit*>(focused)) {
    editorWatch_ << connect(text, &QTextEdit::selectionChanged, this, &MainWindow::UpdateEditItems)
                 << connect(text, &QTextEdit::textChanged, this, &MainWindow::UpdateEditItems);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
    editorWatch_ << connect(plain, &QPlainTextEdit::selectionChanged, this,
                            &MainWindow::UpdateEditItems)
                 << connect(plain, &QPlainTextEdit::textChanged, this, &MainWindow::UpdateEditItems);
  }
  UpdateEditItems();
}

void MainWindow::UpdateEditItems() {
  const EditAbility ability = EditAbilityOf(QApplication::focusWidget());
  cutAction->setEnabled(ability.cut);
  copyAction->setEnabled(ability.copy);
  pasteAction->setEnabled(ability.paste);
}

void MainWindow::Cut() {
  if (EditAbilityOf(QApplication::focusWidget()).cut)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->cut(); });
  UpdateEditItems();
}

void MainWindow::Copy() {
  if (EditAbilityOf(QApplication::focusWidget()).copy)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->copy(); });
  UpdateEditItems();
}

void MainWindow::Paste() {
  if (EditAbilityOf(QApplication::focusWidget()).paste)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->paste(); });
  UpdateEditItems();
}

// ---- Commands ------------------------------------------------------------------------

QString MainWindow::ChooseFile(QFileDialog* dialog) {
  if (dialog->exec() != QDialog::Accepted) return QString();
  return dialog->selectedFiles().value(0);
}

void MainWindow::NewWindow() {
  RunCommand(this,
             [this] { AddDataWindow(QStringLiteral("NONAME%1").arg(OpenChildWindowCount() + 1)); });
}

void MainWindow::OpenWindow() {
  RunCommand(this, [this] {
    if (state_.DataWindows.Full()) throw mms::Error(kTableFullMessage);
    const QString path = ChooseFile(openDialog);
    if (path.isEmpty()) return;
    mms::OpenWindowFile(*this, path);
  });
}

void MainWindow::CloseWindow() { mdiArea_->closeActiveSubWindow(); }

void MainWindow::SaveWindow() {
  RunCommand(this, [this] {
    QPointer<DataWindow> window = ActiveDataWindow();
    if (!window) return;
    QString path = window->FileName;
    if (path.isEmpty()) path = ChooseFile(saveDialog);
    if (path.isEmpty() || !window) return;
    mms::SaveWindowFileOf(*window, path);
  });
}

void MainWindow::SaveWindowAs() {
  RunCommand(this, [this] {
    QPointer<DataWindow> window = ActiveDataWindow();
    if (!window) return;
    const QString path = ChooseFile(saveDialog);
    if (path.isEmpty() || !window) return;
    mms::SaveWindowFileOf(*window, path);
  });
}

void MainWindow::SaveWindowsSet() {
  RunCommand(this, [this] {
    const QString path = ChooseFile(saveSetDialog);
    if (!path.isEmpty()) mms::SaveWindowsSetOf(*this, path);
  });
}

void MainWindow::LoadWindowsSet() {
  RunCommand(this, [this] {
    const QString path = ChooseFile(loadSetDialog);
    if (!path.isEmpty()) mms::LoadWindowsSetInto(*this, path);
  });
}

void MainWindow::Exit() { close(); }

void MainWindow::ConnectCommand() {
  RunCommand(this, [this] { Connect(); });
}

void MainWindow::DisconnectCommand() {
  RunCommand(this, [this] { Disconnect(); });
}

void MainWindow::ShowConnectionSettings() {
  if (gConnectionSettingsDialog) gConnectionSettingsDialog->exec();
}

void MainWindow::ShowDataDefinition() {
  if (gDataDefinitionDialog) gDataDefinitionDialog->exec();
}

void MainWindow::Cascade() { mdiArea_->cascadeSubWindows(); }

void MainWindow::TileHorizontally() { TileSubWindows(mdiArea_, false); }

void MainWindow::TileVertically() { TileSubWindows(mdiArea_, true); }

void MainWindow::MinimizeAll() { MinimizeAllSubWindows(mdiArea_); }

void MainWindow::ArrangeAll() { ArrangeIcons(mdiArea_); }

void MainWindow::ShowAbout() {
  if (!gSplashScreen) return;
  // Without its timer the splash stays until it is clicked.
  gSplashScreen->StopTimer();
  gSplashScreen->exec();
}

void MainWindow::ShowLicense() {
  if (gLicenseDialog) gLicenseDialog->exec();
}

// ---- Showing and closing -------------------------------------------------------------

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the show has completed, so the splash can centre on the visible window.
  QMetaObject::invokeMethod(this, &MainWindow::FormShow, Qt::QueuedConnection);
}

void MainWindow::FormShow() {
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
