// Form1's frame: one size, no maximise, and what it does when the desktop maximises it anyway.
#include <QEvent>

#include <algorithm>

#include "Form1.h"

namespace {
constexpr int kWidth = 676;
constexpr int kHeight = 564;
constexpr Qt::WindowStates kLarge = Qt::WindowMaximized | Qt::WindowFullScreen;
}  // namespace

void Form1::setUpFrame() {
  content_ = new QWidget(this);
  content_->setObjectName(QStringLiteral("content"));
  content_->setGeometry(0, 0, kWidth, kHeight);
  const QObjectList children = this->children();
  for (QObject* child : children) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || widget == content_ || widget->isWindow()) continue;
    const bool hidden = widget->isHidden();
    const QRect where = widget->geometry();
    widget->setParent(content_);
    widget->setGeometry(where);
    widget->setVisible(!hidden);
  }
  setFixedSize(kWidth, kHeight);
  // A window of one size has nothing to maximise; Wayland decorations and X11 window managers
  // read these flags for the buttons they offer.
  setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) &
                 ~(Qt::WindowMaximizeButtonHint | Qt::WindowFullscreenButtonHint));
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  content_->move(std::max(0, (width() - kWidth) / 2), std::max(0, (height() - kHeight) / 2));
  if (isMinimized() || (windowState() & kLarge) || size() == QSize(kWidth, kHeight)) return;
  resize(kWidth, kHeight);
}

void Form1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // A desktop shortcut may still maximise or fullscreen the window: hand the state back, queued
  // so that the compositor's request is answered (with its size) first.
  if (event->type() == QEvent::WindowStateChange && (windowState() & kLarge))
    QMetaObject::invokeMethod(
        this, [this] { setWindowState(windowState() & ~kLarge); }, Qt::QueuedConnection);
}
