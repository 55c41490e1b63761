#include "appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

const QColor kSpeaker(0xff, 0xc8, 0x3d);
const QColor kWave(0xff, 0xff, 0xff);

QLinearGradient tileGradient(qreal height) {
  QLinearGradient tile(0, 0, 0, height);
  tile.setColorAt(0, QColor(0x2b, 0x6c, 0xb0));
  tile.setColorAt(1, QColor(0x12, 0x3a, 0x66));
  return tile;
}

// A rounded tile with a speaker and three waves, drawn on a 64 grid.
void drawLarge(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(tileGradient(64));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

  p.setBrush(kSpeaker);
  QPainterPath speaker;
  speaker.moveTo(12, 26);
  speaker.lineTo(20, 26);
  speaker.lineTo(30, 17);
  speaker.lineTo(30, 47);
  speaker.lineTo(20, 38);
  speaker.lineTo(12, 38);
  speaker.closeSubpath();
  p.drawPath(speaker);

  p.setPen(QPen(kWave, 3.5, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 3; ++i) {
    const qreal r = 8 + i * 7;
    p.drawArc(QRectF(30 - r, 32 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
}

// The same picture for panels and menus (16 to 24 pixels), drawn on a 16 grid: the tile fills
// the square, the speaker's edges lie on whole pixels, and two waves of a pixel and a half
// stay apart where three thin ones scaled down would run into one grey blur.
void drawSmall(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(tileGradient(16));
  p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);

  p.setBrush(kSpeaker);
  p.drawPolygon(QPolygonF({{2, 6}, {4, 6}, {7, 3}, {7, 13}, {4, 10}, {2, 10}}));

  p.setPen(QPen(kWave, 1.5, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  for (const qreal r : {3.25, 6.25}) p.drawArc(QRectF(7 - r, 8 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
}

QPixmap drawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const bool small = size < 32;
  const qreal grid = small ? 16.0 : 64.0;
  p.scale(size / grid, size / grid);
  if (small)
    drawSmall(p);
  else
    drawLarge(p);
  return pixmap;
}

}  // namespace

QIcon makeAppIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(drawIcon(size));
  return icon;
}
