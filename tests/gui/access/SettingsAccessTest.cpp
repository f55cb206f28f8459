// The connection settings and data definition dialogs without a mouse:
// opened from the menus, read by their captions, filled and confirmed or
// abandoned from the keyboard, and the error box a refused value brings up.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "AccessTestSupport.h"
#include "common/SettingsFile.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"

namespace {

QString FocusedCaption() {
  return CaptionOf(QAccessible::queryAccessibleInterface(QApplication::focusWidget()));
}

}  // namespace

class SettingsAccessTest : public QObject {
  Q_OBJECT

 private slots:
  // The fields follow the protocol chosen, however it was chosen; also when
  // the protocol chosen already is chosen again (they start all enabled).
  void protocolFieldsFollowTheChoiceHoweverMade_data() { AddOperationRows(); }
  void protocolFieldsFollowTheChoiceHoweverMade() {
    QFETCH(Operation, how);
    QTemporaryDir dir;
    mms::SetSettingsDirectory(dir.path().toStdString());
    ConnectionSettingsDialog d;
    mms::SetSettingsDirectory("");
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const auto enabled = [&] {
      return QList<bool>{d.rtuGroup->isEnabled(), d.portBox->isEnabled(), d.tcpGroup->isEnabled(),
                         d.ipAddressEdit->isEnabled()};
    };
    QCOMPARE(enabled(), QList<bool>({true, true, true, true}));
    // Qt's Toggle of a radio button already chosen changes nothing at all.
    if (how == Operation::kMouse || how == Operation::kSpaceKey) {
      Operate(d.rtuButton, how);
      QCOMPARE(enabled(), QList<bool>({true, true, false, false}));
    }
    Operate(d.tcpButton, how);
    QCOMPARE(enabled(), QList<bool>({false, false, true, true}));
    Operate(d.rtuButton, how);
    QCOMPARE(enabled(), QList<bool>({true, true, false, false}));
  }

  void connectionSettingsFromTheMenuByKeyboard() {
    ProgramSession session;
    QVERIFY(session.Started());

    QStringList controls, rtuWalk, tcpWalk;
    QString portTextName;
    ModalScript script;
    script.Then([&](QWidget* dialog) {
      controls = Controls(dialog);
      if (QAccessibleInterface* text = FindAccessible(dialog, QAccessible::EditableText, "Port"))
        portTextName = text->text(QAccessible::Value);
      rtuWalk = TabWalk();
      Press(Qt::Key_Right);  // arrows choose the protocol
      tcpWalk = TabWalk();
      TabTo(QStringLiteral("TCP port"));
      Type(QStringLiteral("1502"));
      Press(Qt::Key_Return);
    });
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Connection"), QStringLiteral("Settings")));
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());

    QCOMPARE(controls,
             QStringList({"radio Modbus RTU", "radio Modbus TCP", "radio Modbus RTU over TCP",
                          "radio Modbus UDP", "drop-down Port", "drop-down Bitrate",
                          "drop-down Parity", "drop-down Stop bits",
                          "check box RS-485: driver switches RTS", "edit RTS before send (ms)",
                          "edit RTS after send (ms)", "edit IP address", "edit TCP port",
                          "edit Timeout (ms)", "edit Delay between polls (ms)", "button OK",
                          "button Cancel"}));
    // The text part of the Port drop-down is named too, and holds its text.
    QCOMPARE(portTextName, QStringLiteral("COM2"));
    QCOMPARE(rtuWalk,
             QStringList({"Modbus RTU", "Port", "Bitrate", "Parity", "Stop bits",
                          "RS-485: driver switches RTS", "IP address", "TCP port", "Timeout (ms)",
                          "Delay between polls (ms)", "OK", "Cancel"}));
    // With TCP chosen the serial drop-downs are off and out of the way.
    QCOMPARE(tcpWalk, QStringList({"Modbus TCP", "IP address", "TCP port", "Timeout (ms)",
                                   "Delay between polls (ms)", "OK", "Cancel"}));
    const QByteArray stored = session.SettingsText();
    QVERIFY2(stored.contains("Protocol=ModbusTCP"), stored.constData());
    QVERIFY2(stored.contains("TCPPort=1502"), stored.constData());

