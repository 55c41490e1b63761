#include "songlog.h"

#include "playback/keptaddress.h"
#include "playback/mediaplayer.h"

SongLog::SongLog(MediaPlayer& player, const QString& folder, std::function<QString()> stationName,
                 QObject* parent)
    : QObject(parent),
      player_(player),
      history_(SongHistory::fileIn(folder)),
      stationName_(std::move(stationName)) {
  connect(&player_, &MediaPlayer::streamTitleChanged, this, &SongLog::onTitle);
  // Songs heard through an earlier run's directory address keep the station's own address.
  connect(&player_, &MediaPlayer::stationAddressFound, this, [this](const QString& id, const QString& address) {
    history_.mendAddresses(
        [&](const QString& url) { return keptaddress::isPlayAddressOf(url, id) ? address : QString(); });
  });
}

void SongLog::onTitle(const QString& title) {
  if (history_.add({QDateTime::currentDateTime(), stationName_(), player_.URL(), title})) Q_EMIT changed();
}
