// The main window without a mouse: what a screen reader finds in it, its
// shortcuts and menus from the keyboard, the data windows among themselves,
// the file dialogs and the "Port opening error!" box.
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "AccessTestSupport.h"
#include "datawindow/DataWindow.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"

namespace {

QStringList Captions(const QList<QMdiSubWindow*>& windows) {
  QStringList captions;
  for (QMdiSubWindow* w : windows) captions << w->windowTitle();
  return captions;
}

// Answers the next file dialog from the keyboard: the name typed into the
// focused field, then Enter; an empty name presses Escape instead.
ModalScript::Step AnswerFileDialog(const QString& name, bool* sawWidgetDialog) {
  return [name, sawWidgetDialog](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    *sawWidgetDialog =
        dialog && dialog->testOption(QFileDialog::DontUseNativeDialog) &&
        CaptionOf(QAccessible::queryAccessibleInterface(QApplication::focusWidget())) ==
            QStringLiteral("File name");
    if (name.isEmpty()) {
      Press(Qt::Key_Escape);
      return;
    }
    Type(name);
    Press(Qt::Key_Return);
  };
}

}  // namespace

class MainWindowAccessTest : public QObject {
  Q_OBJECT

 private slots:
  void readsAsMenusToolBarAndStatusPanels() {
    ProgramSession session;
    QVERIFY(session.Started());
    MainWindow* main = session.Main();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(main);
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Zenvik! Modbus Master Simulator"));

    QCOMPARE(AccessibleNames(main->mainMenu, QAccessible::MenuItem),
             QStringList({"File", "Edit", "Connection", "Setup", "Window", "Help"}));
    // Picture-only buttons are named after their commands; Disconnect is
    // there, unavailable, until a connection is made.
    QCOMPARE(AccessibleNames(main->toolBar, QAccessible::Button),
             QStringList({"New", "Open", "Cut", "Copy", "Paste", "Cascade", "Tile Horizontally",
                          "Tile Vertically", "Connect", "Disconnect", "Settings", "About",
                          "Traffic monitor", "Trends"}));
    QVERIFY(QAccessible::queryAccessibleInterface(main->disconnectButton)->state().disabled);

    // The panels read as their texts; after a timer tick panels 1 to 4 carry
    // the traffic texts and panel 5 stays empty.
    main->RefreshStatistics();
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(main->statusBarWidget);
    QCOMPARE(bar->role(), QAccessible::StatusBar);
    const QStringList panels = AccessibleNames(main->statusBarWidget, QAccessible::StaticText);
    QCOMPARE(panels.size(), MainWindow::kPanelCount);
    QCOMPARE(panels[0], QStringLiteral("Not connected"));
    const QStringList starts = {"Tx : ", "Rx : ", "Requests : ", "Responses : "};
    for (int i = 0; i < 4; ++i)
      QVERIFY2(panels[i + 1].startsWith(starts[i]), qPrintable(panels[i + 1]));
    QCOMPARE(panels[5], QString());
    QCOMPARE(QAccessible::queryAccessibleInterface(main->Panel(0))->text(QAccessible::Description),
             QStringLiteral("Connection state"));

    // Every file dialog is Qt's own, which the accessibility tree reaches.
    for (QFileDialog* dialog :
         {main->openDialog, main->saveDialog, main->saveSetDialog, main->loadSetDialog})
      QVERIFY2(dialog->testOption(QFileDialog::DontUseNativeDialog),
               qPrintable(dialog->objectName()));
  }

