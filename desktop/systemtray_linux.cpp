#include "systemtray.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>

#include "desktop_log.h"

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// Whether a panel that shows StatusNotifier icons is registered on the session bus.
bool statusNotifierHostRegistered() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcher)) return false;
  QDBusMessage get = QDBusMessage::createMethodCall(
      kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
  const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
  return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
         qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
}

class QtSystemTray final : public SystemTray {
  Q_OBJECT
 public:
  QtSystemTray() = default;

  // Qt settles once per process, at its first tray call, whether the tray goes over D-Bus: asked
  // before a panel is there, it would never use one that comes later. So it is asked only once a
  // StatusNotifier host is there, or on X11, where a tray of the older kind may serve.
  bool isAvailable() const override {
    if (!statusNotifierHostRegistered() && QGuiApplication::platformName() != QLatin1String("xcb"))
      return false;
    return QSystemTrayIcon::isSystemTrayAvailable();
  }

  void show(const QIcon& icon, const QString& tip) override {
    wanted_ = true;
    watchForPanel();
    iconImage_ = icon;
    tip_ = tip;
    if (!isAvailable()) {
      qCDebug(lcDesktop) << "no system tray; the icon is shown when one comes";
      return;
    }
    if (!icon_) {
      icon_ = std::make_unique<QSystemTrayIcon>();
      connect(icon_.get(), &QSystemTrayIcon::activated, this, &QtSystemTray::onActivated);
      icon_->setContextMenu(menu_);
    }
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
    icon_->show();
  }

  void hide() override {
    wanted_ = false;
    if (icon_) icon_->hide();
  }
  void setMenu(QMenu* menu) override {
    menu_ = menu;
    if (icon_) icon_->setContextMenu(menu);
  }

 private Q_SLOTS:
  void showIfWanted() {
    if (wanted_ && !(icon_ && icon_->isVisible())) show(iconImage_, tip_);
  }

 private:
  // A panel can come after the program (a shell extension turned on, waybar started): an icon
  // that was asked for meanwhile is shown then. Watched from the first icon wanted on, so a
  // window-only start joins no bus for it.
  void watchForPanel() {
    if (watching_) return;
    watching_ = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    auto* watcher = new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &QtSystemTray::showIfWanted);
    bus.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(showIfWanted()));
  }

  void onActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
      case QSystemTrayIcon::Trigger:
        Q_EMIT activated(Action::LeftPress);
        break;
      case QSystemTrayIcon::DoubleClick:
        Q_EMIT activated(Action::DoubleClick);
        break;
      case QSystemTrayIcon::Context:
        Q_EMIT activated(Action::Context);
        break;
      default:
        Q_EMIT activated(Action::Other);
        break;
    }
  }

  std::unique_ptr<QSystemTrayIcon> icon_;  // made only once a tray is there, see isAvailable
  QPointer<QMenu> menu_;
  QIcon iconImage_;
  QString tip_;
  bool wanted_ = false;
  bool watching_ = false;
};

}  // namespace

std::unique_ptr<SystemTray> makeSystemTray() { return std::make_unique<QtSystemTray>(); }

#include "systemtray_linux.moc"
