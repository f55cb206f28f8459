#pragma once
#include <QList>
#include <QRect>
#include <QSize>

class QMdiArea;

// Geometry of the Window menu's arrangements, apart from the windows so it can be checked.

// `count` frames splitting `area` into equal bands: stacked one above the other
// (horizontal tiling) or side by side (vertical tiling). The last band takes
// what the integer division leaves over, so the bands cover the area exactly.
QList<QRect> TileBands(const QRect& area, int count, bool sideBySide);

// Positions of `count` icons of size `icon`, lined up from the bottom-left
// corner of `area`, left to right, rows stacked upwards.
QList<QPoint> IconPositions(const QRect& area, const QSize& icon, int count);

// The Window menu's commands on the child windows of `area`.
void TileSubWindows(QMdiArea* area, bool sideBySide);
void MinimizeAllSubWindows(QMdiArea* area);
void ArrangeIcons(QMdiArea* area);
