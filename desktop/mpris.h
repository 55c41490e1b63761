#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QDBusConnection;

// The player as the desktop sees it on the session bus (MPRIS2 at /org/mpris/MediaPlayer2):
// shells, media keys and messengers read what plays and may open an address, play, stop,
// change the volume, raise the window or end the program. This class holds the published state
// and turns the bus's requests into signals; it decides nothing itself.
class Mpris final : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.vantor";
  static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

  enum class Status { Stopped, Playing, Paused };
  static constexpr qsizetype kMaxAddressLength = 2048;

  explicit Mpris(QObject* parent = nullptr);
  ~Mpris() override;

  // Puts the object on the bus and takes the well-known name; when another program holds it,
  // the name gets an ".instance<pid>" suffix, as MPRIS allows. False when there is no bus.
  bool publish(QDBusConnection bus, const QString& name = QLatin1String(kServiceName));
  QString busName() const { return busName_; }

  Status status() const { return status_; }
  QString playbackStatus() const;
  void setStatus(Status status);

  // What plays: the station (shown as the album, and as the title while its stream names no
  // song) and the stream's own title ("Artist - Title" or the title alone). Changes made in one
  // turn of the event loop reach the bus as one PropertiesChanged, and only if the metadata
  // really differ from what was last announced. Names and titles go out as one line, cut to
  // kMaxDesktopText characters.
  void setTrack(const QString& station, const QString& url);
  void setStreamTitle(const QString& title);
  QVariantMap metadata() const;

  int volume() const { return volume_; }  // 0..100
  void setVolume(int volume);

  // Only web addresses are played; anything else is refused without a word.
  static bool isPlayableUri(const QString& uri);

 Q_SIGNALS:
  void openUriRequested(const QString& uri);
  void playRequested();
  void stopRequested();
  void volumeRequested(int volume);
  void raiseRequested();
  void quitRequested();

 private:
  friend class MprisPlayerAdaptor;
  friend class MprisRootAdaptor;
  void announce(const QVariantMap& changed);
  void metadataTouched();
  void announceMetadata();

  QString busName_;
  QString connectionName_;
  Status status_ = Status::Stopped;
  QString station_;
  QString url_;
  QString streamTitle_;
  QStringList announcedMetadata_{QString(), QString(), QString()};  // station, address, title
  bool metadataPending_ = false;
  int volume_ = 100;
};
