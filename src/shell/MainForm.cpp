#include "shell/MainForm.h"

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

#include "auxiliary/Licenseform.h"
#include "auxiliary/Splashscreen.h"
#include "datawindow/Ti.h"
#include "shell/Errors.h"
#include "shell/MainFormIcons.h"
#include "shell/MdiArrange.h"
#include "shell/WindowCommands.h"
#include "shell/Settings.h"
#include "shell/Setup.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

TMainForm* MainForm = nullptr;

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

TMainForm::TMainForm(mms::AppState& state, QtUiDispatcher* dispatcher, QWidget* parent)
    : QMainWindow(parent), state_(state), dispatcher_(dispatcher), traffic_(kTimerIntervalMs) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Zenvik! Modbus Master Simulator"));

  mdiArea_ = new QMdiArea(this);  // its default background is the workspace colour
  mdiArea_->setObjectName(QStringLiteral("ClientArea"));
  mdiArea_->setAccessibleName(QStringLiteral("Data windows"));
  setCentralWidget(mdiArea_);

  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BuildFileDialogs();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kTimerIntervalMs);
  connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
  Timer1->start();

  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::UpdateChildWindowItems);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { WatchFocusedEditor(now); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &TMainForm::UpdateEditItems);
  UpdateChildWindowItems();
  UpdateEditItems();

  resize(kClientWidth, kClientHeight + MainMenu1->sizeHint().height());
  SetMainWindow(this);
}

TMainForm::~TMainForm() {
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
  if (MainForm == this) MainForm = nullptr;
}

// ---- Construction --------------------------------------------------------------------

QAction* TMainForm::AddItem(QMenu* menu, const QString& caption, const char* name,
                            void (TMainForm::*handler)()) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (handler) connect(action, &QAction::triggered, this, handler);
  return action;
}

void TMainForm::BuildMenus() {
  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

  File1 = MainMenu1->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("File1"));
  FileNew1 = AddItem(File1, QStringLiteral("&New"), "FileNew1", &TMainForm::FileNew1Execute);
  FileNew1->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
  FileOpen1 = AddItem(File1, QStringLiteral("&Open"), "FileOpen1", &TMainForm::FileOpen1Execute);
  FileOpen1->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
  FileClose1 =
      AddItem(File1, QStringLiteral("&Close"), "FileClose1", &TMainForm::FileClose1Execute);
  File1->addSeparator();
  FileSaveItem =
      AddItem(File1, QStringLiteral("Save window"), "FileSaveItem", &TMainForm::FileSaveItemClick);
  Savewindowas1 = AddItem(File1, QStringLiteral("Save window as..."), "Savewindowas1",
                          &TMainForm::Savewindowas1Click);
  File1->addSeparator();
  Zapiszscene1 = AddItem(File1, QStringLiteral("Save Windows Set"), "Zapiszscene1",
                         &TMainForm::Zapiszscene1Click);
  Wczytajscene1 = AddItem(File1, QStringLiteral("Load Windows Set"), "Wczytajscene1",
                          &TMainForm::Wczytajscene1Click);
  File1->addSeparator();
  ExporttoCSV1 = AddItem(File1, QStringLiteral("Export to CSV"), "ExporttoCSV1", nullptr);
  ExporttoCSV1->setEnabled(false);
  ImportfromCSV1 = AddItem(File1, QStringLiteral("Import from CSV"), "ImportfromCSV1", nullptr);
  ImportfromCSV1->setEnabled(false);
  File1->addSeparator();
  FileExit1 = AddItem(File1, QStringLiteral("E&xit"), "FileExit1", &TMainForm::FileExit1Execute);

  Edit1 = MainMenu1->addMenu(QStringLiteral("&Edit"));
  Edit1->setObjectName(QStringLiteral("Edit1"));
  EditCut1 = AddItem(Edit1, QStringLiteral("Cu&t"), "EditCut1", &TMainForm::EditCut1Execute);
  EditCut1->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
  EditCopy1 = AddItem(Edit1, QStringLiteral("&Copy"), "EditCopy1", &TMainForm::EditCopy1Execute);
  EditCopy1->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
  EditPaste1 =
      AddItem(Edit1, QStringLiteral("&Paste"), "EditPaste1", &TMainForm::EditPaste1Execute);
  EditPaste1->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
  connect(Edit1, &QMenu::aboutToShow, this, &TMainForm::UpdateEditItems);

  Connection1 = MainMenu1->addMenu(QStringLiteral("Connection"));
  Connection1->setObjectName(QStringLiteral("Connection1"));
  Connec1 = AddItem(Connection1, QStringLiteral("Connect"), "Connec1", &TMainForm::Connect1Click);
  Disconnect1 = AddItem(Connection1, QStringLiteral("Disconnect"), "Disconnect1",
                        &TMainForm::Disconnect1Click);
  Disconnect1->setEnabled(false);
  Connection1->addSeparator();
  Settings1 =
      AddItem(Connection1, QStringLiteral("Settings"), "Settings1", &TMainForm::Settings1Click);

  Setup1 = MainMenu1->addMenu(QStringLiteral("Setup"));
  Setup1->setObjectName(QStringLiteral("Setup1"));
  Datadefinition1 = AddItem(Setup1, QStringLiteral("Data definition"), "Datadefinition1",
                            &TMainForm::Datadefinition1Click);

  Window1 = MainMenu1->addMenu(QStringLiteral("&Window"));
  Window1->setObjectName(QStringLiteral("Window1"));
  WindowCascade1 = AddItem(Window1, QStringLiteral("&Cascade"), "WindowCascade1",
                           &TMainForm::WindowCascade1Execute);
  WindowTileHorizontal1 =
      AddItem(Window1, QStringLiteral("Tile &Horizontally"), "WindowTileHorizontal1",
              &TMainForm::WindowTileHorizontal1Execute);
  WindowTileVertical1 = AddItem(Window1, QStringLiteral("Tile &Vertically"), "WindowTileVertical1",
                                &TMainForm::WindowTileVertical1Execute);
  WindowMinimizeAll1 = AddItem(Window1, QStringLiteral("&Minimize All"), "WindowMinimizeAll1",
                               &TMainForm::WindowMinimizeAll1Execute);
  WindowArrangeAll1 = AddItem(Window1, QStringLiteral("&Arrange All"), "WindowArrangeAll1",
                              &TMainForm::WindowArrangeAll1Execute);
  windowListSeparator_ = Window1->addSeparator();
  windowListSeparator_->setVisible(false);  // shown above the list once it has entries
  connect(Window1, &QMenu::aboutToShow, this, &TMainForm::FillWindowList);

  Help1 = MainMenu1->addMenu(QStringLiteral("&Help"));
  Help1->setObjectName(QStringLiteral("Help1"));
  HelpAbout1 =
      AddItem(Help1, QStringLiteral("&About..."), "HelpAbout1", &TMainForm::HelpAbout1Execute);
  HelpAbout1->setStatusTip(
      QStringLiteral("Displays program information, version number, and copyright"));
  License1 = AddItem(Help1, QStringLiteral("License"), "License1", &TMainForm::License1Click);
}

