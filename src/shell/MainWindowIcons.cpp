#include "shell/MainWindowIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QtMath>

namespace {

constexpr int kSize = 24;

// Line work that stands on the tool bar itself follows the palette, so it
// shows on dark themes too; pictures with a fill of their own keep it.
bool DarkPalette() { return QApplication::palette().color(QPalette::Window).lightness() < 128; }
QColor LineColour() { return QApplication::palette().color(QPalette::WindowText); }

void Page(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(60, 60, 60), 1.2));
  p.setBrush(Qt::white);
  p.drawRect(r);
}

void Window(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(40, 40, 90), 1.2));
  p.setBrush(QColor(235, 240, 250));
  p.drawRect(r);
  p.setBrush(QColor(40, 80, 170));
  p.drawRect(QRectF(r.left(), r.top(), r.width(), 3.5));
}

void Plug(QPainter& p, bool joined) {
  const QColor colour = joined ? QColor(20, 130, 40) : QColor(180, 30, 30);
  p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
  const qreal gap = joined ? 0 : 5;
  p.drawLine(QPointF(2, 12), QPointF(8 - gap / 2, 12));
  p.drawLine(QPointF(16 + gap / 2, 12), QPointF(22, 12));
  p.setBrush(colour);
  p.drawRect(QRectF(7 - gap / 2, 8, 5, 8));
  p.drawRect(QRectF(12 + gap / 2, 8, 5, 8));
  if (!joined) {
    p.setPen(QPen(colour, 1.6));
    p.drawLine(QPointF(12, 3), QPointF(12, 6));
    p.drawLine(QPointF(12, 18), QPointF(12, 21));
  }
}

void Gear(QPainter& p) {
  const QPointF c(12, 12);
  QPainterPath teeth;
  for (int i = 0; i < 8; ++i) {
    const qreal a = i * M_PI / 4;
    QPolygonF tooth;
    for (qreal da : {-0.22, 0.22}) tooth << c + QPointF(qCos(a + da), qSin(a + da)) * 7.5;
    for (qreal da : {0.14, -0.14}) tooth << c + QPointF(qCos(a + da), qSin(a + da)) * 10.5;
    teeth.addPolygon(tooth);
    teeth.closeSubpath();
  }
  teeth.addEllipse(c, 8, 8);
  p.setPen(Qt::NoPen);
  p.setBrush(DarkPalette() ? QColor(190, 190, 200) : QColor(90, 90, 100));
  p.drawPath(teeth.simplified());
  p.setBrush(QColor(235, 235, 235));
  p.drawEllipse(c, 3.2, 3.2);
}

// Drawn at `scale` times the size, for screens with more pixels per point.
QPixmap Draw(ToolPicture picture, int scale) {
  QPixmap pixmap(kSize * scale, kSize * scale);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  switch (picture) {
    case ToolPicture::New:
      Page(p, QRectF(5, 2.5, 14, 19));
      break;
    case ToolPicture::Open:
      p.setPen(QPen(QColor(120, 90, 20), 1.2));
      p.setBrush(QColor(240, 200, 90));
      p.drawRect(QRectF(2.5, 6.5, 19, 13));
      p.drawRect(QRectF(2.5, 4.5, 7, 2));
      break;
    case ToolPicture::Cut:
      p.setPen(QPen(LineColour(), 1.6));
      p.drawLine(QPointF(7, 3), QPointF(15, 16));
      p.drawLine(QPointF(17, 3), QPointF(9, 16));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(7, 19), 3, 3);
      p.drawEllipse(QPointF(17, 19), 3, 3);
      break;
    case ToolPicture::Copy:
      Page(p, QRectF(3.5, 2.5, 11, 14));
      Page(p, QRectF(9.5, 7.5, 11, 14));
      break;
    case ToolPicture::Paste:
      p.setPen(QPen(QColor(100, 70, 30), 1.2));
      p.setBrush(QColor(190, 150, 90));
      p.drawRect(QRectF(3.5, 4.5, 14, 17));
      p.setBrush(QColor(120, 120, 120));
      p.drawRect(QRectF(7.5, 2.5, 6, 4));
      Page(p, QRectF(10.5, 10.5, 10, 11));
      break;
    case ToolPicture::Cascade:
      Window(p, QRectF(2.5, 2.5, 12, 10));
      Window(p, QRectF(6.5, 6.5, 12, 10));
      Window(p, QRectF(10.5, 10.5, 11, 10));
      break;
    case ToolPicture::TileHorizontally:
      Window(p, QRectF(2.5, 2.5, 19, 9));
      Window(p, QRectF(2.5, 12.5, 19, 9));
      break;
    case ToolPicture::TileVertically:
      Window(p, QRectF(2.5, 2.5, 9, 19));
      Window(p, QRectF(12.5, 2.5, 9, 19));
      break;
    case ToolPicture::Connect:
      Plug(p, true);
      break;
    case ToolPicture::Disconnect:
      Plug(p, false);
      break;
    case ToolPicture::Settings:
      Gear(p);
      break;
  }
  return pixmap;
}

const char* ThemeName(ToolPicture picture) {
  switch (picture) {
    case ToolPicture::New:
      return "document-new";
    case ToolPicture::Open:
      return "document-open";
    case ToolPicture::Cut:
      return "edit-cut";
    case ToolPicture::Copy:
      return "edit-copy";
    case ToolPicture::Paste:
      return "edit-paste";
    default:
      return nullptr;
  }
}

}  // namespace

QIcon ToolIcon(ToolPicture picture) {
  QIcon drawn;
  for (int scale : {1, 2, 3}) drawn.addPixmap(Draw(picture, scale));
  if (const char* name = ThemeName(picture))
    return QIcon::fromTheme(QString::fromLatin1(name), drawn);
  return drawn;
}
