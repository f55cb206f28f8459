// The data windows in the client area and the table the polling thread finds them by.
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
#include "common/Errors.h"
#include "datawindow/DataWindow.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "shell/DataWindowReports.h"
#include "shell/MainWindowIcons.h"
#include "shell/MdiArrange.h"
#include "shell/WindowCommands.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

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
  exportCsvAction->setEnabled(ActiveDataWindow() != nullptr);
  importCsvAction->setEnabled(ActiveDataWindow() != nullptr);
  for (QAction* item : {cascadeAction, tileHorizontalAction, tileVerticalAction, minimizeAllAction,
                        arrangeAllAction})
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

// ---- Poll results ----------------------------------------------------------------------

void MainWindow::ScheduleResultRefresh() {
  if (refreshTimer_->isActive()) return;
  // Never sooner than kRefreshIntervalMs after the first new result: a
  // request sent and its answer, a few ms apart, then show in one pass.
  const qint64 since = lastRefresh_.isValid() ? lastRefresh_.elapsed() : refreshIntervalMs_;
  refreshTimer_->start(
      static_cast<int>(std::max<qint64>(kRefreshIntervalMs, refreshIntervalMs_ - since)));
}

void MainWindow::RefreshResults() {
  lastRefresh_.start();
  if (reports_) reports_->Clear();
  for (int slot = 0; slot < state_.DataWindows.WindowCount(); ++slot) {
    if (DataWindow* window = WindowAt(slot)) window->ShowLatestResult();
  }
  // Showing results, painting included (a zero timer runs once the paint
  // events are through), takes at most a twentieth of the user-interface
  // thread: on a single CPU the screen then takes little from polling, and
  // clicks and typing stay prompt however many windows poll.
  QTimer::singleShot(0, this, [this] {
    const qint64 took = lastRefresh_.elapsed();
    refreshIntervalMs_ = static_cast<int>(std::clamp<qint64>(20 * took, kRefreshIntervalMs, 1000));
  });
}
