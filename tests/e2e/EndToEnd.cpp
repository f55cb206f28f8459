#include "e2e/EndToEnd.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>

#include "auxiliary/SplashScreen.h"
#include "datawindow/GridLayout.h"
#include "common/SettingsFile.h"
#include "ui/ErrorBox.h"

namespace e2e {

LinkSettings Tcp(uint16_t port, int timeoutMs) {
  LinkSettings s;
  s.protocol = QStringLiteral("ModbusTCP");
  s.tcpPort = QString::number(port);
  s.timeout = QString::number(timeoutMs);
  return s;
}

LinkSettings Rtu(const std::string& device, int timeoutMs) {
  LinkSettings s;
  s.protocol = QStringLiteral("ModbusRTU");
  s.port = QString::fromStdString(device);
  s.timeout = QString::number(timeoutMs);
  return s;
}

Run::Run(const LinkSettings& settings) {
  if (!dir_.isValid()) return;
  previousDirectory_ = QDir::currentPath();
  QDir::setCurrent(dir_.path());
  mms::SetSettingsDirectory(dir_.path().toStdString());
  WriteSettings(settings);
  SetErrorBoxHook([this](const QString& text) { errors_ << text; });

  program_ = std::make_unique<Program>();
  Main().resize(1400, 1000);
  // The splash is modal at the first showing; click it away as a user does.
  QTimer splashCloser;
  QObject::connect(&splashCloser, &QTimer::timeout, [] {
    if (gSplashScreen && QApplication::activeModalWidget() == gSplashScreen) {
      gSplashScreen->close();
    }
  });
  splashCloser.start(10);
  Main().show();
  started_ = QTest::qWaitForWindowExposed(&Main()) &&
             QTest::qWaitFor(
                 [this] { return Main().PanelText(0) == QStringLiteral("Not connected"); }, 10000);

  // A modal dialog left open would block the test for good; close it and
  // let the test fail on what it expected instead.
  auto* watchdog = new QTimer(&Main());
  auto since = std::make_shared<QElapsedTimer>();
  auto seen = std::make_shared<QPointer<QWidget>>();
  QObject::connect(watchdog, &QTimer::timeout, [this, since, seen] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != *seen) {
      *seen = modal;
      since->restart();
      return;
    }
    if (!modal || since->elapsed() < 15000) return;
    errors_ << QStringLiteral("stuck modal dialog: ") + modal->objectName();
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  });
  watchdog->start(200);
}

Run::~Run() {
  program_.reset();
  SetErrorBoxHook({});
  mms::SetSettingsDirectory("");
  if (!previousDirectory_.isEmpty()) QDir::setCurrent(previousDirectory_);
}

void Run::WriteSettings(const LinkSettings& s) {
  QFile file(dir_.filePath(QString::fromUtf8(mms::kSettingsFileName)));
  if (s.protocol.isEmpty()) {
    file.remove();
    return;
  }
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  const QString text = QStringLiteral(
                           "[Protocol]\nProtocol=%1\n"
                           "[RTUPortSettings]\nPort=%2\nBitrate=%3\nParity=NONE\nStopBits=1\n"
                           "[TCPPortSettings]\nIPAddress=127.0.0.1\nTCPPort=%4\n"
                           "[General]\nTimeout=%5\nDelayBetweenPolls=%6\nScanRate=%7\n")
                           .arg(s.protocol, s.port, s.bitrate, s.tcpPort, s.timeout,
                                s.delayBetweenPolls, s.scanRate);
  file.write(text.toUtf8());
}

DataWindow* Run::NewWindow(Function function, int address, int length) {
  const int slot = program_->state.DataWindows.WindowCount();
  Main().NewWindow();
  DataWindow* window = Main().WindowAt(slot);
  if (!window) return nullptr;
  window->functionBox->setCurrentIndex(function);
  window->FunctionChanged();
  const std::pair<QLineEdit*, int> typed[] = {{window->addressEdit, address},
                                              {window->lengthEdit, length}};
  for (const auto& [edit, value] : typed) {
    edit->selectAll();
    QTest::keyClicks(edit, QString::number(value));
  }
  return window;
}

void Run::Activate(DataWindow* window) {
  if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    Main().MdiArea()->setActiveSubWindow(frame);
    frame->raise();
  }
  QApplication::processEvents();
}

void Run::Connect() {
  Main().ConnectCommand();
  // A test that goes on regardless fails at its own checks of the outcome.
  (void)QTest::qWaitFor([this] { return !program_->connection->Connecting(); }, 30000);
}

bool Run::ControlsConnected() const {
  const MainWindow& m = *program_->mainWindow;
  return !m.connectAction->isEnabled() && !m.connectButton->isEnabled() && m.disconnectAction->isEnabled() &&
         m.disconnectButton->isEnabled();
}

bool Run::ControlsDisconnected() const {
  const MainWindow& m = *program_->mainWindow;
  return m.connectAction->isEnabled() && m.connectButton->isEnabled() && !m.disconnectAction->isEnabled() &&
         !m.disconnectButton->isEnabled();
}

QStringList Run::TakeErrors() {
  QStringList taken;
  taken.swap(errors_);
  return taken;
}

QString Run::LogPath() const { return dir_.filePath(QStringLiteral("Transmission.log")); }

QByteArray Run::Log() const {
  QFile file(LogPath());
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QStringList Run::LogLines() const {
  QByteArray text = Log();
  // A line being written right now is not whole yet.
  const qsizetype end = text.lastIndexOf("\r\n");
  text.truncate(end < 0 ? 0 : end);
  if (text.isEmpty()) return {};
  return QString::fromLatin1(text).split(QStringLiteral("\r\n"));
}

qint64 Run::Exit() {
  QElapsedTimer clock;
  clock.start();
  Main().Exit();
  program_.reset();
  return clock.elapsed();
}

QString ValueText(const DataWindow* window, int offset) {
  const mms::GridCell cell = mms::ValueCellOfOffset(offset);
  const QTableWidgetItem* item = window->grid->item(cell.Row - 1, cell.Col - 1);
  return item ? item->text() : QString();
}

int Count(const QLabel* label) { return label->text().toInt(); }

void DoubleClickValue(Run& run, DataWindow* window, int offset) {
  run.Activate(window);
  const mms::GridCell cell = mms::ValueCellOfOffset(offset);
  QTableWidget* grid = window->grid;
  QTableWidgetItem* item = grid->item(cell.Row - 1, cell.Col - 1);
  if (!item) return;
  grid->scrollToItem(item);
  const QPoint at = grid->visualItemRect(item).center();
  // An item view takes a double-click as the second click of a pair.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void AnswerFileDialog(const QString& path) {
  OnModal<QFileDialog>([path](QFileDialog* dialog) {
    const QFileInfo info(path);
    dialog->setDirectory(info.absolutePath());
    // A file selected at an earlier showing must not win over the typed name.
    if (auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
      list->clearSelection();
    }
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
      name->setText(info.fileName());
    }
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

}  // namespace e2e
