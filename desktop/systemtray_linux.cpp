#include "systemtray.h"

#include <QSystemTrayIcon>

#include "desktop_log.h"

namespace {

class QtSystemTray final : public SystemTray {
  Q_OBJECT
 public:
  QtSystemTray() { connect(&icon_, &QSystemTrayIcon::activated, this, &QtSystemTray::onActivated); }

  bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

  void show(const QIcon& icon, const QString& tip) override {
    icon_.setIcon(icon);
    icon_.setToolTip(tip);
    // Without a tray the icon cannot be seen; QSystemTrayIcon would only warn.
    if (isAvailable())
      icon_.show();
    else
      qCDebug(lcDesktop) << "no system tray; icon kept hidden";
  }

  void hide() override { icon_.hide(); }
  void setMenu(QMenu* menu) override { icon_.setContextMenu(menu); }

 private:
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

  QSystemTrayIcon icon_;
};

}  // namespace

std::unique_ptr<SystemTray> makeSystemTray() { return std::make_unique<QtSystemTray>(); }

#include "systemtray_linux.moc"
