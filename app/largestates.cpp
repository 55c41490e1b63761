#include "largestates.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {
constexpr Qt::WindowStates kLarge = Qt::WindowMaximized | Qt::WindowFullScreen;
const char* const kFollowed = "vantorAnyFrameSize";

bool followed(const QWidget* widget) {
  return widget->isWindow() && widget->windowHandle() && widget->windowHandle()->property(kFollowed).toBool();
}

void allowAnySize(QWindow* window) {
  const QSize any(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (window->maximumSize() != any) window->setMaximumSize(any);
}
}  // namespace

// Once shown, its decorations are known: Qt's own have margins, a server's have none.
void LargeStateGuard::follow(QWindow* window) {
  if (window->property(kFollowed).toBool() || window->frameMargins().isNull() ||
      !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
    return;
  window->setProperty(kFollowed, true);
  // A widget sets its limits on its window again whenever they change (a message box does on
  // every layout): lift them again at once.
  connect(window, &QWindow::maximumWidthChanged, window, [window] { allowAnySize(window); });
  connect(window, &QWindow::maximumHeightChanged, window, [window] { allowAnySize(window); });
  allowAnySize(window);
}

bool LargeStateGuard::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose) {
    if (auto* window = qobject_cast<QWindow*>(watched)) follow(window);
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || !followed(widget)) return false;
  // Queued: the compositor's request is answered (with its size) first.
  QPointer<QWidget> later(widget);
  if (event->type() == QEvent::WindowStateChange && (widget->windowState() & kLarge)) {
    QMetaObject::invokeMethod(
        widget,
        [later] {
          if (later) later->setWindowState(later->windowState() & ~kLarge);
        },
        Qt::QueuedConnection);
  } else if (event->type() == QEvent::Resize && !(widget->windowState() & (kLarge | Qt::WindowMinimized)) &&
             widget->size() != widget->size().boundedTo(widget->maximumSize())) {
    QMetaObject::invokeMethod(
        widget,
        [later] {
          if (later && !(later->windowState() & kLarge)) later->resize(later->size().boundedTo(later->maximumSize()));
        },
        Qt::QueuedConnection);
  }
  return false;
}
