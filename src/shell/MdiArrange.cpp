#include "shell/MdiArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

namespace {

QList<QMdiSubWindow*> OpenSubWindows(QMdiArea* area) {
  QList<QMdiSubWindow*> open;
  for (QMdiSubWindow* w : area->subWindowList(QMdiArea::CreationOrder))
    if (!w->isHidden()) open.append(w);
  return open;
}

}  // namespace

QList<QRect> TileBands(const QRect& area, int count, bool sideBySide) {
  QList<QRect> bands;
  if (count <= 0 || area.width() <= 0 || area.height() <= 0) return bands;
  const int total = sideBySide ? area.width() : area.height();
  const int step = std::max(1, total / count);
  for (int i = 0; i < count; ++i) {
    // Past the area (more windows than pixels) the bands overlap at its far edge.
    const int start = std::min(i * step, total - step);
    const int extent = (i == count - 1) ? total - start : step;
    bands.append(sideBySide ? QRect(area.left() + start, area.top(), extent, area.height())
                            : QRect(area.left(), area.top() + start, area.width(), extent));
  }
  return bands;
}

QList<QPoint> IconPositions(const QRect& area, const QSize& icon, int count) {
  QList<QPoint> positions;
  if (count <= 0 || icon.width() <= 0 || icon.height() <= 0) return positions;
  const int perRow = std::max(1, area.width() / icon.width());
  for (int i = 0; i < count; ++i) {
    const int row = i / perRow;
    const int column = i % perRow;
    positions.append(QPoint(area.left() + column * icon.width(),
                            area.top() + area.height() - (row + 1) * icon.height()));
  }
  return positions;
}

void TileSubWindows(QMdiArea* area, bool sideBySide) {
  QList<QMdiSubWindow*> tiled;
  int minimized = 0;
  int iconHeight = 0;
  for (QMdiSubWindow* w : OpenSubWindows(area)) {
    if (w->isMinimized()) {
      ++minimized;
      iconHeight = std::max(iconHeight, w->height());
    } else {
      tiled.append(w);
    }
  }
  QRect space = area->viewport()->rect();
  if (minimized > 0) {
    ArrangeIcons(area);
    space.setBottom(space.bottom() - iconHeight);  // keep the icon row visible
  }
  const QList<QRect> bands = TileBands(space, static_cast<int>(tiled.size()), sideBySide);
  for (int i = 0; i < bands.size(); ++i) {
    if (tiled[i]->isMaximized()) tiled[i]->showNormal();
    tiled[i]->setGeometry(bands[i]);
  }
}

void MinimizeAllSubWindows(QMdiArea* area) {
  for (QMdiSubWindow* w : OpenSubWindows(area)) w->showMinimized();
}

void ArrangeIcons(QMdiArea* area) {
  QList<QMdiSubWindow*> icons;
  for (QMdiSubWindow* w : OpenSubWindows(area))
    if (w->isMinimized()) icons.append(w);
  if (icons.isEmpty()) return;
  QSize icon(0, 0);
  for (QMdiSubWindow* w : icons) icon = icon.expandedTo(w->size());
  const QList<QPoint> at = IconPositions(area->viewport()->rect(), icon, icons.size());
  for (int i = 0; i < icons.size(); ++i) icons[i]->move(at[i]);
}
