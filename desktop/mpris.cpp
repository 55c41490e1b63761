#include "mpris.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cmath>

#include "desktoptext.h"
#include "version.h"

namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// One id per stream address, so a desktop can tell a new station from a new song.
QString trackId(const QString& url) {
  if (url.isEmpty()) return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
  const QByteArray hash = QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return QStringLiteral("/org/vantor/Radio/Station/s") + QString::fromLatin1(hash);
}

struct ArtistAndSong {
  QString artist;
  QString song;
};

// Stations write "Artist - Title"; a title without both halves is all song.
ArtistAndSong splitStreamTitle(const QString& title) {
  const qsizetype dash = title.indexOf(QLatin1String(" - "));
  if (dash > 0) {
    const QString artist = title.left(dash).trimmed();
    const QString song = title.mid(dash + 3).trimmed();
    if (!artist.isEmpty() && !song.isEmpty()) return {artist, song};
  }
  return {QString(), title.trimmed()};
}

}  // namespace

// org.mpris.MediaPlayer2: who we are and what the window can do.
class MprisRootAdaptor final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ yes)
  Q_PROPERTY(bool CanRaise READ yes)
  Q_PROPERTY(bool HasTrackList READ no)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
 public:
  explicit MprisRootAdaptor(Mpris* owner) : QDBusAbstractAdaptor(owner), owner_(owner) {}

  bool yes() const { return true; }
  bool no() const { return false; }
  QString identity() const { return QString::fromLatin1(Version::kProgramTitle); }
  QString desktopEntry() const { return QStringLiteral("vantor-internet-radio"); }
  QStringList uriSchemes() const { return {QStringLiteral("http"), QStringLiteral("https")}; }
  QStringList mimeTypes() const {
    return {QStringLiteral("audio/mpeg"),      QStringLiteral("audio/aac"),
            QStringLiteral("audio/ogg"),       QStringLiteral("audio/x-scpls"),
            QStringLiteral("audio/x-mpegurl"), QStringLiteral("application/vnd.apple.mpegurl"),
            QStringLiteral("video/x-ms-asf"),  QStringLiteral("application/xspf+xml")};
  }

 public Q_SLOTS:
  void Raise() { Q_EMIT owner_->raiseRequested(); }
  void Quit() { Q_EMIT owner_->quitRequested(); }

 private:
  Mpris* owner_;
};

// org.mpris.MediaPlayer2.Player: a live stream, so no seeking, no tracks before or after, and
// pausing means stopping.
class MprisPlayerAdaptor final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
  Q_PROPERTY(double Rate READ one WRITE ignoreRate)
  Q_PROPERTY(double MinimumRate READ one)
  Q_PROPERTY(double MaximumRate READ one)
  Q_PROPERTY(QVariantMap Metadata READ metadata)
  Q_PROPERTY(double Volume READ volume WRITE setVolume)
  Q_PROPERTY(qlonglong Position READ position)
  Q_PROPERTY(bool CanGoNext READ no)
  Q_PROPERTY(bool CanGoPrevious READ no)
  Q_PROPERTY(bool CanPlay READ yes)
  Q_PROPERTY(bool CanPause READ yes)
  Q_PROPERTY(bool CanSeek READ no)
  Q_PROPERTY(bool CanControl READ yes)
 public:
  explicit MprisPlayerAdaptor(Mpris* owner) : QDBusAbstractAdaptor(owner), owner_(owner) {}

  QString playbackStatus() const { return owner_->playbackStatus(); }
  double one() const { return 1.0; }
  void ignoreRate(double) {}
  QVariantMap metadata() const { return owner_->metadata(); }
  double volume() const { return owner_->volume() / 100.0; }
  void setVolume(double volume) {
    if (!std::isfinite(volume)) return;
    Q_EMIT owner_->volumeRequested(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
  }
  qlonglong position() const { return 0; }
  bool yes() const { return true; }
  bool no() const { return false; }

 public Q_SLOTS:
  void Next() {}
  void Previous() {}
  void Pause() { Q_EMIT owner_->stopRequested(); }
  void PlayPause() {
    if (owner_->status() == Mpris::Status::Playing)
      Q_EMIT owner_->stopRequested();
    else
      Q_EMIT owner_->playRequested();
  }
  void Stop() { Q_EMIT owner_->stopRequested(); }
  void Play() { Q_EMIT owner_->playRequested(); }
  void Seek(qlonglong) {}
  void SetPosition(const QDBusObjectPath&, qlonglong) {}
  void OpenUri(const QString& uri) {
    if (Mpris::isPlayableUri(uri)) Q_EMIT owner_->openUriRequested(uri);
  }

 private:
  Mpris* owner_;
};

