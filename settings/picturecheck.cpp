#include "picturecheck.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

PictureCheck::PictureCheck(QWidget* parent) : QCheckBox(parent) { setCursor(Qt::PointingHandCursor); }

void PictureCheck::setUncheckedPicture(const QPixmap& picture) {
  unchecked_ = picture;
  update();
}

void PictureCheck::setCheckedPicture(const QPixmap& picture) {
  checked_ = picture;
  update();
}

QSize PictureCheck::sizeHint() const {
  const QPixmap& p = unchecked_.isNull() ? checked_ : unchecked_;
  return p.isNull() ? QCheckBox::sizeHint() : p.deviceIndependentSize().toSize() + QSize(4, 4);
}

bool PictureCheck::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void PictureCheck::nextCheckState() {
  setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void PictureCheck::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  const QPixmap& picture = checkState() == Qt::Unchecked ? unchecked_ : checked_;
  const QRect box = rect().adjusted(2, 2, -2, -2);
  if (checkState() == Qt::PartiallyChecked) p.setOpacity(0.45);
  if (!isEnabled()) p.setOpacity(0.35);
  p.drawPixmap(box, picture);
  p.setOpacity(1);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

QPixmap checkPicture(bool checked, int side) {
  const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
  QPixmap picture(QSize(side, side) * ratio);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box(0.75, 0.75, side - 1.5, side - 1.5);
  QLinearGradient fill(0, 0, 0, side);
  if (checked) {
    fill.setColorAt(0, QColor(0x2d, 0x74, 0xc4));
    fill.setColorAt(1, QColor(0x10, 0x36, 0x6b));
  } else {
    fill.setColorAt(0, QColor(0xff, 0xff, 0xff));
    fill.setColorAt(1, QColor(0xe3, 0xea, 0xf3));
  }
  p.setBrush(fill);
  p.setPen(QPen(QColor(0x1b, 0x2e, 0x4a), 1.5));
  p.drawRoundedRect(box, side * 0.2, side * 0.2);
  if (checked) {
    QPainterPath tick;
    tick.moveTo(side * 0.24, side * 0.52);
    tick.lineTo(side * 0.43, side * 0.72);
    tick.lineTo(side * 0.77, side * 0.30);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, side * 0.14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
  }
  return picture;
}
