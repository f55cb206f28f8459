#pragma once
// The whole program driven through its windows, as a user would: a settings
// file, the program built as main() builds it, data windows made with New,
// Connect and Disconnect from the menu handlers, values read off the grids.
#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "datawindow/DataWindow.h"
#include "shell/Program.h"

namespace e2e {

// What the settings file holds for one connection. No protocol: no file,
// as on the first run.
struct LinkSettings {
  QString protocol;
  QString port;  // RTU device path
  QString bitrate = QStringLiteral("115200");
  QString tcpPort;
  QString timeout = QStringLiteral("300");
  QString delayBetweenPolls = QStringLiteral("0");
  QString scanRate = QStringLiteral("20");
};

LinkSettings Tcp(uint16_t port, int timeoutMs = 300);
LinkSettings Rtu(const std::string& device, int timeoutMs = 300);

// functionBox indexes.
enum Function { kCoils = 0, kInputs = 1, kHoldingRegisters = 2, kInputRegisters = 3 };

// One run of the program in a fresh directory that is both the current
// directory (the log lands there) and the settings directory. The main
// window is shown and the splash dismissed, so panel 0 reads "Not connected".
// Every error box is captured instead of shown.
class Run {
 public:
  explicit Run(const LinkSettings& settings);
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // False when the program did not come up (check with QVERIFY).
  bool Started() const { return started_; }
  void WriteSettings(const LinkSettings& settings);

  Program& program() { return *program_; }
  MainWindow& Main() { return *program_->mainWindow; }

  // "&New", then the function chosen in functionBox as a user does, then the
  // address and length typed into their edits.
  DataWindow* NewWindow(Function function, int address, int length = 10);
  // Brings the window's frame to the front, so that mouse events reach it.
  void Activate(DataWindow* window);

  // Connect from the menu handler, then events until its opening has ended
  // (it runs on a thread of its own).
  void Connect();
  void Disconnect() { Main().DisconnectCommand(); }
  // The Connect and Disconnect items, menu and tool bar, agree on "connected".
  bool ControlsConnected() const;
  bool ControlsDisconnected() const;

  // Texts of the error boxes shown so far; TakeErrors() also forgets them.
  const QStringList& Errors() const { return errors_; }
  QStringList TakeErrors();

  // "Transmission.log" of this run's directory.
  QString LogPath() const;
  QByteArray Log() const;
  // Whole lines (ended by CR LF) of the log, without their CR LF.
  QStringList LogLines() const;

  // "E&xit", then the program taken down as main() returning does it.
  // Returns the milliseconds both took.
  qint64 Exit();

 private:
  QTemporaryDir dir_;
  QString previousDirectory_;
  std::unique_ptr<Program> program_;
  QStringList errors_;
  bool started_ = false;
};

// Text of the value cell of `offset` (0 = the window's first address).
QString ValueText(const DataWindow* window, int offset);
// A frame counter label as a number.
int Count(const QLabel* label);

// Selects the value cell of `offset` with the mouse, then double-clicks it.
// A write dialog opened by the double-click is modal: drive it with OnModal
// set up before.
void DoubleClickValue(Run& run, DataWindow* window, int offset);

// Answers the next file dialog with `path`, typed as a user types a name.
void AnswerFileDialog(const QString& path);

// Runs `act` once on the first modal dialog of type D that shows. A dialog
// still open 5 s after `act` (or one never shown within 10 s) is rejected or
// given up on, so a test fails instead of hanging.
template <class D>
void OnModal(std::function<void(D*)> act) {
  auto* timer = new QTimer;
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  auto acted = std::make_shared<bool>(false);
  QObject::connect(timer, &QTimer::timeout, [timer, clock, acted, act] {
    auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
    const bool shown = dialog != nullptr && dialog->isVisible();
    if (!*acted && shown) {
      *acted = true;
      clock->restart();
      act(dialog);
      return;
    }
    const bool finished = *acted ? !shown : false;
    const bool overdue = clock->elapsed() > (*acted ? 5000 : 10000);
    if (!finished && !overdue) return;
    if (shown && overdue) dialog->reject();
    timer->stop();
    timer->deleteLater();
  });
  timer->start(10);
}

}  // namespace e2e
