#include "appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap drawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);

  // A rounded tile with a speaker and three waves.
  QLinearGradient tile(0, 0, 0, 64);
  tile.setColorAt(0, QColor(0x2b, 0x6c, 0xb0));
  tile.setColorAt(1, QColor(0x12, 0x3a, 0x66));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

  p.setBrush(QColor(0xff, 0xc8, 0x3d));
  QPainterPath speaker;
  speaker.moveTo(12, 26);
  speaker.lineTo(20, 26);
  speaker.lineTo(30, 17);
  speaker.lineTo(30, 47);
  speaker.lineTo(20, 38);
  speaker.lineTo(12, 38);
  speaker.closeSubpath();
  p.drawPath(speaker);

  QPen wave(QColor(0xff, 0xff, 0xff), 3.5, Qt::SolidLine, Qt::RoundCap);
  p.setPen(wave);
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 3; ++i) {
    const qreal r = 8 + i * 7;
    p.drawArc(QRectF(30 - r, 32 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
  return pixmap;
}

}  // namespace

QIcon makeAppIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(drawIcon(size));
  return icon;
}
