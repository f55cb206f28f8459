// The helpers every window uses: the error box, centring on the main window,
// the dispatcher over the event loop; and the Window menu's arrangements.
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "common/Errors.h"
#include "shell/MdiArrange.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

class UiHelpersTest : public QObject {
  Q_OBJECT

 private slots:
  void errorBoxTextGetsAFullStopAfterCharactersSortingAfterIt_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "'x' is not a valid integer value"
                            << "'x' is not a valid integer value.";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("below '.': '!'") << "Stop!"
                                    << "Stop!";
    QTest::newRow("below '.': '-'") << "a-"
                                    << "a-";
    QTest::newRow("just above: '/'") << "C:/"
                                     << "C:/.";
    QTest::newRow("digit") << "COM1"
                           << "COM1.";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("non-ASCII last")
        << QString::fromUtf8("Zähler ß") << QString::fromUtf8("Zähler ß.");
  }
  void errorBoxTextGetsAFullStopAfterCharactersSortingAfterIt() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    auto box = MakeErrorBox(nullptr, message);
    QCOMPARE(box->text(), shown);
    QCOMPARE(box->windowTitle(), QStringLiteral("Modbus Master Simulator"));
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void showErrorBoxIsModalAndClosedByOk() {
    QString seen;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      seen = box->text();
      box->button(QMessageBox::Ok)->click();
    });
    ShowErrorBox(nullptr, QStringLiteral("Unable to write to /x"));
    QCOMPARE(seen, QStringLiteral("Unable to write to /x."));
  }

  void commandErrorsEndTheCommandAndReachTheBox() {
    QStringList shown;
    SetErrorBoxHook([&](const QString& text) { shown << text; });
    int steps = 0;
    QVERIFY(RunCommand(nullptr, [&] { ++steps; }));
    QVERIFY(!RunCommand(nullptr, [&] {
      ++steps;
      throw mms::Error("'abc' is not a valid integer value");
      ++steps;
    }));
    QVERIFY(!RunCommand(nullptr, [] { throw std::runtime_error("disk full"); }));
    QVERIFY(!RunCommand(nullptr, [] { throw 42; }));
    SetErrorBoxHook({});
    QCOMPARE(steps, 2);
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0], QStringLiteral("'abc' is not a valid integer value."));
    QCOMPARE(shown[1], QStringLiteral("disk full."));
  }

  void centringTruncatesEachHalfTowardZero_data() {
    QTest::addColumn<int>("mainPos");
    QTest::addColumn<int>("mainExtent");
    QTest::addColumn<int>("ownExtent");
    QTest::addColumn<int>("expected");
    QTest::newRow("even") << 100 << 800 << 200 << 400;
    QTest::newRow("odd halves") << 10 << 101 << 51 << 35;  // 10 + 50 - 25
    QTest::newRow("bigger than main") << 0 << 300 << 501 << -100;
    QTest::newRow("main off screen") << -7 << 3 << 8 << -10;  // -7 + 1 - 4
    QTest::newRow("zero sizes") << 5 << 0 << 0 << 5;
  }
  void centringTruncatesEachHalfTowardZero() {
    QFETCH(int, mainPos);
    QFETCH(int, mainExtent);
    QFETCH(int, ownExtent);
    QFETCH(int, expected);
    QCOMPARE(CentredCoordinate(mainPos, mainExtent, ownExtent), expected);
  }

  void centreOnMainWindowMovesTheFrame() {
    QWidget main;
    main.setGeometry(100, 50, 701, 501);
    QWidget dialog;
    dialog.resize(201, 101);
    CentreOnMainWindow(&dialog);  // no main window yet: stays put
    const QPoint before = dialog.pos();
    QCOMPARE(dialog.pos(), before);
    SetMainWindow(&main);
    CentreOnMainWindow(&dialog);
    const QRect frame = main.frameGeometry();
    QCOMPARE(dialog.frameGeometry().topLeft(),
             QPoint(frame.left() + frame.width() / 2 - dialog.frameGeometry().width() / 2,
                    frame.top() + frame.height() / 2 - dialog.frameGeometry().height() / 2));
    SetMainWindow(nullptr);
  }

  void dispatcherRunsWorkerTasksOnTheUiThread() {
    QtUiDispatcher dispatcher;
    QThread* uiThread = QThread::currentThread();
    QThread* ranOn = nullptr;
    std::atomic<bool> result{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
      result = dispatcher.RunAndWait([&] { ranOn = QThread::currentThread(); });
      dispatcher.Post([&] { done = true; });
    });
    QTRY_VERIFY(done.load());
    worker.join();
    QVERIFY(result.load());
    QCOMPARE(ranOn, uiThread);

    bool direct = false;  // on the user-interface thread: at once, no event loop needed
    QVERIFY(dispatcher.RunAndWait([&] { direct = true; }));
    QVERIFY(direct);
  }

  void dispatcherTasksRunWhileAModalDialogIsOpen() {
    QtUiDispatcher dispatcher;
    QDialog dialog;
    std::atomic<bool> result{false};
    std::thread worker;
    QTimer::singleShot(0, [&] {
      worker = std::thread([&] { result = dispatcher.RunAndWait([&] { dialog.accept(); }); });
    });
    dialog.exec();  // only ends if the task ran inside the dialog's own loop
    worker.join();
    QVERIFY(result.load());
  }

  void tileBandsShareTheAreaExactly_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("sideBySide");
    QTest::newRow("3 stacked in 100") << QRect(0, 0, 50, 100) << 3 << false;
    QTest::newRow("3 side by side in 100") << QRect(10, 20, 100, 40) << 3 << true;
    QTest::newRow("one") << QRect(0, 0, 7, 9) << 1 << true;
    QTest::newRow("more windows than pixels") << QRect(0, 0, 4, 10) << 9 << true;
  }
  void tileBandsShareTheAreaExactly() {
    QFETCH(QRect, area);
    QFETCH(int, count);
    QFETCH(bool, sideBySide);
    const QList<QRect> bands = TileBands(area, count, sideBySide);
    QCOMPARE(bands.size(), count);
    QRect covered;
    for (const QRect& band : bands) {
      QVERIFY(area.contains(band));
      QVERIFY(!band.isEmpty());
      QCOMPARE(sideBySide ? band.height() : band.width(),
               sideBySide ? area.height() : area.width());
      covered |= band;
    }
    QCOMPARE(covered, area);
    if (count <= (sideBySide ? area.width() : area.height())) {
      for (int i = 1; i < count; ++i)  // adjacent, no overlap
        QCOMPARE(sideBySide ? bands[i].left() : bands[i].top(),
                 sideBySide ? bands[i - 1].right() + 1 : bands[i - 1].bottom() + 1);
    }
    QVERIFY(TileBands(area, 0, sideBySide).isEmpty());
    QVERIFY(TileBands(QRect(), 3, sideBySide).isEmpty());
  }

  void iconsLineUpFromTheBottomLeftAndWrapUpwards() {
    const QList<QPoint> at = IconPositions(QRect(0, 0, 250, 300), QSize(100, 30), 5);
    QCOMPARE(at, QList<QPoint>({{0, 270}, {100, 270}, {0, 240}, {100, 240}, {0, 210}}));
    QCOMPARE(IconPositions(QRect(0, 0, 50, 300), QSize(100, 30), 2),
             QList<QPoint>({{0, 270}, {0, 240}}));  // narrower than one icon: one per row
    QVERIFY(IconPositions(QRect(0, 0, 50, 300), QSize(0, 30), 2).isEmpty());
  }
};

QTEST_MAIN(UiHelpersTest)
#include "UiHelpersTest.moc"
