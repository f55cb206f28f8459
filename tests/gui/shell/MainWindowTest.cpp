// The main window under the offscreen platform: its menus and tool bar, the
// data window table, the status bar and the way out.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include "auxiliary/SplashScreen.h"
#include "datawindow/DataWindow.h"
#include "datawindow/WindowFile.h"
#include "datawindow/WindowsSet.h"
#include "log/TransmissionLog.h"
#include "shell/MainWindow.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

namespace {

// One row of a menu as the user sees it: caption, shortcut, enabled.
struct Item {
  QString caption;  // "-" for a separator
  QString shortcut;
  bool enabled;
};

QList<Item> VisibleItems(QMenu* menu) {
  QList<Item> items;
  for (QAction* a : menu->actions()) {
    if (!a->isVisible()) continue;
    if (a->isSeparator()) {
      items.append({QStringLiteral("-"), QString(), false});
    } else {
      items.append({a->text(), a->shortcut().toString(), a->isEnabled()});
    }
  }
  return items;
}

QString Describe(const QList<Item>& items) {
  QStringList rows;
  for (const Item& i : items)
    rows << QStringLiteral("%1|%2|%3").arg(i.caption, i.shortcut, i.enabled ? "on" : "off");
  return rows.join(QLatin1Char('\n'));
}

void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Plays the user at the file dialogs: each one that opens gets the next
// answer (a path, or an empty text to cancel) and is counted.
class FileDialogUser : public QObject {
 public:
  explicit FileDialogUser(QStringList answers) : answers_(std::move(answers)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      ++shown;
      const QString answer = answers_.isEmpty() ? QString() : answers_.takeFirst();
      if (answer.isEmpty()) {
        dialog->reject();
      } else {
        // Typed into the name field, as a user would; selectFile() alone can be
        // overridden by the selection the reused dialog kept from last time.
        dialog->selectFile(answer);
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
          name->setText(answer);
        static_cast<QDialog*>(dialog)->accept();  // as if OK was pressed
      }
    });
    timer_.start(5);
  }
  int shown = 0;

 private:
  QStringList answers_;
  QTimer timer_;
};

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<mms::AppState> state_;
  std::unique_ptr<QtUiDispatcher> dispatcher_;
  std::unique_ptr<MainWindow> form_;
  QStringList errorBoxes_;

  QList<QMdiSubWindow*> Children() const { return form_->MdiArea()->subWindowList(); }

 private slots:
  void init() {
    state_ = std::make_unique<mms::AppState>();
    dispatcher_ = std::make_unique<QtUiDispatcher>();
    form_ = std::make_unique<MainWindow>(*state_, dispatcher_.get());
    errorBoxes_.clear();
    SetErrorBoxHook([this](const QString& text) { errorBoxes_ << text; });
  }

  void cleanup() {
    SetErrorBoxHook({});
    form_.reset();
    dispatcher_.reset();
    state_.reset();
  }

  void captionAndClientArea() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Zenvik! Modbus Master Simulator"));
    // At least the classic client area; wider where the status panels need it.
    QVERIFY(form_->width() >= 706);
    QCOMPARE(form_->height() - form_->mainMenu->sizeHint().height(), 544);
  }

  void menuBarAtStart() {
    const QList<QPair<QString, QList<Item>>> expected = {
        {"&File",
         {{"&New", "Ctrl+N", true},
          {"&Open", "Ctrl+O", true},
          {"&Close", "", false},
          {"-", "", false},
          {"Save window", "", true},
          {"Save window as...", "", true},
          {"-", "", false},
          {"Save Windows Set", "", true},
          {"Load Windows Set", "", true},
          {"-", "", false},
          {"Export to CSV", "", false},
          {"Import from CSV", "", false},
          {"Log to CSV...", "", true},
          {"-", "", false},
          {"E&xit", "", true}}},
        {"&Edit",
         {{"Cu&t", "Ctrl+X", false}, {"&Copy", "Ctrl+C", false}, {"&Paste", "Ctrl+V", false}}},
        {"Connection",
         {{"Connect", "", true},
          {"Disconnect", "", false},
          {"-", "", false},
          {"Settings", "", true}}},
        {"Setup", {{"Data definition", "", true}}},
        {"&Window",
         {{"&Cascade", "", false},
          {"Tile &Horizontally", "", false},
          {"Tile &Vertically", "", false},
          {"&Minimize All", "", false},
          {"&Arrange All", "", false}}},
        {"&Help", {{"&About...", "", true}, {"License", "", true}}},
    };
    const QList<QAction*> menus = form_->mainMenu->actions();
    QCOMPARE(menus.size(), expected.size());
    for (int m = 0; m < menus.size(); ++m) {
      QCOMPARE(menus[m]->text(), expected[m].first);
      QCOMPARE(Describe(VisibleItems(menus[m]->menu())), Describe(expected[m].second));
    }
  }

  void toolBarButtonsAndTheirCommands() {
    QStringList seen;
    for (QAction* a : form_->toolBar->actions()) {
      if (a->isSeparator()) {
        seen << QStringLiteral("|");
        continue;
      }
      auto* button = qobject_cast<QToolButton*>(form_->toolBar->widgetForAction(a));
      QVERIFY(button);
      QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
      QVERIFY(!a->icon().isNull());
      seen << button->accessibleName() + (a->isEnabled() ? "" : "(off)");
    }
    QCOMPARE(seen.join(' '),
             QStringLiteral("New Open | Cut(off) Copy(off) Paste(off) | Cascade(off) "
                            "Tile Horizontally(off) Tile Vertically(off) | Connect "
                            "Disconnect(off) Settings | About"));
    QCOMPARE(form_->connectButton->toolTip(), QStringLiteral("Connect"));
    QCOMPARE(form_->disconnectButton->toolTip(), QStringLiteral("Disconnect"));
    QCOMPARE(form_->connectButton->objectName(), QStringLiteral("connectButton"));

    // The buttons follow their menu items both ways.
    form_->SetConnectedControls(true);
    QVERIFY(!form_->connectAction->isEnabled() && !form_->connectButton->isEnabled());
    QVERIFY(form_->disconnectAction->isEnabled() && form_->disconnectButton->isEnabled());
    form_->SetConnectedControls(false);
    QVERIFY(form_->connectButton->isEnabled() && !form_->disconnectButton->isEnabled());
    form_->NewWindow();
    QVERIFY(form_->toolBar->widgetForAction(form_->tileVerticalAction)->isEnabled());
  }

  void newWindowsAreNumberedByOpenWindows() {
    form_->NewWindow();
    QCOMPARE(Children().at(0)->windowTitle(), QStringLiteral("NONAME1"));
    form_->NewWindow();
    form_->NewWindow();
    QCOMPARE(Children().at(2)->windowTitle(), QStringLiteral("NONAME3"));
    Children().at(0)->close();  // NONAME1 goes; two are left open
    form_->NewWindow();
    QCOMPARE(form_->OpenChildWindowCount(), 3);
    QCOMPARE(Children().last()->windowTitle(), QStringLiteral("NONAME3"));
    QVERIFY(errorBoxes_.isEmpty());
  }

  void slotsAreHandedOutOnceAndEmptiedOnClose() {
    for (int i = 0; i < 3; ++i) form_->NewWindow();
    mms::WindowTable& table = state_->DataWindows;
    QCOMPARE(table.WindowCount(), 3);
    for (int slot = 0; slot < 3; ++slot) {
      DataWindow* window = form_->WindowAt(slot);
      QVERIFY(window);
      QCOMPARE(window->SlotIndex, slot);
      QCOMPARE(table.Slot(slot), window->Record());
      QVERIFY(window->FileName.isEmpty());
    }
    form_->WindowAt(1)->parentWidget()->close();
    QVERIFY(!table.Slot(1));
    QVERIFY(!form_->WindowAt(1));  // at once, before the window is deleted
    DeleteClosedWindows();
    QCOMPARE(form_->OpenChildWindowCount(), 2);

    form_->NewWindow();
    QCOMPARE(table.WindowCount(), 4);  // the emptied slot is not reused
    QVERIFY(!table.Slot(1));
    QCOMPARE(form_->WindowAt(3)->SlotIndex, 3);
    QCOMPARE(form_->WindowAt(-1), nullptr);
    QCOMPARE(form_->WindowAt(65), nullptr);
  }

  void aFullTableRefusesNewWindowsWithAnErrorBox() {
    for (int i = 0; i < mms::kMaxDataWindows; ++i) {
      form_->NewWindow();
      if (i % 2 == 0) form_->WindowAt(i)->parentWidget()->close();  // closing frees nothing
      DeleteClosedWindows();
    }
    QVERIFY(errorBoxes_.isEmpty());
    QCOMPARE(state_->DataWindows.WindowCount(), 65);
    const int open = form_->OpenChildWindowCount();
    const int children = Children().size();

    form_->NewWindow();
    QCOMPARE(errorBoxes_.size(), 1);
    QVERIFY(errorBoxes_[0].contains(QStringLiteral("65")));
    QVERIFY(errorBoxes_[0].endsWith(QLatin1Char('.')));
    QCOMPARE(state_->DataWindows.WindowCount(), 65);
    QCOMPARE(form_->OpenChildWindowCount(), open);
    QCOMPARE(Children().size(), children);  // no stray window made

    // Open refuses before asking for a file, so no dialog appears.
    form_->OpenWindow();
    QCOMPARE(errorBoxes_.size(), 2);
    QCOMPARE(Children().size(), children);
  }

  void saveWindowAsksOnceThenWritesToTheSamePath() {
    QTemporaryDir dir;
    form_->SaveWindow();  // no window: nothing, not even a dialog
    form_->NewWindow();
    DataWindow* window = form_->WindowAt(0);
    FileDialogUser user({dir.filePath("first")});
    form_->SaveWindow();
    QCOMPARE(user.shown, 1);
    const QString path = dir.filePath("first.kvw");  // the default extension is added
    QCOMPARE(window->FileName, path);
    QVERIFY(QFile::exists(path));
    QVERIFY(QFile::remove(path));
    form_->SaveWindow();
    QCOMPARE(user.shown, 1);  // no second question
    QVERIFY(QFile::exists(path));
    QCOMPARE(window->windowTitle(), QStringLiteral("NONAME1"));  // saving keeps the caption

    form_->SaveWindowAs();  // cancelled: nothing changes
    QCOMPARE(user.shown, 2);
    QCOMPARE(window->FileName, path);
    QVERIFY(errorBoxes_.isEmpty());
  }

  void openReadsTheFileIntoANewRegisteredWindow() {
    QTemporaryDir dir;
    const QString path = dir.filePath("device.kvw");
    mms::WindowFile file;
    file.DeviceID = 7;
    file.Function = 3;
    file.Address = 100;
    file.Length = 20;
    mms::SaveWindowFile(file, Local(path));

    form_->NewWindow();
    FileDialogUser user({path});
    form_->OpenWindow();
    QCOMPARE(user.shown, 1);
    DataWindow* window = form_->WindowAt(1);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), path);
    QCOMPARE(window->FileName, path);
    QCOMPARE(window->SlotIndex, 1);
    const mms::PollDefinition poll = window->Record()->Poll();
    QCOMPARE(int(poll.DeviceID), 7);
    QCOMPARE(int(poll.Function), 3);
    QCOMPARE(int(poll.Address), 100);
    QCOMPARE(int(poll.Length), 20);
    QVERIFY(errorBoxes_.isEmpty());
  }

  void aFileThatFailsToLoadOpensNoWindowAndUsesNoSlot() {
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.kvw");
    QFile bad(path);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("[DataDefinition]\nDeviceID=abc\n");
    bad.close();

    form_->NewWindow();
    FileDialogUser user({path});
    form_->OpenWindow();
    QCOMPARE(errorBoxes_, QStringList({"'abc' is not a valid integer value."}));
    QCOMPARE(form_->OpenChildWindowCount(), 1);
    QCOMPARE(state_->DataWindows.WindowCount(), 1);

    // The next window takes the next slot as usual.
    form_->NewWindow();
    QVERIFY(form_->WindowAt(1));
    QCOMPARE(form_->WindowAt(1)->SlotIndex, 1);
  }

  void windowsSetsRecordSavedWindowsAndReopenThem() {
    QTemporaryDir dir;
    for (int i = 0; i < 4; ++i) form_->NewWindow();
    form_->WindowAt(0)->parentWidget()->close();  // closed: left out
    // Slot 2 stays unsaved: left out without a word.
    {
      FileDialogUser user({dir.filePath("b"), dir.filePath("d")});
      form_->MdiArea()->setActiveSubWindow(
          qobject_cast<QMdiSubWindow*>(form_->WindowAt(1)->parentWidget()));
      form_->SaveWindow();
      form_->MdiArea()->setActiveSubWindow(
          qobject_cast<QMdiSubWindow*>(form_->WindowAt(3)->parentWidget()));
      form_->SaveWindow();
      QCOMPARE(user.shown, 2);
    }
    const QString setPath = dir.filePath("scene.kvs");
    {
      FileDialogUser user({dir.filePath("scene")});
      form_->SaveWindowsSet();
    }
    const mms::WindowsSetReader set(Local(setPath));
    QCOMPARE(set.NumOfFiles(), 2);
    QCOMPARE(QString::fromStdString(set.File(0)), dir.filePath("b.kvw"));
    QCOMPARE(QString::fromStdString(set.File(1)), dir.filePath("d.kvw"));

    {
      FileDialogUser user({setPath});
      form_->LoadWindowsSet();
    }
    QCOMPARE(state_->DataWindows.WindowCount(), 6);
    QCOMPARE(form_->WindowAt(4)->windowTitle(), dir.filePath("b.kvw"));
    QCOMPARE(form_->WindowAt(5)->FileName, dir.filePath("d.kvw"));
    QVERIFY(errorBoxes_.isEmpty());
  }

  void aSetLargerThanTheTableStopsWhenTheTableIsFull() {
    QTemporaryDir dir;
    const QString setPath = dir.filePath("huge.kvs");
    QFile set(setPath);
    QVERIFY(set.open(QIODevice::WriteOnly));
    const QString window = dir.filePath("w.kvw");
    mms::SaveWindowFile(mms::WindowFile(), window.toStdString());
    set.write("[Scene]\nNumOfFiles=2147483647\n");
    for (int i = 0; i < 70; ++i)
      set.write(QStringLiteral("File%1=%2\n").arg(i).arg(window).toUtf8());
    set.close();
    form_->NewWindow();
    FileDialogUser user({setPath});
    form_->LoadWindowsSet();
    QCOMPARE(state_->DataWindows.WindowCount(), 65);
    QCOMPARE(errorBoxes_.size(), 1);
    QCOMPARE(form_->OpenChildWindowCount(), 65);
  }

  void childWindowItemsFollowTheOpenWindows() {
    QVERIFY(!form_->closeAction->isEnabled());
    form_->NewWindow();
    form_->NewWindow();
    for (QAction* a :
         {form_->closeAction, form_->cascadeAction, form_->tileHorizontalAction,
          form_->tileVerticalAction, form_->minimizeAllAction, form_->arrangeAllAction})
      QVERIFY2(a->isEnabled(), qPrintable(a->text()));

    // The window list names every open window; choosing one activates it.
    emit form_->windowMenu->aboutToShow();
    QStringList listed;
    QAction* first = nullptr;
    for (QAction* a : form_->windowMenu->actions()) {
      if (a->isCheckable()) {
        listed << a->text();
        if (!first) first = a;
      }
    }
    QCOMPARE(listed, QStringList({"NONAME1", "NONAME2"}));
    first->trigger();
    QCOMPARE(form_->MdiArea()->currentSubWindow(), Children().at(0));

    form_->CloseWindow();
    form_->CloseWindow();
    DeleteClosedWindows();
    QCoreApplication::processEvents();
    QCOMPARE(form_->OpenChildWindowCount(), 0);
    QVERIFY(!form_->closeAction->isEnabled());
    QVERIFY(!form_->cascadeAction->isEnabled());
    emit form_->windowMenu->aboutToShow();
    for (QAction* a : form_->windowMenu->actions()) QVERIFY(!a->isCheckable());
  }

  void tilingCoversTheClientArea() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    for (int i = 0; i < 3; ++i) form_->NewWindow();
    const QRect area = form_->MdiArea()->viewport()->rect();

    form_->TileVertically();  // side by side
    QList<QMdiSubWindow*> subs = form_->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    QCOMPARE(subs[0]->geometry().left(), area.left());
    QCOMPARE(subs[2]->geometry().right(), area.right());
    for (QMdiSubWindow* sub : subs) QCOMPARE(sub->height(), area.height());

    form_->TileHorizontally();  // one above the other
    QCOMPARE(subs[0]->geometry().top(), area.top());
    QCOMPARE(subs[2]->geometry().bottom(), area.bottom());
    for (QMdiSubWindow* sub : subs) QCOMPARE(sub->width(), area.width());

    form_->MinimizeAll();
    for (QMdiSubWindow* sub : subs) QVERIFY(sub->isMinimized());
    form_->ArrangeAll();
    for (QMdiSubWindow* sub : subs) QCOMPARE(sub->geometry().bottom(), area.bottom());
    QVERIFY(subs[0]->x() < subs[1]->x() && subs[1]->x() < subs[2]->x());
    form_->Exit();
  }

  void panelsFitTheirTextsAndPanelFiveStaysEmpty() {
    // With room for all, each panel fits its text (the longest hint too) and
    // the last one takes the rest.
    form_->resize(2000, form_->height());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->SetPanelText(0, form_->aboutAction->statusTip());
    form_->RefreshStatistics();
    QTRY_VERIFY(form_->Panel(0)->width() > MainWindow::kPanelWidth);
    for (int i = 0; i < MainWindow::kPanelCount - 1; ++i) {
      QLabel* panel = form_->Panel(i);
      QVERIFY2(panel->width() >= MainWindow::kPanelWidth &&
                   panel->contentsRect().width() >=
                       panel->fontMetrics().horizontalAdvance(panel->text()),
               qPrintable(panel->text()));
    }
    QVERIFY(form_->Panel(5)->width() > form_->Panel(0)->width());
    form_->SetPanelText(5, QStringLiteral("anything"));
    form_->RefreshStatistics();
    QVERIFY(form_->PanelText(5).isEmpty());
    QVERIFY(form_->PanelText(1).startsWith(QStringLiteral("Tx : 0 B ")));
    QVERIFY(form_->PanelText(2).startsWith(QStringLiteral("Rx : 0 B ")));
    QVERIFY(form_->PanelText(3).startsWith(QStringLiteral("Requests : 0 ")));
    QVERIFY(form_->PanelText(4).startsWith(QStringLiteral("Responses : 0 ")));
    QCOMPARE(form_->statisticsTimer->interval(), 200);
    QVERIFY(form_->statisticsTimer->isActive());

    // What the counters say, with the locale's decimal separator.
    state_->Traffic.TxBytes = 1536;
    form_->RefreshStatistics();
    const QString separator = QLocale().decimalPoint();
    QVERIFY2(form_->PanelText(1).startsWith("Tx : 1" + separator + "50 KB "),
             qPrintable(form_->PanelText(1)));

    // Panel 5 is the log's: what it could not write, until the next Connect.
    mms::TransmissionLog log;
    form_->SetTransmissionLog(&log);
    log.Resume();
    const uint8_t frame[] = {1, 3};
    log.LogHandOff(mms::kLogTransmitted, frame, 2);
    QTRY_COMPARE(form_->PanelText(5), QStringLiteral("Log: no log file, 1 frame not written"));
    QTemporaryDir dir;
    log.CreateLogFile(dir.filePath(QStringLiteral("Transmission.log")).toStdString());
    QTRY_COMPARE(form_->PanelText(5), QString());
    form_->SetTransmissionLog(nullptr);
  }

  void panelTextsReachScreenReaders() {
    form_->SetPanelText(0, QStringLiteral("COM1 115200"));
    QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(form_->Panel(0));
    QVERIFY(panel);
    QCOMPARE(panel->text(QAccessible::Name), QStringLiteral("COM1 115200"));
    QVERIFY(!panel->text(QAccessible::Description).isEmpty());
  }

  void hintLineFollowsHelpTextChanges() {
    form_->SetPanelText(0, QStringLiteral("Not connected"));
    QPointF at(2, 2);
    QEnterEvent enter(at, at, at);
    QEvent leave(QEvent::Leave);

    // Items without help text leave the connection text alone.
    form_->settingsAction->showStatusText(form_->mainMenu);
    QApplication::sendEvent(form_->toolBar->widgetForAction(form_->newAction), &enter);
    QCOMPARE(form_->PanelText(0), QStringLiteral("Not connected"));

    QApplication::sendEvent(form_->connectButton, &enter);
    QCOMPARE(form_->PanelText(0), QStringLiteral("Connect"));
    QApplication::sendEvent(form_->connectButton, &leave);
    QCOMPARE(form_->PanelText(0), QString());

    form_->aboutAction->showStatusText(form_->mainMenu);  // the item highlighted in its menu
    QCOMPARE(form_->PanelText(0),
             QStringLiteral("Displays program information, version number, and copyright"));
    form_->settingsAction->showStatusText(form_->mainMenu);
    QCOMPARE(form_->PanelText(0), QString());

    // Until the help text changes again, a new connection text stays.
    form_->SetPanelText(0, QStringLiteral("COM1 115200"));
    form_->connectAction->showStatusText(form_->mainMenu);  // the menu item has no help text
    QCOMPARE(form_->PanelText(0), QStringLiteral("COM1 115200"));
  }

  void editItemsFollowTheFocusedTextField() {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    auto* edit = new QLineEdit(QStringLiteral("value"));
    form_->MdiArea()->addSubWindow(edit)->show();
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    QGuiApplication::clipboard()->clear();
    QVERIFY(!form_->cutAction->isEnabled() && !form_->copyAction->isEnabled());
    QVERIFY(!form_->pasteAction->isEnabled());

    edit->selectAll();
    QVERIFY(form_->cutAction->isEnabled() && form_->copyAction->isEnabled());
    form_->copyAction->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("value"));
    QVERIFY(form_->pasteAction->isEnabled());

    edit->setReadOnly(true);
    edit->selectAll();
    emit edit->selectionChanged();
    QVERIFY(!form_->cutAction->isEnabled() && form_->copyAction->isEnabled());
    QVERIFY(!form_->pasteAction->isEnabled());
    form_->Cut();  // refused, the text stays
    QCOMPARE(edit->text(), QStringLiteral("value"));

    edit->setReadOnly(false);
    edit->setEchoMode(QLineEdit::Password);
    edit->selectAll();
    QVERIFY(!form_->copyAction->isEnabled());  // hidden text is not copied out
    form_->Exit();
  }

  void firstShowingShowsTheSplashThenNotConnected() {
    SplashScreen splash(form_.get());
    gSplashScreen = &splash;
    splash.StopTimer();
    bool splashWasModal = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
      if (QApplication::activeModalWidget() == &splash) {
        splashWasModal = true;
        splash.close();
      }
    });
    closer.start(10);
    form_->show();
    QTRY_COMPARE(form_->PanelText(0), QStringLiteral("Not connected"));
    QVERIFY(splashWasModal);
    gSplashScreen = nullptr;
    form_->Exit();
  }

  void exitReleasesAWaitingWorkerAndStopsTheWorkersOnce() {
    int stops = 0;
    form_->SetWorkerShutdown([&] { ++stops; });
    form_->show();
    // A worker blocked on the user-interface thread, which is itself busy:
    // Exit must not wait for it.
    std::atomic<int> result{-1};
    bool ran = false;
    std::thread worker([&] { result = dispatcher_->RunAndWait([&] { ran = true; }) ? 1 : 0; });
    while (dispatcher_->PendingCount() == 0) std::this_thread::yield();
    form_->Exit();
    worker.join();
    QCOMPARE(result.load(), 0);
    QCoreApplication::processEvents();
    QVERIFY(!ran);
    QVERIFY(!form_->isVisible());
    QVERIFY(form_->IsShutDown());
    QVERIFY(!form_->statisticsTimer->isActive());
    QVERIFY(!dispatcher_->RunAndWait([] {}));
    form_->ShutDown();
    QCOMPARE(stops, 1);
  }
};

QTEST_MAIN(MainFormTest)
#include "MainWindowTest.moc"
