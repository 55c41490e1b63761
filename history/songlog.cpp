#include "songlog.h"

#include "playback/keptaddress.h"
#include "playback/listening.h"
#include "playback/mediaplayer.h"

SongLog::SongLog(Listening& listening, const QString& folder, QObject* parent)
    : QObject(parent), listening_(listening), history_(SongHistory::fileIn(folder)) {
  elapsed_.start();
  clock_ = [this] { return elapsed_.elapsed(); };
  songTimer_.setSingleShot(true);
  songTimer_.setInterval(kSongMs);
  saveTimer_.setSingleShot(true);
  saveTimer_.setInterval(kSaveDelayMs);
  connect(&songTimer_, &QTimer::timeout, this, &SongLog::addPending);
  connect(&saveTimer_, &QTimer::timeout, this, &SongLog::saveNow);
  connect(&listening_, &Listening::titleChanged, this, &SongLog::onTitle);
  // Songs heard through an earlier run's directory address keep the station's own address.
  connect(&listening_.player(), &MediaPlayer::stationAddressFound, this, [this](const QString& id, const QString& address) {
    history_.mendAddresses(
        [&](const QString& url) { return keptaddress::isPlayAddressOf(url, id) ? address : QString(); });
  });
}

SongLog::~SongLog() {
  if (!pending_.title.isEmpty() && clock_() - pendingSince_ >= kSongMs) history_.add(pending_);
  saveNow();
}

void SongLog::onTitle(const QString& title) {
  if (title == pending_.title) return;
  const qint64 now = clock_();
  // The title that ends here lasted long enough, even if its timer has not run yet.
  if (!pending_.title.isEmpty() && now - pendingSince_ >= kSongMs) addPending();
  const Station station = listening_.station();
  pending_ = {QDateTime::currentDateTime(), station.name, station.address, title};
  pendingSince_ = now;
  if (title.isEmpty())
    songTimer_.stop();
  else
    songTimer_.start();
}

void SongLog::addPending() {
  songTimer_.stop();
  if (!history_.add(std::exchange(pending_, {}))) return;
  if (!saveTimer_.isActive()) saveTimer_.start();
  Q_EMIT changed();
}

void SongLog::setLiked(const QList<int>& songs, bool liked) {
  for (int i : songs) history_.setLiked(i, liked);
  saveNow();
  Q_EMIT changed();
}

void SongLog::clear() {
  history_.clear();
  saveNow();
  Q_EMIT changed();
}

void SongLog::saveNow() {
  saveTimer_.stop();
  if (history_.unsaved()) history_.save();
}
