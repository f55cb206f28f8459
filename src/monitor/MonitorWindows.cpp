#include "monitor/MonitorWindows.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

#include "datawindow/DataWindow.h"
#include "monitor/TrafficMonitor.h"
#include "monitor/TrendWindow.h"
#include "shell/MainWindow.h"

namespace {

// Tool pictures drawn in code, as the other tool buttons' are.
QIcon Picture(bool trend) {
  QIcon icon;
  for (int scale = 1; scale <= 3; ++scale) {
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(1.5, 1.5, 13, 13));
    if (trend) {
      painter.setPen(QPen(QColor(0x00, 0x60, 0xC0), 1.5));
      const QPointF line[] = {{3, 11}, {6, 7}, {9, 9}, {13, 4}};
      painter.drawPolyline(line, 4);
    } else {
      for (int row = 0; row < 4; ++row) {
        painter.setPen(QPen(row % 2 ? QColor(0x00, 0x80, 0x00) : QColor(0x00, 0x60, 0xC0), 1.5));
        painter.drawLine(QPointF(row % 2 ? 6 : 4, 4.5 + 2.5 * row),
                         QPointF(row % 2 ? 12 : 10, 4.5 + 2.5 * row));
      }
    }
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

MonitorWindows::MonitorWindows(MainWindow& mainWindow, mms::TrafficTap& tap)
    : main_(mainWindow), tap_(tap) {
  monitorAction = new QAction(QStringLiteral("Traffic &monitor"), &main_);
  monitorAction->setObjectName(QStringLiteral("trafficMonitorAction"));
  monitorAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+M")));
  monitorAction->setToolTip(QStringLiteral("Traffic monitor"));
  monitorAction->setIcon(Picture(false));
  QObject::connect(monitorAction, &QAction::triggered, &main_, [this] { ShowMonitor(); });
  trendsAction = new QAction(QStringLiteral("T&rends"), &main_);
  trendsAction->setObjectName(QStringLiteral("trendsAction"));
  trendsAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+T")));
  trendsAction->setToolTip(QStringLiteral("Trends"));
  trendsAction->setIcon(Picture(true));
  QObject::connect(trendsAction, &QAction::triggered, &main_, [this] { ShowTrends(); });

  // In the Window menu after the arrangement items, before the window list.
  QMenu* menu = main_.windowMenu;
  const QList<QAction*> items = menu->actions();
  const int after = static_cast<int>(items.indexOf(main_.arrangeAllAction));
  QAction* before = after >= 0 && after + 1 < items.size() ? items[after + 1] : nullptr;
  menu->insertSeparator(before);
  menu->insertAction(before, monitorAction);
  menu->insertAction(before, trendsAction);

  main_.toolBar->addSeparator();
  const struct {
    QAction* action;
    const char* name;
    const char* command;
  } buttons[] = {{monitorAction, "tbTrafficMonitor", "Traffic monitor"},
                 {trendsAction, "tbTrends", "Trends"}};
  for (const auto& b : buttons) {
    main_.toolBar->addAction(b.action);
    QWidget* button = main_.toolBar->widgetForAction(b.action);
    button->setObjectName(QLatin1String(b.name));
    button->setAccessibleName(QLatin1String(b.command));
  }

  DataWindow::AddToTrend = [this](DataWindow& window, int offset) {
    ShowTrends();
    Trends()->AddCell(window, offset);
  };
}

TrafficMonitor* MonitorWindows::Monitor() {
  if (!monitor_) {
    monitor_ = new TrafficMonitor(tap_, &main_);
    MainWindow* main = &main_;
    monitor_->SetWindowNames(
        [main](int slot) {
          const DataWindow* window = main->WindowAt(slot);
          return window ? window->windowTitle() : QString();
        },
        [main] {
          QList<int> open;
          for (int slot = 0; slot < main->State().DataWindows.WindowCount(); ++slot) {
            if (main->WindowAt(slot)) open.append(slot);
          }
          return open;
        });
  }
  return monitor_;
}

TrendWindow* MonitorWindows::Trends() {
  if (!trends_) trends_ = new TrendWindow(&main_);
  return trends_;
}

void MonitorWindows::ShowMonitor() {
  Monitor()->show();
  monitor_->raise();
  monitor_->activateWindow();
}

void MonitorWindows::ShowTrends() {
  Trends()->show();
  trends_->raise();
  trends_->activateWindow();
}
