#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QStringList>

#include <unistd.h>

// The desktop portal's Inhibit and logind's Inhibit and PrepareForSleep, on a bus connection of
// their own under names of the test's choosing (tests run side by side on one bus).
class FakeSessionServices final : public QDBusVirtualObject {
 public:
  FakeSessionServices(const QString& connectionName, const QStringList& services)
      : connectionName_(connectionName) {
    bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    registered_ =
        bus_.registerVirtualObject(QStringLiteral("/org/freedesktop"), this, QDBusConnection::SubPath);
    for (const QString& s : services) registered_ = registered_ && bus_.registerService(s);
  }
  ~FakeSessionServices() override {
    bus_.unregisterObject(QStringLiteral("/org/freedesktop"), QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(connectionName_);
    for (const int fd : heldEnds_) ::close(fd);
  }

  bool registered() const { return registered_; }

  // logind announces a suspend (true) or a wake-up (false).
  void prepareForSleep(bool goingDown) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << goingDown;
    bus_.send(signal);
  }

  // What was asked: "portal:<flags>", "close:<handle>", "logind:<what>:<mode>".
  QStringList calls;
  // The read ends of the pipes whose write ends logind handed out: EOF once every hold is gone.
  QList<int> heldEnds_;

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    const QVariantList a = message.arguments();
    if (message.interface() == QLatin1String("org.freedesktop.portal.Inhibit") && a.size() == 3) {
      calls << QStringLiteral("portal:%1").arg(a[1].toUInt());
      const QString handle =
          QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t%1").arg(++requests_);
      connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
      return true;
    }
    if (message.interface() == QLatin1String("org.freedesktop.portal.Request") &&
        message.member() == QLatin1String("Close")) {
      calls << QStringLiteral("close:") + message.path();
      connection.send(message.createReply());
      return true;
    }
    if (message.interface() == QLatin1String("org.freedesktop.login1.Manager") &&
        message.member() == QLatin1String("Inhibit") && a.size() == 4) {
      calls << QStringLiteral("logind:%1:%2").arg(a[0].toString(), a[3].toString());
      int ends[2];
      if (::pipe(ends) != 0) return false;
      heldEnds_ << ends[0];
      connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
      ::close(ends[1]);
      return true;
    }
    return false;
  }

 private:
  QString connectionName_;
  QDBusConnection bus_{QString()};
  bool registered_ = false;
  int requests_ = 0;
};