    // Escape abandons the dialog: nothing more reaches the file.
    QVERIFY(Reactivate(session.Main()));
    script.Then([](QWidget*) {
      TabTo(QStringLiteral("Timeout (ms)"));
      Type(QStringLiteral("77"));
      Press(Qt::Key_Escape);
    });
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Connection"), QStringLiteral("Settings")));
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(session.SettingsText(), stored);
  }

  void dataDefinitionFromTheMenuByKeyboard() {
    ProgramSession session;
    QVERIFY(session.Started());
    std::atomic<int32_t>& scanRate = session.Get().state.ScanRate;

    QStringList controls;
    QString focused, shown;
    bool stayedOpenOnEmpty = false;
    ModalScript script;
    script.Then([&](QWidget* dialog) {
      controls = Controls(dialog);
      focused = FocusedCaption();
      shown = QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                  ->text(QAccessible::Value);
      // An empty scan rate: Enter does nothing and the dialog stays.
      Press(Qt::Key_A, Qt::ControlModifier);
      Press(Qt::Key_Delete);
      Press(Qt::Key_Return);
      stayedOpenOnEmpty = dialog->isVisible();
      Type(QStringLiteral("250"));
      Press(Qt::Key_Return);
    });
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Setup"), QStringLiteral("Data definition")));
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(controls, QStringList({"edit Scan rate (ms)", "button OK", "button Cancel"}));
    QCOMPARE(focused, QStringLiteral("Scan rate (ms)"));
    QCOMPARE(shown, QStringLiteral("1000"));
    QVERIFY(stayedOpenOnEmpty);
    QCOMPARE(scanRate.load(), 250);
    QVERIFY(session.SettingsText().contains("ScanRate=250"));

    QVERIFY(Reactivate(session.Main()));
    script.Then([](QWidget*) {
      Type(QStringLiteral("7"));
      Press(Qt::Key_Escape);
    });
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Setup"), QStringLiteral("Data definition")));
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(scanRate.load(), 250);
  }

  // The error box over a dialog: read as an alert with its text and its one
  // button, closed by the key, and the dialog is still there to correct.
  void refusedValueShowsAReadableErrorBox_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Space") << int(Qt::Key_Space);
  }
  void refusedValueShowsAReadableErrorBox() {
    QFETCH(int, key);
    ProgramSession session;
    QVERIFY(session.Started());
    QString role, name, text, focus;
    QStringList buttons;
    bool dialogStillOpen = false;
    ModalScript script;
    script
        .Then([](QWidget*) {
          Press(Qt::Key_A, Qt::ControlModifier);
          Type(QStringLiteral("abc"));
          Press(Qt::Key_Return);
        })
        .Then([&, key](QWidget* box) {
          QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(box);
          role = alert->role() == QAccessible::AlertMessage ? "alert" : "other";
          name = alert->text(QAccessible::Name);
          text = alert->text(QAccessible::Value);
          buttons = AccessibleNames(box, QAccessible::Button);
          focus = AccessibleName(QApplication::focusWidget());
          Press(key);
        })
        .Then([&](QWidget* dialog) {
          dialogStillOpen = dialog->isVisible();
          Press(Qt::Key_Escape);
        });
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Setup"), QStringLiteral("Data definition")));
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QCOMPARE(role, QStringLiteral("alert"));
    QCOMPARE(name, QStringLiteral("Modbus Master Simulator"));
    QCOMPARE(text, QStringLiteral("'abc' is not a valid integer value."));
    QCOMPARE(buttons, QStringList{"OK"});
    QCOMPARE(focus, QStringLiteral("OK"));
    QVERIFY(dialogStillOpen);
    QCOMPARE(session.Get().state.ScanRate.load(), 0);
  }
};

int RunSettingsAccessTests(int argc, char** argv) {
  SettingsAccessTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "SettingsAccessTest.moc"