  void shortcutsAndMdiKeysManageTheDataWindows() {
    ProgramSession session;
    QVERIFY(session.Started());
    MainWindow* main = session.Main();
    QMdiArea* area = main->MdiArea();

    Press(Qt::Key_N, Qt::ControlModifier);
    Press(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(Captions(area->subWindowList()), QStringList({"NONAME1", "NONAME2"}));
    // A new window takes the keyboard at its first field.
    QCOMPARE(AccessibleName(QApplication::focusWidget()), QStringLiteral("Device ID"));
    QCOMPARE(area->activeSubWindow()->windowTitle(), QStringLiteral("NONAME2"));

    // Ctrl+Tab goes round the windows; Ctrl+F4 closes the active one and
    // empties its slot.
    Press(Qt::Key_Tab, Qt::ControlModifier);
    QTRY_COMPARE(area->activeSubWindow()->windowTitle(), QStringLiteral("NONAME1"));
    Press(Qt::Key_F4, Qt::ControlModifier);
    QTRY_COMPARE(Captions(area->subWindowList()), QStringList({"NONAME2"}));
    QVERIFY(session.Get().state.DataWindows.Slot(0) == nullptr);
    QVERIFY(session.Get().state.DataWindows.Slot(1) != nullptr);

    // The Window menu lists the open windows; choosing one by its caption
    // activates it. File > Close closes it.
    Press(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(area->activeSubWindow()->windowTitle(), QStringLiteral("NONAME2"));
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Window"), QStringLiteral("NONAME2")));
    QTRY_COMPARE(area->subWindowList().indexOf(area->activeSubWindow()), 0);
    QVERIFY(ChooseFromMenuBar(QStringLiteral("File"), QStringLiteral("Close")));
    QTRY_COMPARE(area->subWindowList().size(), 1);
    QCOMPARE(session.Get().state.DataWindows.WindowCount(), 3);
  }

  void fileDialogsTakeATypedNameAndEnter() {
    ProgramSession session;
    QVERIFY(session.Started());
    MainWindow* main = session.Main();
    Press(Qt::Key_N, Qt::ControlModifier);
    DataWindow* window = main->ActiveDataWindow();
    QVERIFY(window);

    // Save window: Escape leaves the window unsaved; a name typed without
    // its extension and Enter saves it as a window file.
    bool widgetDialog = false;
    {
      ModalScript script;
      script.Then(AnswerFileDialog(QString(), &widgetDialog));
      QVERIFY(ChooseFromMenuBar(QStringLiteral("File"), QStringLiteral("Save window")));
      QTRY_VERIFY(script.Finished());
      QVERIFY(script.Stuck().isEmpty());
    }
    QVERIFY(widgetDialog);
    QVERIFY(window->FileName.isEmpty());
    QVERIFY(Reactivate(main));
    {
      ModalScript script;
      script.Then(AnswerFileDialog(session.Directory() + QStringLiteral("/pump"), &widgetDialog));
      QVERIFY(ChooseFromMenuBar(QStringLiteral("File"), QStringLiteral("Save window")));
      QTRY_VERIFY(script.Finished());
      QVERIFY(script.Stuck().isEmpty());
    }
    const QString saved = session.Directory() + QStringLiteral("/pump.kvw");
    QVERIFY(QFileInfo::exists(saved));
    QCOMPARE(window->FileName, saved);
    QVERIFY(Reactivate(main));

    // Ctrl+O: the typed path and Enter open it in a new window.
    {
      ModalScript script;
      script.Then(AnswerFileDialog(saved, &widgetDialog));
      Press(Qt::Key_O, Qt::ControlModifier);
      QTRY_VERIFY(script.Finished());
      QVERIFY(script.Stuck().isEmpty());
    }
    QVERIFY(widgetDialog);
    QTRY_COMPARE(main->MdiArea()->subWindowList().size(), 2);
    QCOMPARE(main->ActiveDataWindow()->FileName, saved);
  }

  void portOpeningErrorReadsAndClosesWithEnter() {
    ProgramSession session(
        "[Protocol]\nProtocol=ModbusRTU\n[RTUPortSettings]\nPort=/nonexistent/ttyMMS\n");
    QVERIFY(session.Started());
    QString role, name, text;
    QStringList buttons;
    ModalScript script;
    script.Then([&](QWidget* modal) {
      QAccessibleInterface* box = QAccessible::queryAccessibleInterface(modal);
      role = box->role() == QAccessible::AlertMessage ? "alert" : "other";
      name = box->text(QAccessible::Name);
      text = box->text(QAccessible::Value);
      buttons = AccessibleNames(modal, QAccessible::Button);
      Press(Qt::Key_Return);
    });
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Connection"), QStringLiteral("Connect")));
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(role, QStringLiteral("alert"));
    QCOMPARE(name, QStringLiteral("Port opening error!"));
    QCOMPARE(text, QStringLiteral("Port opening error!"));
    QCOMPARE(buttons, QStringList{"OK"});
    QVERIFY(session.Main()->connectAction->isEnabled());
  }

  void exitFromTheFileMenuByItsAccessKey() {
    ProgramSession session;
    QVERIFY(session.Started());
    Press(Qt::Key_F, Qt::AltModifier);
    Press(Qt::Key_X);
    QTRY_VERIFY(!session.Main()->isVisible());
    QVERIFY(session.Main()->IsShutDown());
  }
};

int RunMainWindowAccessTests(int argc, char** argv) {
  MainWindowAccessTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "MainWindowAccessTest.moc"
