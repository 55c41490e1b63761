#include "htprgbar.h"

#include <QPainter>

#include <algorithm>

void HtPrgBar::setPercent(int lngNewValue) {
  percent_ = std::clamp(lngNewValue, 0, 100);
  repaint();
}

void HtPrgBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  painter.fillRect(QRect(0, 0, width() * percent_ / 100, height()), palette().color(QPalette::Highlight));
}
