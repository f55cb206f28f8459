#pragma once
#include <QDialog>
#include <QString>

class QLabel;
class QTimer;

// "Jul  3 2014" (the compiler's build date) as shown: "Jul 3 2014".
QString BuildDateText(const char* compilerDate);

// The splash window, also shown by About. One instance for the whole run,
// created at start-up. It closes on a tick of closeTimer (3000 ms, running from
// creation), on a click anywhere, or on Enter, Space or Escape; StopTimer()
// makes it wait for the user.
class SplashScreen : public QDialog {
  Q_OBJECT
 public:
  explicit SplashScreen(QWidget* parent = nullptr);

  void StopTimer();
  // Switches the timer back on; an already running countdown goes on as it is.
  void StartTimer();
  bool TimerRunning() const;
  void SetTimerInterval(int milliseconds);

  QLabel* picture = nullptr;
  QLabel* buildDateLabel = nullptr;
  QTimer* closeTimer = nullptr;

 protected:
  void setVisible(bool visible) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Initialise();
  void PrepareToShow();
  void Dismiss();
  void CloseTimerElapsed();
  QLabel* AddLine(const QString& text, int left, int top, bool bold = false);
};

extern SplashScreen* gSplashScreen;
