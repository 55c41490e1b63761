#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QStringList>

// A desktop notification server on its own bus connection that records what it is asked to
// show. Tests run side by side on one bus, so it takes a name of the test's choosing.
class FakeNotificationServer final : public QDBusVirtualObject {
 public:
  struct Note {
    QString appName;
    uint replacesId = 0;
    QString summary;
    QString body;
    uint id = 0;  // what the server answered
  };

  FakeNotificationServer(const QString& connectionName, const QString& service)
      : connectionName_(connectionName) {
    bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    registered_ = bus_.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), this) &&
                  bus_.registerService(service);
  }
  ~FakeNotificationServer() override {
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(connectionName_);
  }

  bool registered() const { return registered_; }

  QStringList capabilities{QStringLiteral("body")};
  QList<Note> notes;
  int capabilityQueries = 0;

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == QLatin1String("GetCapabilities")) {
      ++capabilityQueries;
      connection.send(message.createReply(QVariant(capabilities)));
      return true;
    }
    if (message.member() != QLatin1String("Notify") || message.arguments().size() != 8) return false;
    const QVariantList a = message.arguments();
    Note note{a[0].toString(), a[1].toUInt(), a[3].toString(), a[4].toString()};
    note.id = note.replacesId ? note.replacesId : ++lastId_;
    notes << note;
    connection.send(message.createReply(QVariant::fromValue(note.id)));
    return true;
  }

 private:
  QString connectionName_;
  QDBusConnection bus_{QString()};
  bool registered_ = false;
  uint lastId_ = 40;
};
