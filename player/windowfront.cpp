// Bringing a window to the front when the desktop asks (another start, the media controls).
#include "windowfront.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "app/app_log.h"

namespace {

bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

// The time of the launch that a startup id carries ("..._TIME<stamp>"); X11 window managers let
// an activation with a recent time take the focus.
xcb_timestamp_t startupTime(const QString& id) {
  const qsizetype at = id.lastIndexOf(QLatin1String("_TIME"));
  bool ok = false;
  const uint time = at < 0 ? 0 : id.mid(at + 5).toUInt(&ok);
  return ok ? time : XCB_CURRENT_TIME;
}

// On X11 the token is the startup id of the copy that handed over: activate with its time, and
// end the launcher's startup feedback for it (that copy never showed a window to end it).
void activateWithStartupId(QWidget* window, const QString& id) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return;
  xcb_connection_t* connection = x11->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const auto windowId = xcb_window_t(window->winId());

  xcb_client_message_event_t active{};
  active.response_type = XCB_CLIENT_MESSAGE;
  active.format = 32;
  active.window = windowId;
  active.type = internAtom(connection, "_NET_ACTIVE_WINDOW");
  active.data.data32[0] = 1;  // from an application
  active.data.data32[1] = startupTime(id);
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&active));

  QByteArray quoted = id.toLatin1();
  quoted.replace('\\', "\\\\").replace('"', "\\\"");
  const QByteArray message = "remove: ID=\"" + quoted + "\"" + '\0';
  xcb_client_message_event_t piece{};
  piece.response_type = XCB_CLIENT_MESSAGE;
  piece.format = 8;
  piece.window = windowId;
  const xcb_atom_t first = internAtom(connection, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t next = internAtom(connection, "_NET_STARTUP_INFO");
  for (qsizetype at = 0; at < message.size(); at += 20) {
    piece.type = at == 0 ? first : next;
    std::memset(piece.data.data8, 0, sizeof piece.data.data8);
    std::memcpy(piece.data.data8, message.constData() + at, size_t(qMin<qsizetype>(20, message.size() - at)));
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                   reinterpret_cast<const char*>(&piece));
  }
  xcb_flush(connection);
}

// Asks for the focus. Qt's Wayland plugin activates with the token it finds in
// XDG_ACTIVATION_TOKEN (and then clears it); it is set only for this one request, so that it
// neither goes stale nor reaches the programs this one starts.
void requestActivation(QWidget* window, const QString& token) {
  const bool wayland = onWayland() && !token.isEmpty();
  if (wayland) qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
  window->activateWindow();
  if (wayland) qunsetenv("XDG_ACTIVATION_TOKEN");
  const bool x11 = !token.isEmpty() && QGuiApplication::platformName() == QLatin1String("xcb");
  if (x11) activateWithStartupId(window, token);
  qCInfo(lcApp) << "activation requested"
                << (wayland || x11 ? "with the launcher's token" : "without a token");
}

// A window that was hidden is mapped again only after the window system has shown it (on
// Wayland with its first frame); an activation sent before that is dropped, so it waits.
class ActivateWhenExposed final : public QObject {
 public:
  ActivateWhenExposed(QWidget* window, QString token)
      : QObject(window), window_(window), token_(std::move(token)) {
    window->windowHandle()->installEventFilter(this);
    // A compositor that never shows the window must not keep the token forever.
    QTimer::singleShot(10000, this, [this] { deleteLater(); });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
      watched->removeEventFilter(this);
      // After the expose has painted: the compositor maps the window with that first frame.
      QMetaObject::invokeMethod(
          this,
          [this] {
            requestActivation(window_, token_);
            deleteLater();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QWidget* window_;
  QString token_;
};

}  // namespace

void bringToFront(QWidget* window, const QString& activationToken) {
  if (window->windowState() & Qt::WindowMinimized)
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  if ((onWayland() || !activationToken.isEmpty()) && window->windowHandle() &&
      !window->windowHandle()->isExposed())
    new ActivateWhenExposed(window, activationToken);
  else
    requestActivation(window, activationToken);
}
