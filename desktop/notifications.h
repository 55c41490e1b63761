#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Tells a listener whose window is out of sight what plays: one desktop notification
// (org.freedesktop.Notifications) when a station starts and when its song changes, each new
// one replacing the last in place. Without a notification server nothing happens.
class SongNotifier final : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kService = "org.freedesktop.Notifications";

  // Connecting covers reconnecting: the same song coming back after a drop is no news.
  enum class Activity { Stopped, Connecting, Playing };
  struct Playing {
    QString station;  // its name, or its address when it has none
    QString url;
    QString song;  // the stream's title, often "Artist - Title"; may be empty
    Activity activity = Activity::Stopped;
    bool windowVisible = false;
  };

  explicit SongNotifier(QDBusConnection bus, const QString& service = QLatin1String(kService),
                        QObject* parent = nullptr);

  // Called whenever the station, the song or the play state may have changed; decides itself
  // whether that is news.
  void update(const Playing& now);

  // The server's id of the notification on screen; 0 before the first one.
  uint notificationId() const { return id_; }

 private:
  void sendPending();
  void askCapabilities();
  void notify();
  void onNotified(QDBusPendingCallWatcher* call);

  QDBusConnection bus_;
  QString service_;
  QString lastNews_;  // station, address and song last seen playing
  bool hasPending_ = false;
  QString pendingSummary_;
  QString pendingBody_;
  bool inFlight_ = false;
  enum class Markup { Unknown, Plain, Markup } markup_ = Markup::Unknown;
  uint id_ = 0;
};
