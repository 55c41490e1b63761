#include <QDBusError>

#include "desktop_log.h"
#include "sleepmonitor.h"

namespace {

class LogindSleepMonitor final : public SleepMonitor {
  Q_OBJECT
 public:
  LogindSleepMonitor(QDBusConnection bus, const QString& service) : bus_(bus) {
    if (!bus_.connect(service, QStringLiteral("/org/freedesktop/login1"),
                      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                      this, SLOT(prepareForSleep(bool))))
      qCInfo(lcDesktop) << "cannot follow suspend and resume:" << bus_.lastError().message();
  }

 private Q_SLOTS:
  void prepareForSleep(bool goingDown) {
    qCInfo(lcDesktop) << (goingDown ? "going to sleep" : "woke up");
    if (!goingDown) Q_EMIT resumed();
  }

 private:
  QDBusConnection bus_;
};

}  // namespace

std::unique_ptr<SleepMonitor> makeSleepMonitor(QDBusConnection systemBus, const QString& logindService) {
  return std::make_unique<LogindSleepMonitor>(systemBus, logindService);
}

#include "sleepmonitor_linux.moc"
