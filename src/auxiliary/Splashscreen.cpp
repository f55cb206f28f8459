#include "auxiliary/Splashscreen.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include "auxiliary/AuxiliaryResources.h"
#include "shell/DialogSupport.h"

TSplashScreenForm* SplashScreenForm = nullptr;

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

TSplashScreenForm::TSplashScreenForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  FormCreate();
}

void TSplashScreenForm::FormCreate() {
  InitAuxiliaryResources();
  setObjectName(QStringLiteral("SplashScreenForm"));
  setWindowTitle(QStringLiteral("Zenvik! Modbus Master Simulator"));
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  setFont(SplashFont(11, false));

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(0, 0, 320, 267);
  Image1->setPixmap(QPixmap(QStringLiteral(":/auxiliary/splash.png")));
  Image1->setAccessibleName(QStringLiteral("Program picture"));
  Image1->installEventFilter(this);

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
  lblBuildDate = AddLine(BuildDateText(__DATE__), 488, 176);
  lblBuildDate->setObjectName(QStringLiteral("lblBuildDate"));
  AddLine(QStringLiteral("Made by :"), 328, 192);
  AddLine(QStringLiteral("Modbus Master Simulator project"), 328, 208);
  AddLine(QStringLiteral("See README.md in the source repository"), 328, 224);
  AddLine(QStringLiteral("Licensed under the MIT licence (see License)"), 328, 240);

  for (QLabel* line : findChildren<QLabel*>())
    if (line != Image1) FitLine(line, kWidth - 1);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kTimerMs);
  connect(Timer1, &QTimer::timeout, this, &TSplashScreenForm::Timer1Timer);
  Timer1->start();
}

QLabel* TSplashScreenForm::AddLine(const QString& text, int left, int top, bool bold) {
  auto* label = new QLabel(text, this);
  if (bold) label->setFont(SplashFont(11, true));
  label->move(left, top);
  label->adjustSize();
  return label;
}

void TSplashScreenForm::StopTimer() { Timer1->stop(); }

void TSplashScreenForm::StartTimer() {
  if (!Timer1->isActive()) Timer1->start();
}

bool TSplashScreenForm::TimerRunning() const { return Timer1->isActive(); }

void TSplashScreenForm::SetTimerInterval(int milliseconds) { Timer1->setInterval(milliseconds); }

void TSplashScreenForm::setVisible(bool visible) {
  if (visible && !isVisible()) FormShow();
  QDialog::setVisible(visible);
}

void TSplashScreenForm::FormShow() { CentreOnShownMainWindow(this); }

void TSplashScreenForm::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FormClick();
}

// Without a mouse the keys that close a message close the splash too.
void TSplashScreenForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
      if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) break;
      FormClick();
      return;
    default:
      break;
  }
  QDialog::keyPressEvent(event);
}

bool TSplashScreenForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    FormClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TSplashScreenForm::FormClick() { reject(); }

// The timer keeps running while the window is hidden, as it always has; a
// tick then has nothing to close.
void TSplashScreenForm::Timer1Timer() {
  if (isVisible()) reject();
}
