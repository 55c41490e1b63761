#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

// Keeps the computer from suspending itself for being idle while something worth hearing
// plays. A user who suspends by hand still can.
class IdleInhibitor : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~IdleInhibitor() override = default;

  // Both may be called any number of times: one hold at most is taken, and released once.
  virtual void inhibit(const QString& reason) = 0;
  virtual void release() = 0;
};

// The desktop portal's Inhibit (suspend) where a portal runs on the session bus, else logind's
// "idle" block inhibitor on the system bus. The service names are for tests.
std::unique_ptr<IdleInhibitor> makeIdleInhibitor(
    QDBusConnection sessionBus, QDBusConnection systemBus,
    const QString& portalService = QStringLiteral("org.freedesktop.portal.Desktop"),
    const QString& logindService = QStringLiteral("org.freedesktop.login1"));