void TMainForm::BuildToolBar() {
  ToolBar2 = new QToolBar(this);
  ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
  ToolBar2->setWindowTitle(QStringLiteral("Tool bar"));
  ToolBar2->setMovable(false);
  ToolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
  addToolBar(ToolBar2);

  // Picture-only buttons tell screen readers the command they stand for.
  auto addButton = [this](QAction* action, ToolPicture picture, const char* name,
                          const QString& command) {
    action->setIcon(ToolIcon(picture));
    ToolBar2->addAction(action);
    auto* button = qobject_cast<QToolButton*>(ToolBar2->widgetForAction(action));
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(command);
    return button;
  };
  addButton(FileNew1, ToolPicture::New, "tbNew", QStringLiteral("New"));
  addButton(FileOpen1, ToolPicture::Open, "tbOpen", QStringLiteral("Open"));
  ToolBar2->addSeparator();
  addButton(EditCut1, ToolPicture::Cut, "tbCut", QStringLiteral("Cut"));
  addButton(EditCopy1, ToolPicture::Copy, "tbCopy", QStringLiteral("Copy"));
  addButton(EditPaste1, ToolPicture::Paste, "tbPaste", QStringLiteral("Paste"));
  ToolBar2->addSeparator();
  addButton(WindowCascade1, ToolPicture::Cascade, "tbCascade", QStringLiteral("Cascade"));
  addButton(WindowTileHorizontal1, ToolPicture::TileHorizontally, "tbTileHorizontally",
            QStringLiteral("Tile Horizontally"));
  addButton(WindowTileVertical1, ToolPicture::TileVertically, "tbTileVertically",
            QStringLiteral("Tile Vertically"));
  ToolBar2->addSeparator();

  // Connect and Disconnect have buttons of their own: only the buttons carry
  // the hint text, the menu items have none.
  tbConnectAction_ = new QAction(QStringLiteral("Connect"), this);
  tbConnectAction_->setToolTip(QStringLiteral("Connect"));
  tbConnectAction_->setStatusTip(QStringLiteral("Connect"));
  connect(tbConnectAction_, &QAction::triggered, this, &TMainForm::Connect1Click);
  connect(Connec1, &QAction::enabledChanged, tbConnectAction_, &QAction::setEnabled);
  tbConnect =
      addButton(tbConnectAction_, ToolPicture::Connect, "tbConnect", QStringLiteral("Connect"));

  tbDisconnectAction_ = new QAction(QStringLiteral("Disconnect"), this);
  tbDisconnectAction_->setToolTip(QStringLiteral("Disconnect"));
  tbDisconnectAction_->setStatusTip(QStringLiteral("Disconnect"));
  tbDisconnectAction_->setEnabled(Disconnect1->isEnabled());
  connect(tbDisconnectAction_, &QAction::triggered, this, &TMainForm::Disconnect1Click);
  connect(Disconnect1, &QAction::enabledChanged, tbDisconnectAction_, &QAction::setEnabled);
  tbDisconnect = addButton(tbDisconnectAction_, ToolPicture::Disconnect, "tbDisconnect",
                           QStringLiteral("Disconnect"));

  Settings1->setIcon(ToolIcon(ToolPicture::Settings));
  ToolBar2->addAction(Settings1);
  auto* settingsButton = ToolBar2->widgetForAction(Settings1);
  settingsButton->setObjectName(QStringLiteral("tbSettings"));
  settingsButton->setAccessibleName(QStringLiteral("Settings"));
  ToolBar2->addSeparator();
}

