#include "songlog.h"

#include "playback/keptaddress.h"
#include "playback/mediaplayer.h"

SongLog::SongLog(MediaPlayer& player, const QString& folder, std::function<QString()> stationName,
                 QObject* parent)
    : QObject(parent),
      player_(player),
      history_(SongHistory::fileIn(folder)),
      stationName_(std::move(stationName)) {
  elapsed_.start();
  clock_ = [this] { return elapsed_.elapsed(); };
  songTimer_.setSingleShot(true);
  songTimer_.setInterval(kSongMs);
  saveTimer_.setSingleShot(true);
  saveTimer_.setInterval(kSaveDelayMs);
  connect(&songTimer_, &QTimer::timeout, this, &SongLog::addPending);
  connect(&saveTimer_, &QTimer::timeout, this, &SongLog::saveNow);
  connect(&player_, &MediaPlayer::streamTitleChanged, this, &SongLog::onTitle);
  // Songs heard through an earlier run's directory address keep the station's own address.
  connect(&player_, &MediaPlayer::stationAddressFound, this, [this](const QString& id, const QString& address) {
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
  pending_ = {QDateTime::currentDateTime(), stationName_(), player_.URL(), title};
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
