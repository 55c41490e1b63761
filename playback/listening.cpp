#include "listening.h"

#include "mediaplayer.h"

namespace {
// A stream's own name is one line of bounded length wherever it is shown.
QString oneLineName(const QString& raw) {
  constexpr qsizetype kMaxName = 200;
  QString name;
  name.reserve(std::min(raw.size(), kMaxName * 2));
  for (const QChar c : raw) {
    if (name.size() > kMaxName * 2) break;
    name += (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) ? QChar(u' ') : c;
  }
  name = name.simplified();
  if (name.size() > kMaxName) name = name.left(kMaxName - 1) + QChar(0x2026);
  return name;
}
}  // namespace

Listening::Listening(MediaPlayer& player, QObject* parent) : QObject(parent), player_(player) {
  connect(&player_, &MediaPlayer::statusChanged, this, &Listening::followState);
  connect(&player_, &MediaPlayer::streamTitleChanged, this, [this](const QString& title) {
    if (title == title_) return;
    title_ = title;
    Q_EMIT titleChanged(title_);
  });
  connect(&player_, &MediaPlayer::streamNameChanged, this, &Listening::takeStreamName);
  connect(&player_, &MediaPlayer::stationAddressFound, this, [this] { Q_EMIT stationChanged(station()); });
  followState();
}

Station Listening::station() const {
  Station s = station_;
  if (!player_.URL().isEmpty()) s.address = player_.URL();
  return s;
}

void Listening::play(const Station& station) {
  station_ = station;
  namedByAddress_ = !station.address.isEmpty() && station.name == station.address;
  hasPlayed_ = false;
  player_.setURL(station.address);
  // After the address: whoever follows the title sees the new station with it.
  if (!title_.isEmpty()) {
    title_.clear();
    Q_EMIT titleChanged(title_);
  }
  Q_EMIT stationChanged(this->station());
}

void Listening::resume() {
  if (!player_.URL().isEmpty()) player_.play();
}

void Listening::stop() { player_.stop(); }

void Listening::close() { player_.close(); }

void Listening::followState() {
  Activity next = Activity::Stopped;
  switch (player_.playState()) {
    case MediaPlayer::Playing:
      hasPlayed_ = true;
      next = Activity::Playing;
      break;
    case MediaPlayer::Transitioning:
      next = hasPlayed_ ? Activity::Reconnecting : Activity::Starting;
      break;
    default:
      hasPlayed_ = false;
      break;
  }
  if (next == activity_) return;
  activity_ = next;
  Q_EMIT activityChanged(activity_);
}

// Only a station shown by its address takes the stream's name: a directory's name stays.
void Listening::takeStreamName(const QString& raw) {
  const QString name = oneLineName(raw);
  if (!namedByAddress_ || name.isEmpty() || name == station_.name) return;
  station_.name = name;
  Q_EMIT stationChanged(station());
}
