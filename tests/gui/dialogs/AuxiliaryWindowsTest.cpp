#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "ui/CentreOnMain.h"

#include "DialogTestSupport.h"
#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"

class AuxiliaryWindowsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QWidget> main_;

  static QLabel* LabelWithText(QWidget* window, const QString& text) {
    for (QLabel* label : window->findChildren<QLabel*>())
      if (label->text() == text) return label;
    return nullptr;
  }

 private slots:
  void init() {
    main_ = std::make_unique<QWidget>();
    main_->setGeometry(40, 30, 1001, 701);
    main_->show();
    SetMainWindow(main_.get());
  }
  void cleanup() { main_.reset(); }

  void buildDateDropsTheDayPadding_data() {
    QTest::addColumn<QString>("compiler");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one-digit day") << "Jul  3 2014"
                                   << "Jul 3 2014";
    QTest::newRow("two-digit day") << "Jul 13 2014"
                                   << "Jul 13 2014";
  }
  void buildDateDropsTheDayPadding() {
    QFETCH(QString, compiler);
    QFETCH(QString, shown);
    QCOMPARE(BuildDateText(compiler.toLatin1().constData()), shown);
  }

  void splashShowsItsLinesWhereTheyBelong() {
    SplashScreen splash(main_.get());
    QCOMPARE(splash.size(), QSize(691, 264));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(splash.picture->geometry(), QRect(0, 0, 320, 267));
    QVERIFY(!splash.picture->pixmap().isNull());
    QCOMPARE(splash.picture->pixmap().size(), QSize(320, 267));

    const struct {
      const char* text;
      QPoint at;
      bool bold;
    } lines[] = {{"Zenvik! Modbus Master Simulator", {328, 16}, true},
                 {"Supported Modbus modes : RTU, TCP", {328, 80}, false},
                 {"Version 0.1.8", {328, 176}, true},
                 {"Build date : ", {424, 176}, false}};
    for (const auto& line : lines) {
      QLabel* label = LabelWithText(&splash, QString::fromUtf8(line.text));
      QVERIFY2(label != nullptr, line.text);
      QCOMPARE(label->pos(), line.at);
      QCOMPARE(label->font().bold(), line.bold);
    }
    QLabel* title = LabelWithText(&splash, "Zenvik! Modbus Master Simulator");
    QVERIFY(title->font().pixelSize() <= 21 && title->font().pixelSize() >= 18);
    // Whatever face stands in for Tahoma, no line runs off the window or into the next one.
    for (QLabel* label : splash.findChildren<QLabel*>())
      QVERIFY2(label->geometry().right() < 691 || label == splash.picture,
               qPrintable(label->text()));
    QVERIFY(LabelWithText(&splash, "Build date : ")->geometry().right() < 488);
    QCOMPARE(splash.buildDateLabel->pos(), QPoint(488, 176));
    QVERIFY(QRegularExpression("^[A-Z][a-z]{2} [1-9][0-9]? [0-9]{4}$")
                .match(splash.buildDateLabel->text())
                .hasMatch());
  }

  void splashClosesOnItsTimer() {
    SplashScreen splash(main_.get());
    QVERIFY(splash.TimerRunning());
    QCOMPARE(splash.closeTimer->interval(), 3000);
    splash.SetTimerInterval(50);
    splash.open();
    QVERIFY(splash.isVisible());
    QTRY_VERIFY(!splash.isVisible());
    // A tick while hidden does nothing; the next showing is closed by a later tick.
    splash.open();
    QTRY_VERIFY(!splash.isVisible());
  }

  void splashClosesOnAClick_data() {
    QTest::addColumn<bool>("onPicture");
    QTest::newRow("on the window") << false;
    QTest::newRow("on the picture") << true;
  }
  void splashClosesOnAClick() {
    QFETCH(bool, onPicture);
    SplashScreen splash(main_.get());
    splash.open();
    QWidget* target = onPicture ? static_cast<QWidget*>(splash.picture) : &splash;
    QTest::mouseClick(target, Qt::LeftButton, {}, onPicture ? QPoint(10, 10) : QPoint(600, 250));
    QVERIFY(!splash.isVisible());
  }

  void afterStopTimerTheSplashWaitsForAClick() {
    SplashScreen splash(main_.get());
    splash.SetTimerInterval(20);
    splash.StopTimer();
    for (int showing = 0; showing < 2; ++showing) {  // two About commands in a row
      splash.open();
      QTest::qWait(150);
      QVERIFY(splash.isVisible());
      QVERIFY(!splash.TimerRunning());
      QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(500, 40));
      QVERIFY(!splash.isVisible());
    }
    splash.StartTimer();
    QVERIFY(splash.TimerRunning());
  }

  void splashIsCentredOnTheMainWindowWhenShown() {
    SplashScreen splash(main_.get());
    splash.StopTimer();
    main_->move(120, 80);
    splash.open();
    QVERIFY(CentredOn(splash, *main_));
    splash.reject();
    main_->move(400, 300);  // centred again at every showing
    splash.open();
    QVERIFY(CentredOn(splash, *main_));
    splash.reject();
  }

  void licenceIsReadOnlyWrappedAndHoldsTheProjectLicence() {
    LicenseDialog license(main_.get());
    QCOMPARE(license.windowTitle(), QStringLiteral("Zenvik! Modbus Master Simulator license"));
    QCOMPARE(license.size(), QSize(526, 310));
    QCOMPARE(license.pos(), QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    QVERIFY(license.textView->isReadOnly());
    QCOMPARE(license.textView->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    const QString text = license.textView->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("MIT License")));
    QVERIFY(text.contains(QStringLiteral("Permission is hereby granted, free of charge")));
    QVERIFY(LicenceText().contains(QStringLiteral("copy\nof this software")));
    QVERIFY(text.contains(QStringLiteral("copy of this software")));  // re-wraps at any width
    QCOMPARE(text.simplified(), LicenceText().simplified());          // every word, in order
    QCOMPARE(text.count(QStringLiteral("\n\n")), LicenceText().trimmed().count("\n\n"));

    license.show();
    license.textView->setFocus();
    QTest::keyClicks(license.textView, QStringLiteral("typed"));
    QCOMPARE(license.textView->toPlainText(), text);
    QVERIFY(license.textView->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    QVERIFY(!license.textView->accessibleName().isEmpty());

    // Resizable, and the memo follows the window.
    license.resize(300, 500);
    QTRY_COMPARE(license.textView->size(), QSize(300, 500));
  }
};

QTEST_MAIN(AuxiliaryWindowsTest)
#include "AuxiliaryWindowsTest.moc"
