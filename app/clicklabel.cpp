#include "clicklabel.h"

#include <QKeyEvent>
#include <QMouseEvent>

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Q_EMIT clicked();
  QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      Q_EMIT clicked();
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

// Keyboard users need to see which label has the focus.
void ClickLabel::focusInEvent(QFocusEvent* event) {
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QLabel::focusInEvent(event);
}

void ClickLabel::focusOutEvent(QFocusEvent* event) {
  QFont f = font();
  f.setUnderline(false);
  setFont(f);
  QLabel::focusOutEvent(event);
}