void TMainForm::BuildStatusBar() {
  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  setStatusBar(StatusBar);
  // What each panel is, for screen readers; the panel's text itself is its name.
  static const char* const kDescriptions[kPanelCount] = {"Connection state",   "Bytes sent",
                                                         "Bytes received",     "Requests sent",
                                                         "Responses received", "Unused"};
  for (int i = 0; i < kPanelCount; ++i) {
    auto* panel = new QLabel(StatusBar);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panel->setFixedWidth(kPanelWidth);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    panel->setAccessibleDescription(QString::fromLatin1(kDescriptions[i]));
    StatusBar->addWidget(panel);
    panels_[i] = panel;
  }
}

void TMainForm::BuildFileDialogs() {
  const QString windowFiles = QStringLiteral("Kvadro file (*.kvw)");
  const QString sceneFiles = QStringLiteral("Kvadro Scene (*.kvs)");
  OpenDialog = MakeFileDialog(this, "OpenDialog", windowFiles, QString());
  SaveDialog = MakeFileDialog(this, "SaveDialog", windowFiles, QStringLiteral("kvw"));
  SaveSceneDialog = MakeFileDialog(this, "SaveSceneDialog", sceneFiles, QStringLiteral("kvs"));
  OpenSceneDialog = MakeFileDialog(this, "OpenSceneDialog", sceneFiles, QString());
}

// ---- Data windows and their table ----------------------------------------------------

Ti* TMainForm::CreateDataWindow(const QString& caption) {
  auto* window = new Ti(&state_.DataWindows);
  window->setWindowTitle(caption);
  QMdiSubWindow* sub = mdiArea_->addSubWindow(window);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->installEventFilter(this);
  connect(sub, &QObject::destroyed, this, &TMainForm::ScheduleChildWindowUpdate);
  sub->show();
  UpdateChildWindowItems();
  return window;
}

Ti* TMainForm::AddDataWindow(const QString& caption) {
  // Checked before anything is made, so a full table leaves no stray window.
  if (state_.DataWindows.Full()) throw mms::Error(kTableFullMessage);
  Ti* window = CreateDataWindow(caption);
  const int slot = state_.DataWindows.Add(window->Record());
  if (slot < 0) {
    window->parentWidget()->close();
    throw mms::Error(kTableFullMessage);
  }
  window->SlotIndex = slot;
  windows_[slot] = window;
  return window;
}

Ti* TMainForm::DataWindow(int slot) const {
  if (slot < 0 || slot >= mms::kMaxDataWindows) return nullptr;
  if (!state_.DataWindows.Slot(slot)) return nullptr;  // closed, deletion still pending
  return windows_[slot].data();
}

Ti* TMainForm::ActiveDataWindow() const {
  QMdiSubWindow* sub = mdiArea_->currentSubWindow();
  if (!sub || sub->isHidden()) return nullptr;
  return qobject_cast<Ti*>(sub->widget());
}