Mpris::Mpris(QObject* parent) : QObject(parent) {
  new MprisRootAdaptor(this);
  new MprisPlayerAdaptor(this);
}

Mpris::~Mpris() {
  if (connectionName_.isEmpty()) return;
  QDBusConnection bus(connectionName_);
  bus.unregisterObject(QLatin1String(kObjectPath));
  if (!busName_.isEmpty()) bus.unregisterService(busName_);
}

bool Mpris::publish(QDBusConnection bus, const QString& base) {
  if (!bus.isConnected()) return false;
  if (!bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportAdaptors)) return false;
  connectionName_ = bus.name();
  for (const QString& name :
       {base, base + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
    if (bus.registerService(name)) {
      busName_ = name;
      return true;
    }
  }
  return false;
}

QString Mpris::playbackStatus() const {
  switch (status_) {
    case Status::Playing:
      return QStringLiteral("Playing");
    case Status::Paused:
      return QStringLiteral("Paused");
    case Status::Stopped:
      break;
  }
  return QStringLiteral("Stopped");
}

void Mpris::setStatus(Status status) {
  if (status == status_) return;
  status_ = status;
  announce({{QStringLiteral("PlaybackStatus"), playbackStatus()}});
}

void Mpris::setTrack(const QString& station, const QString& url) {
  station_ = desktopText(station);
  url_ = url;
  metadataTouched();
}

void Mpris::setStreamTitle(const QString& title) {
  streamTitle_ = desktopText(title);
  metadataTouched();
}

void Mpris::metadataTouched() {
  if (metadataPending_) return;
  metadataPending_ = true;
  // A new station clears the title and then names itself: one change for the desktop.
  QMetaObject::invokeMethod(this, &Mpris::announceMetadata, Qt::QueuedConnection);
}

void Mpris::announceMetadata() {
  metadataPending_ = false;
  const QStringList now{station_, url_, streamTitle_};
  if (now == announcedMetadata_) return;
  announcedMetadata_ = now;
  announce({{QStringLiteral("Metadata"), metadata()}});
}

QVariantMap Mpris::metadata() const {
  QVariantMap map;
  map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackId(url_))));
  const auto [artist, song] = splitStreamTitle(streamTitle_);
  const QString title = song.isEmpty() ? station_ : song;
  if (!title.isEmpty()) map.insert(QStringLiteral("xesam:title"), title);
  if (!artist.isEmpty()) map.insert(QStringLiteral("xesam:artist"), QStringList{artist});
  if (!station_.isEmpty()) map.insert(QStringLiteral("xesam:album"), station_);
  // An address cut short would lead elsewhere: one too long to be real is left out.
  if (!url_.isEmpty() && url_.size() <= kMaxAddressLength) map.insert(QStringLiteral("xesam:url"), url_);
  return map;
}

void Mpris::setVolume(int volume) {
  volume = std::clamp(volume, 0, 100);
  if (volume == volume_) return;
  volume_ = volume;
  announce({{QStringLiteral("Volume"), volume_ / 100.0}});
}

bool Mpris::isPlayableUri(const QString& uri) {
  const QUrl url(uri, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && !url.host().isEmpty() &&
         (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void Mpris::announce(const QVariantMap& changed) {
  if (connectionName_.isEmpty()) return;
  QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QLatin1String(kPlayerInterface) << changed << QStringList();
  QDBusConnection(connectionName_).send(signal);
}

#include "mpris.moc"
