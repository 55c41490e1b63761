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

// Keyboard users need to see which label has the focus. A click focuses the label too, and
// the focus comes back to it when the dialog it opened closes: no mark for those.
void ClickLabel::focusInEvent(QFocusEvent* event) {
  const Qt::FocusReason why = event->reason();
  if (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason)
    keyboardFocus_ = true;
  else if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason)
    keyboardFocus_ = false;
  underline(keyboardFocus_);
  QLabel::focusInEvent(event);
}

void ClickLabel::focusOutEvent(QFocusEvent* event) {
  // Leaving for another window or a popup keeps what the label had for its return.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
    keyboardFocus_ = false;
  underline(false);
  QLabel::focusOutEvent(event);
}

void ClickLabel::underline(bool on) {
  QFont f = font();
  f.setUnderline(on);
  setFont(f);
}