int TMainForm::OpenChildWindowCount() const {
  int open = 0;
  for (QMdiSubWindow* sub : mdiArea_->subWindowList())
    if (!sub->isHidden()) ++open;
  return open;
}

void TMainForm::UpdateChildWindowItems() {
  const bool any = OpenChildWindowCount() > 0;
  QMdiSubWindow* current = mdiArea_->currentSubWindow();
  FileClose1->setEnabled(current && !current->isHidden());
  for (QAction* item : {WindowCascade1, WindowTileHorizontal1, WindowTileVertical1,
                        WindowMinimizeAll1, WindowArrangeAll1})
    item->setEnabled(any);
}

// Children report closing and hiding before the area has forgotten them, so
// the menus are brought up to date once the event has run its course.
void TMainForm::ScheduleChildWindowUpdate() {
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

void TMainForm::FillWindowList() {
  UpdateChildWindowItems();
  qDeleteAll(windowListItems_);
  windowListItems_.clear();
  QMdiSubWindow* current = mdiArea_->currentSubWindow();
  for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
    if (sub->isHidden()) continue;
    QString caption = sub->windowTitle();
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));  // a path may hold '&'
    auto* item = new QAction(caption, Window1);
    item->setCheckable(true);
    item->setChecked(sub == current);
    QPointer<QMdiSubWindow> target(sub);
    connect(item, &QAction::triggered, this, [this, target] {
      if (target) mdiArea_->setActiveSubWindow(target);
    });
    Window1->addAction(item);
    windowListItems_.append(item);
  }
  windowListSeparator_->setVisible(!windowListItems_.isEmpty());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
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

void TMainForm::SetPanelText(int panel, const QString& text) {
  if (panel < 0 || panel >= kPanelCount - 1) return;  // panel 5 stays empty
  panels_[panel]->setText(text);
}

QString TMainForm::PanelText(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return QString();
  return panels_[panel]->text();
}

QLabel* TMainForm::Panel(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return nullptr;
  return panels_[panel];
}

// Panel 0 is the hint line: it follows the help text under the pointer or of
// the highlighted menu item, but only when that text changes, so items
// without help leave a connection text in place.
bool TMainForm::event(QEvent* event) {
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

void TMainForm::Timer1Timer() {
  // The texts are built with a stand-in separator that is then replaced by
  // the locale's, which need not be a single byte.
  constexpr char kSeparator = '\x01';
  const mms::TrafficStatistics::Panels texts = traffic_.Timer1Timer(state_.Traffic, kSeparator);
  const QString separator = QLocale().decimalPoint();
  const std::string* panelTexts[] = {&texts.tx, &texts.rx, &texts.requests, &texts.responses};
  for (int i = 0; i < 4; ++i)
    SetPanelText(
        i + 1, QString::fromStdString(*panelTexts[i]).replace(QLatin1Char(kSeparator), separator));
}

void TMainForm::SetConnectedControls(bool connected) {
  Connec1->setEnabled(!connected);
  Disconnect1->setEnabled(connected);
}

// ---- Edit items ----------------------------------------------------------------------

void TMainForm::WatchFocusedEditor(QWidget* focused) {
  for (const auto& connection : editorWatch_) disconnect(connection);
  editorWatch_.clear();
  if (QLineEdit* edit = LineEditOf(focused)) {
    editorWatch_ << connect(edit, &QLineEdit::selectionChanged, this, &TMainForm::UpdateEditItems)
                 << connect(edit, &QLineEdit::textChanged, this, &TMainForm::UpdateEditItems);
  } else if (auto* text = qobject_cast<QTextEdit*>(focused)) {
    editorWatch_ << connect(text, &QTextEdit::selectionChanged, this, &TMainForm::UpdateEditItems)
                 << connect(text, &QTextEdit::textChanged, this, &TMainForm::UpdateEditItems);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
    editorWatch_ << connect(plain, &QPlainTextEdit::selectionChanged, this,
                            &TMainForm::UpdateEditItems)
                 << connect(plain, &QPlainTextEdit::textChanged, this, &TMainForm::UpdateEditItems);
  }
  UpdateEditItems();
}

void TMainForm::UpdateEditItems() {
  const EditAbility ability = EditAbilityOf(QApplication::focusWidget());
  EditCut1->setEnabled(ability.cut);
  EditCopy1->setEnabled(ability.copy);
  EditPaste1->setEnabled(ability.paste);
}

void TMainForm::EditCut1Execute() {
  if (EditAbilityOf(QApplication::focusWidget()).cut)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->cut(); });
  UpdateEditItems();
}

void TMainForm::EditCopy1Execute() {
  if (EditAbilityOf(QApplication::focusWidget()).copy)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->copy(); });
  UpdateEditItems();
}

