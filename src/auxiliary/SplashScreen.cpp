#include "auxiliary/SplashScreen.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include "auxiliary/AuxiliaryResources.h"
#include "shell/DialogSupport.h"

SplashScreen* gSplashScreen = nullptr;

namespace {

constexpr int kWidth = 691;
constexpr int kHeight = 264;
constexpr int kTimerMs = 3000;

QFont SplashFont(int pixelHeight, bool bold) {
  QFont font;
  // Tahoma is rarely present off Windows; narrow faces keep the lines in place.
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans Narrow"),
                    QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

// A wider stand-in face may not fit where the line was placed: shrink it until
// it ends before `right`.
void FitLine(QLabel* label, int right) {
  QFont font = label->font();
  while (label->x() + label->sizeHint().width() > right && font.pixelSize() > 6) {
    font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
  }
  label->adjustSize();
}

}  // namespace

QString BuildDateText(const char* compilerDate) {
  // The compiler pads a one-digit day with a blank: "Jul  3 2014".
  return QString::fromLatin1(compilerDate).simplified();
}

SplashScreen::SplashScreen(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  Initialise();
}

void SplashScreen::Initialise() {
  InitAuxiliaryResources();
  setObjectName(QStringLiteral("SplashScreen"));
  setWindowTitle(QStringLiteral("Zenvik! Modbus Master Simulator"));
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  setFont(SplashFont(11, false));

  picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("picture"));
  picture->setGeometry(0, 0, 320, 267);
  picture->setPixmap(QPixmap(QStringLiteral(":/auxiliary/splash.png")));
  picture->setAccessibleName(QStringLiteral("Program picture"));
  picture->installEventFilter(this);

  QLabel* title = AddLine(QStringLiteral("Zenvik! Modbus Master Simulator"), 328, 16);
  title->setFont(SplashFont(21, true));
  AddLine(QStringLiteral("Supported Modbus modes : RTU, TCP"), 328, 80);
  QLabel* note =
      AddLine(QStringLiteral("Free software: use it, share it, improve it."), 336, 112, true);
  QPalette aqua = note->palette();
  aqua.setColor(QPalette::WindowText, QColor(0, 255, 255));
  note->setPalette(aqua);
  AddLine(QStringLiteral("Version 0.1.8"), 328, 176, true);
  FitLine(AddLine(QStringLiteral("Build date : "), 424, 176), 488);
  buildDateLabel = AddLine(BuildDateText(__DATE__), 488, 176);
  buildDateLabel->setObjectName(QStringLiteral("buildDateLabel"));
  AddLine(QStringLiteral("Made by :"), 328, 192);
  AddLine(QStringLiteral("Modbus Master Simulator project"), 328, 208);
  AddLine(QStringLiteral("See README.md in the source repository"), 328, 224);
  AddLine(QStringLiteral("Licensed under the MIT licence (see License)"), 328, 240);

  for (QLabel* line : findChildren<QLabel*>())
    if (line != picture) FitLine(line, kWidth - 1);

  closeTimer = new QTimer(this);
  closeTimer->setObjectName(QStringLiteral("closeTimer"));
  closeTimer->setInterval(kTimerMs);
  connect(closeTimer, &QTimer::timeout, this, &SplashScreen::CloseTimerElapsed);
  closeTimer->start();
}

QLabel* SplashScreen::AddLine(const QString& text, int left, int top, bool bold) {
  auto* label = new QLabel(text, this);
  if (bold) label->setFont(SplashFont(11, true));
  label->move(left, top);
  label->adjustSize();
  return label;
}

void SplashScreen::StopTimer() { closeTimer->stop(); }

void SplashScreen::StartTimer() {
  if (!closeTimer->isActive()) closeTimer->start();
}

bool SplashScreen::TimerRunning() const { return closeTimer->isActive(); }

void SplashScreen::SetTimerInterval(int milliseconds) { closeTimer->setInterval(milliseconds); }

void SplashScreen::setVisible(bool visible) {
  if (visible && !isVisible()) PrepareToShow();
  QDialog::setVisible(visible);
}

void SplashScreen::PrepareToShow() {
  CentreOnShownMainWindow(this);
  // The window manager may still place the main window after it is shown:
  // the splash follows it while open.
  if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr) {
    main->removeEventFilter(this);
    main->installEventFilter(this);
  }
}

void SplashScreen::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Dismiss();
}

// Without a mouse the keys that close a message close the splash too.
void SplashScreen::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
      if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) break;
      Dismiss();
      return;
    default:
      break;
  }
  QDialog::keyPressEvent(event);
}

bool SplashScreen::eventFilter(QObject* watched, QEvent* event) {
  if (watched != picture && isVisible() &&
      (event->type() == QEvent::Move || event->type() == QEvent::Resize))
    CentreOnShownMainWindow(this);
  if (watched == picture && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Dismiss();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void SplashScreen::Dismiss() { reject(); }

// The timer keeps running while the window is hidden, as it always has; a
// tick then has nothing to close.
void SplashScreen::CloseTimerElapsed() {
  if (isVisible()) reject();
}
