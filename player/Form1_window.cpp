// Form1's frame: one size, no maximise, and what it does when the desktop maximises it anyway.
#include <QGuiApplication>
#include <QShowEvent>
#include <QWindow>

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

void Form1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (windowHandle()) windowHandle()->installEventFilter(this);  // for followFrame, once exposed
}

// Where Qt draws the decorations itself (a Wayland compositor without server-side ones, such as
// weston or GNOME) they offer maximise whatever the flags say, and the compositor may maximise by
// a shortcut: a maximised window must then have exactly the size it is given, or the compositor
// ends the program. So there the window may take any size; resizeEvent keeps it at its own
// otherwise. Elsewhere it keeps one fixed size, which also tells the desktop not to offer
// maximise and not to tile it.
void Form1::followFrame() {
  if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) || !windowHandle() ||
      windowHandle()->frameMargins().isNull() || maximumSize() != QSize(kWidth, kHeight))
    return;
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
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
