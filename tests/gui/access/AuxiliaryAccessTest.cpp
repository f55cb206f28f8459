// The splash (about) and licence windows without a mouse: what they say to a
// screen reader and the keys that close them.
#include <QApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>

#include "AccessTestSupport.h"
#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"

class AuxiliaryAccessTest : public QObject {
  Q_OBJECT

 private slots:
  void aboutReadsItsLinesAndClosesOnAKey_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
  }
  void aboutReadsItsLinesAndClosesOnAKey() {
    QFETCH(int, key);
    ProgramSession session;  // the start-up splash already went with Enter
    QVERIFY(session.Started());

    QString name;
    QStringList texts, pictures;
    bool openAfterOtherKeys = false;
    ModalScript script;
    script.Then([&](QWidget* splash) {
      QAccessibleInterface* window = QAccessible::queryAccessibleInterface(splash);
      name = window->text(QAccessible::Name);
      texts = StaticTexts(splash);
      pictures = AccessibleNames(splash, QAccessible::Graphic);
      // Without its timer only a closing key ends the showing.
      Press(Qt::Key_A);
      Press(Qt::Key_Tab);
      Press(Qt::Key_Return, Qt::ControlModifier);
      openAfterOtherKeys = splash->isVisible();
      Press(key);
    });
    Press(Qt::Key_H, Qt::AltModifier);
    QVERIFY(QApplication::activePopupWidget() == session.Main()->helpMenu);
    Press(Qt::Key_A);  // "&About..."
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QVERIFY(!gSplashScreen->isVisible());
    QVERIFY(openAfterOtherKeys);
    QCOMPARE(name, QStringLiteral("Zenvik! Modbus Master Simulator"));
    QCOMPARE(pictures, QStringList{"Program picture"});
    for (const char* line :
         {"Zenvik! Modbus Master Simulator", "Supported Modbus modes : RTU, TCP", "Version 0.1.8"})
      QVERIFY2(texts.contains(QLatin1String(line)), line);
    int date = 0;
    while (date < texts.size() && !texts[date].startsWith(QStringLiteral("Build date"))) ++date;
    QVERIFY(date + 1 < texts.size());
    QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z][a-z]{2} \\d{1,2} \\d{4}$"))
                 .match(texts[date + 1])
                 .hasMatch(),
             qPrintable(texts[date + 1]));
  }

  void licenceTextIsFocusedReadableAndReadOnly() {
    ProgramSession session;
    QVERIFY(session.Started());
    QString windowName, memoName, before, after;
    bool readOnly = false;
    int caretBefore = -1, caretAfter = -1;
    ModalScript script;
    script.Then([&](QWidget* window) {
      windowName = AccessibleName(window);
      QAccessibleInterface* memo =
          QAccessible::queryAccessibleInterface(QApplication::focusWidget());
      memoName = memo->role() == QAccessible::EditableText ? memo->text(QAccessible::Name) : "";
      readOnly = memo->state().readOnly;
      before = memo->text(QAccessible::Value);
      QAccessibleTextInterface* text = memo->textInterface();
      caretBefore = text ? text->cursorPosition() : -1;
      Press(Qt::Key_End, Qt::ControlModifier);  // the caret walks the text
      caretAfter = text ? text->cursorPosition() : -1;
      Type(QStringLiteral("typed"));
      Press(Qt::Key_Backspace);
      after = memo->text(QAccessible::Value);
      Press(Qt::Key_Escape);
    });
    QVERIFY(ChooseFromMenuBar(QStringLiteral("Help"), QStringLiteral("License")));
    QTRY_VERIFY(script.Finished());
    QVERIFY(script.Stuck().isEmpty());
    QVERIFY(!gLicenseDialog->isVisible());
    QCOMPARE(windowName, QStringLiteral("Zenvik! Modbus Master Simulator license"));
    QCOMPARE(memoName, QStringLiteral("License text"));
    QVERIFY(readOnly);
    QVERIFY2(before.startsWith(QStringLiteral("MIT License")), qPrintable(before.left(40)));
    QCOMPARE(after, before);
    QCOMPARE(caretBefore, 0);
    QCOMPARE(caretAfter, before.size());
  }
};

int RunAuxiliaryAccessTests(int argc, char** argv) {
  AuxiliaryAccessTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "AuxiliaryAccessTest.moc"
