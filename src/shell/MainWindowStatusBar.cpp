// The status bar: six panels, the traffic statistics and the help texts.
#include "shell/MainWindow.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "auxiliary/LicenseDialog.h"
#include "auxiliary/SplashScreen.h"
#include "common/Errors.h"
#include "datawindow/DataWindow.h"
#include "log/TransmissionLog.h"
#include "shell/ConnectionSettingsDialog.h"
#include "shell/DataDefinitionDialog.h"
#include "shell/MainWindowIcons.h"
#include "shell/MdiArrange.h"
#include "shell/WindowCommands.h"
#include "ui/CentreOnMain.h"
#include "ui/ErrorBox.h"
#include "ui/QtUiDispatcher.h"

void MainWindow::BuildStatusBar() {
  statusBarWidget = new QStatusBar(this);
  statusBarWidget->setObjectName(QStringLiteral("statusBarWidget"));
  setStatusBar(statusBarWidget);
  // What each panel is, for screen readers; the panel's text itself is its name.
  static const char* const kDescriptions[kPanelCount] = {"Connection state",   "Bytes sent",
                                                         "Bytes received",     "Requests sent",
                                                         "Responses received", "Unused"};
  for (int i = 0; i < kPanelCount; ++i) {
    auto* panel = new QLabel(statusBarWidget);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panel->setFixedWidth(kPanelWidth);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    panel->setAccessibleDescription(QString::fromLatin1(kDescriptions[i]));
    statusBarWidget->addWidget(panel);
    panels_[i] = panel;
  }
}

// ---- Status bar ----------------------------------------------------------------------

void MainWindow::SetPanelText(int panel, const QString& text) {
  if (panel < 0 || panel >= kPanelCount - 1) return;  // panel 5 is the log's
  panels_[panel]->setText(text);
}

QString MainWindow::PanelText(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return QString();
  return panels_[panel]->text();
}

QLabel* MainWindow::Panel(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return nullptr;
  return panels_[panel];
}

// Panel 0 is the hint line: it follows the help text under the pointer or of
// the highlighted menu item, but only when that text changes, so items
// without help leave a connection text in place.
bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (tip != hint_) {
      hint_ = tip;
      SetPanelText(0, tip);
    }
    return true;
  }
  return QMainWindow::event(event);
}

void MainWindow::RefreshStatistics() {
  // The texts are built with a stand-in separator that is then replaced by
  // the locale's, which need not be a single byte.
  constexpr char kSeparator = '\x01';
  const mms::TrafficStatistics::Panels texts = traffic_.Tick(state_.Traffic, kSeparator);
  const QString separator = QLocale().decimalPoint();
  const std::string* panelTexts[] = {&texts.tx, &texts.rx, &texts.requests, &texts.responses};
  for (int i = 0; i < 4; ++i)
    SetPanelText(
        i + 1, QString::fromStdString(*panelTexts[i]).replace(QLatin1Char(kSeparator), separator));
  RefreshLogStatus();
}

// "" while the log is fine, which costs no allocation; the label is touched
// only when the text changes.
void MainWindow::RefreshLogStatus() {
  if (!log_) return;
  std::string status = log_->StatusText();
  if (status == logStatus_) return;
  logStatus_ = std::move(status);
  QLabel* panel = panels_[kPanelCount - 1];
  panel->setText(QString::fromStdString(logStatus_));
  panel->setToolTip(panel->text());  // the panel may be too narrow for it
}

void MainWindow::SetConnectedControls(bool connected) {
  connectAction->setEnabled(!connected);
  disconnectAction->setEnabled(connected);
}
