#pragma once

#include <QDBusConnection>
#include <QObject>

#include <memory>

// Tells when the computer wakes up from suspend or hibernation.
class SleepMonitor : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~SleepMonitor() override = default;

 Q_SIGNALS:
  void resumed();
};

// logind's PrepareForSleep(false) on the system bus; tests hand in their own bus and service.
std::unique_ptr<SleepMonitor> makeSleepMonitor(
    QDBusConnection systemBus, const QString& logindService = QStringLiteral("org.freedesktop.login1"));
