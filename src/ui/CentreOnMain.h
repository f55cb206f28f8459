#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// One coordinate of a window centred on the main window:
// main position + main extent / 2 - own extent / 2, each half truncated toward zero.
constexpr int CentredCoordinate(int mainPosition, int mainExtent, int ownExtent) {
  return mainPosition + mainExtent / 2 - ownExtent / 2;
}

// Top-left corner of a frame of size `own` centred on the frame `main`.
inline QPoint CentredPosition(const QRect& main, const QSize& own) {
  return QPoint(CentredCoordinate(main.left(), main.width(), own.width()),
                CentredCoordinate(main.top(), main.height(), own.height()));
}

// The main window that dialogs centre on; the main window registers itself.
void SetMainWindow(QWidget* mainWindow);
QWidget* MainWindowWidget();

// Moves the top-level `window` so that its frame is centred on the main
// window's frame. Does nothing when there is no main window.
void CentreOnMainWindow(QWidget* window);
