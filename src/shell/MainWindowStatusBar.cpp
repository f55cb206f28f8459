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
#include <QLayout>
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

namespace {

// A status panel as wide as the widest text it is given or is likely to be
// given, so texts are never cut and numbers that grow by a digit move
// nothing. It only widens. The status bar gives a panel its minimum size,
// so that is the reserved width; the bar itself asks for none, so a window
// made narrower than all panels still may squeeze them.
class StatusPanel : public QLabel {
 public:
  using QLabel::QLabel;
  void Reserve(const QString& text) { Reserve(0, text); }
  // Texts no longer than one already measured are not measured again: the
  // statistics change several times a second, and measuring shapes the text.
  // The 8 pixels to spare cover digits of other widths.
  void Reserve(int least, const QString& text) {
    if (least <= reserved_ && text.size() <= measuredLength_) return;
    measuredLength_ = std::max(measuredLength_, text.size());
    const int width = std::max(
        least, fontMetrics().horizontalAdvance(text) + 2 * frameWidth() + 2 * margin() + 8);
    if (width > reserved_) {
      reserved_ = width;
      // A fixed size lets a new text repaint the panel without a relayout
      // of the status bar, which would measure every panel's text again.
      setFixedSize(reserved_, fontMetrics().height() + 2 * frameWidth() + 2 * margin());
    }
  }
  QSize sizeHint() const override { return QSize(reserved_, QLabel::sizeHint().height()); }
  QSize minimumSizeHint() const override { return sizeHint(); }

 private:
  int reserved_ = 0;
  qsizetype measuredLength_ = 0;
};

}  // namespace

void MainWindow::BuildStatusBar() {
  statusBarWidget = new QStatusBar(this);
  statusBarWidget->setObjectName(QStringLiteral("statusBarWidget"));
  statusBarWidget->setMinimumWidth(1);
  setStatusBar(statusBarWidget);
  // What each panel is, for screen readers; the panel's text itself is its name.
  static const char* const kDescriptions[kPanelCount] = {
      "Connection state", "Bytes sent",         "Bytes received",
      "Requests sent",    "Responses received", "Transmission log status"};
  // Texts as wide as the traffic panels commonly get; wider ones widen them once.
  const QString separator = QLocale().decimalPoint();
  const QString typical[kPanelCount] = {
      QStringLiteral("Not connected"),
      QStringLiteral("Tx : 888%188 KB    88%1888 KB/s").arg(separator),
      QStringLiteral("Rx : 888%188 KB   88%1888 KB/s").arg(separator),
      QStringLiteral("Requests : 888888   88%188/s").arg(separator),
      QStringLiteral("Responses : 888888   88%188/s").arg(separator),
      QString()};
  for (int i = 0; i < kPanelCount; ++i) {
    auto* panel = new StatusPanel(statusBarWidget);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    panel->setAutoFillBackground(true);
    panel->setAccessibleDescription(QString::fromLatin1(kDescriptions[i]));
    // Panels 0 to 4 start at the classic width; the empty last one needs none.
    if (i < kPanelCount - 1) panel->Reserve(kPanelWidth, typical[i]);
    // The last panel takes the room the others leave.
    statusBarWidget->addWidget(panel, i == kPanelCount - 1 ? 1 : 0);
    panels_[i] = panel;
  }
  // Panel 0 also shows the hints of the menus and buttons.
  for (const QAction* action : findChildren<QAction*>())
    static_cast<StatusPanel*>(panels_[0])->Reserve(action->statusTip());
}

int MainWindow::StatusPanelsWidth() const {
  constexpr int kSizeGripAndMargins = 30;
  int width = statusBarWidget->layout()->spacing() * kPanelCount + kSizeGripAndMargins;
  for (const QLabel* panel : panels_) width += panel->minimumSizeHint().width();
  return width;
}

// ---- Status bar ----------------------------------------------------------------------

void MainWindow::SetPanelText(int panel, const QString& text) {
  if (panel < 0 || panel >= kPanelCount - 1) return;  // panel 5 is the log's
  if (text == panels_[panel]->text()) return;  // measuring a text shapes it: idle ticks skip it
  static_cast<StatusPanel*>(panels_[panel])->Reserve(text);
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
  if (traffic_.WouldRepeat(state_.Traffic)) return RefreshLogStatus();
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
