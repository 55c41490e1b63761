#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include "desktop_log.h"
#include "idleinhibitor.h"

namespace {

constexpr uint kPortalInhibitSuspend = 4;

class DesktopIdleInhibitor final : public IdleInhibitor {
 public:
  DesktopIdleInhibitor(QDBusConnection session, QDBusConnection system, QString portal, QString logind)
      : session_(session), system_(system), portal_(std::move(portal)), logind_(std::move(logind)) {}
  ~DesktopIdleInhibitor() override { release(); }

  void inhibit(const QString& reason) override {
    wanted_ = true;
    if (asking_ || held() || refused_) return;
    asking_ = true;
    if (portalRuns())
      askPortal(reason);
    else
      askLogind(reason);
  }

  void release() override {
    wanted_ = false;
    refused_ = false;
    if (!portalHandle_.isEmpty()) {
      // The portal lets go when the request is closed.
      session_.asyncCall(QDBusMessage::createMethodCall(
          portal_, portalHandle_, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
      portalHandle_.clear();
      qCDebug(lcDesktop) << "idle suspend allowed again";
    }
    if (logindLock_.isValid()) {
      logindLock_ = QDBusUnixFileDescriptor();  // logind's hold ends with the last copy of the descriptor
      qCDebug(lcDesktop) << "idle suspend allowed again";
    }
  }

 private:
  bool held() const { return !portalHandle_.isEmpty() || logindLock_.isValid(); }

  bool portalRuns() const {
    if (!session_.isConnected()) return false;
    QDBusConnectionInterface* bus = session_.interface();
    if (bus->isServiceRegistered(portal_)) return true;
    const QDBusMessage names = session_.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames")));
    return names.arguments().value(0).toStringList().contains(portal_);
  }

  void askPortal(const QString& reason) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        portal_, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << kPortalInhibitSuspend << QVariantMap{{QStringLiteral("reason"), reason}};
    whenAnswered(session_.asyncCall(call), [this, reason](QDBusPendingCallWatcher& w) {
      const QDBusPendingReply<QDBusObjectPath> reply = w;
      if (reply.isError()) {
        qCInfo(lcDesktop) << "the portal does not inhibit suspend:" << reply.error().message();
        askLogind(reason);
        return;
      }
      portalHandle_ = reply.value().path();
      done();
    });
  }

  void askLogind(const QString& reason) {
    if (!system_.isConnected()) {
      refuse(QStringLiteral("no system bus"));
      return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(logind_, QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QCoreApplication::applicationName() << reason
         << QStringLiteral("block");
    whenAnswered(system_.asyncCall(call), [this](QDBusPendingCallWatcher& w) {
      const QDBusPendingReply<QDBusUnixFileDescriptor> reply = w;
      if (reply.isError()) {
        refuse(reply.error().message());
        return;
      }
      logindLock_ = reply.value();
      done();
    });
  }

  // Nobody holds off suspend for us: not asked again until the next start of play, and said once.
  void refuse(const QString& why) {
    asking_ = false;
    refused_ = wanted_;
    if (!told_) qCInfo(lcDesktop) << "cannot keep the computer from idle suspend:" << why;
    told_ = true;
  }

  // The answer came: keep the hold if it is still wanted, else give it back at once.
  void done() {
    asking_ = false;
    if (!wanted_)
      release();
    else if (held())
      qCDebug(lcDesktop) << "idle suspend inhibited while playing";
  }

  template <typename F>
  void whenAnswered(const QDBusPendingCall& call, F then) {
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [then, watcher]() mutable {
      then(*watcher);
      watcher->deleteLater();
    });
  }

  QDBusConnection session_;
  QDBusConnection system_;
  const QString portal_;
  const QString logind_;
  bool wanted_ = false;
  bool asking_ = false;
  bool refused_ = false;  // asked while wanted and refused
  bool told_ = false;
  QString portalHandle_;
  QDBusUnixFileDescriptor logindLock_;
};

}  // namespace

std::unique_ptr<IdleInhibitor> makeIdleInhibitor(QDBusConnection sessionBus, QDBusConnection systemBus,
                                                 const QString& portalService, const QString& logindService) {
  return std::make_unique<DesktopIdleInhibitor>(sessionBus, systemBus, portalService, logindService);
}