void TMainForm::EditPaste1Execute() {
  if (EditAbilityOf(QApplication::focusWidget()).paste)
    ApplyEdit(QApplication::focusWidget(), [](auto* box) { box->paste(); });
  UpdateEditItems();
}

// ---- Commands ------------------------------------------------------------------------

QString TMainForm::ChooseFile(QFileDialog* dialog) {
  if (dialog->exec() != QDialog::Accepted) return QString();
  return dialog->selectedFiles().value(0);
}

void TMainForm::FileNew1Execute() {
  RunCommand(this,
             [this] { AddDataWindow(QStringLiteral("NONAME%1").arg(OpenChildWindowCount() + 1)); });
}

void TMainForm::FileOpen1Execute() {
  RunCommand(this, [this] {
    if (state_.DataWindows.Full()) throw mms::Error(kTableFullMessage);
    const QString path = ChooseFile(OpenDialog);
    if (path.isEmpty()) return;
    mms::OpenWindowFile(*this, path);
  });
}

void TMainForm::FileClose1Execute() { mdiArea_->closeActiveSubWindow(); }

void TMainForm::FileSaveItemClick() {
  RunCommand(this, [this] {
    QPointer<Ti> window = ActiveDataWindow();
    if (!window) return;
    QString path = window->FileName;
    if (path.isEmpty()) path = ChooseFile(SaveDialog);
    if (path.isEmpty() || !window) return;
    mms::SaveWindowFileOf(*window, path);
  });
}

void TMainForm::Savewindowas1Click() {
  RunCommand(this, [this] {
    QPointer<Ti> window = ActiveDataWindow();
    if (!window) return;
    const QString path = ChooseFile(SaveDialog);
    if (path.isEmpty() || !window) return;
    mms::SaveWindowFileOf(*window, path);
  });
}

void TMainForm::Zapiszscene1Click() {
  RunCommand(this, [this] {
    const QString path = ChooseFile(SaveSceneDialog);
    if (!path.isEmpty()) mms::SaveWindowsSetOf(*this, path);
  });
}

void TMainForm::Wczytajscene1Click() {
  RunCommand(this, [this] {
    const QString path = ChooseFile(OpenSceneDialog);
    if (!path.isEmpty()) mms::LoadWindowsSetInto(*this, path);
  });
}

void TMainForm::FileExit1Execute() { close(); }

void TMainForm::Connect1Click() {
  RunCommand(this, [this] { Connect(); });
}

void TMainForm::Disconnect1Click() {
  RunCommand(this, [this] { Disconnect(); });
}

void TMainForm::Settings1Click() {
  if (FormSettings) FormSettings->exec();
}

void TMainForm::Datadefinition1Click() {
  if (SetupForm) SetupForm->exec();
}

void TMainForm::WindowCascade1Execute() { mdiArea_->cascadeSubWindows(); }

void TMainForm::WindowTileHorizontal1Execute() { TileSubWindows(mdiArea_, false); }

void TMainForm::WindowTileVertical1Execute() { TileSubWindows(mdiArea_, true); }

void TMainForm::WindowMinimizeAll1Execute() { MinimizeAllSubWindows(mdiArea_); }

void TMainForm::WindowArrangeAll1Execute() { ArrangeIcons(mdiArea_); }

void TMainForm::HelpAbout1Execute() {
  if (!SplashScreenForm) return;
  // Without its timer the splash stays until it is clicked.
  SplashScreenForm->StopTimer();
  SplashScreenForm->exec();
}

void TMainForm::License1Click() {
  if (License) License->exec();
}

// ---- Showing and closing -------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the show has completed, so the splash can centre on the visible window.
  QMetaObject::invokeMethod(this, &TMainForm::FormShow, Qt::QueuedConnection);
}

void TMainForm::FormShow() {
  if (SplashScreenForm && !shutDown_) SplashScreenForm->exec();
  SetPanelText(0, QStringLiteral("Not connected"));
}

void TMainForm::closeEvent(QCloseEvent* event) {
  ShutDown();
  QMainWindow::closeEvent(event);
}

void TMainForm::SetWorkerShutdown(std::function<void()> stopWorkers) {
  stopWorkers_ = std::move(stopWorkers);
}

void TMainForm::ShutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  Timer1->stop();
  // First release any worker waiting for this thread, then stop the workers:
  // the other way round, a worker inside a window callback would wait forever.
  if (dispatcher_) dispatcher_->Shutdown();
  if (stopWorkers_) stopWorkers_();
}
