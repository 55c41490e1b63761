#include "notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "desktop_log.h"
#include "desktoptext.h"
#include "version.h"

namespace {
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
}  // namespace

SongNotifier::SongNotifier(QDBusConnection bus, const QString& service, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), service_(service) {}

void SongNotifier::update(const Playing& now) {
  if (now.activity == Activity::Stopped) {
    // Started again later, the same station is news again.
    lastNews_.clear();
    return;
  }
  if (now.activity != Activity::Playing) return;
  const QString news = now.station + QLatin1Char('\n') + now.url + QLatin1Char('\n') + now.song;
  if (news == lastNews_) return;
  lastNews_ = news;
  // The listener looking at the window sees the change there.
  if (now.windowVisible) return;
  pendingSummary_ = desktopText(now.station.isEmpty() ? now.url : now.station);
  pendingBody_ = desktopText(now.song);
  hasPending_ = true;
  sendPending();
}

// One call at a time: the next notification must carry the id the last one got, and changes
// that come while a call is out collapse into the latest.
void SongNotifier::sendPending() {
  if (inFlight_ || !hasPending_ || !bus_.isConnected()) return;
  if (markup_ == Markup::Unknown)
    askCapabilities();
  else
    notify();
}

void SongNotifier::askCapabilities() {
  inFlight_ = true;
  const QDBusMessage call = QDBusMessage::createMethodCall(
      service_, QLatin1String(kPath), QLatin1String(kInterface), QStringLiteral("GetCapabilities"));
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<QStringList> reply = *w;
    inFlight_ = false;
    if (reply.isError()) {
      // No server now; one may start later, so the next change asks again.
      qCDebug(lcDesktop) << "no notification server:" << reply.error().message();
      hasPending_ = false;
      return;
    }
    markup_ = reply.value().contains(QLatin1String("body-markup")) ? Markup::Markup : Markup::Plain;
    sendPending();
  });
}

void SongNotifier::notify() {
  hasPending_ = false;
  inFlight_ = true;
  // Titles come from the stream: a server that reads markup must see them as text.
  const QString body = markup_ == Markup::Markup ? pendingBody_.toHtmlEscaped() : pendingBody_;
  QDBusMessage call = QDBusMessage::createMethodCall(service_, QLatin1String(kPath),
                                                     QLatin1String(kInterface), QStringLiteral("Notify"));
  const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("vantor-internet-radio")}};
  call << QString::fromLatin1(Version::kProgramTitle) << id_ << QStringLiteral("audio-x-generic")
       << pendingSummary_ << body << QStringList() << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, &SongNotifier::onNotified);
}

void SongNotifier::onNotified(QDBusPendingCallWatcher* call) {
  call->deleteLater();
  const QDBusPendingReply<uint> reply = *call;
  if (reply.isError())
    qCDebug(lcDesktop) << "notification not shown:" << reply.error().message();
  else
    id_ = reply.value();
  inFlight_ = false;
  sendPending();
}
