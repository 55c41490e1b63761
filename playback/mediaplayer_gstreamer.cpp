#include "mediaplayer_gstreamer.h"

#include <QDeadlineTimer>

#include <algorithm>

#include "keptaddress.h"
#include "playback_log.h"
#include "streamtitle.h"

using playback::Failure;
using playback::Phase;
using playback::Step;

GstMediaPlayer::GstMediaPlayer(QObject* parent) : GstMediaPlayer(GstPlayerTuning{}, parent) {}

GstMediaPlayer::GstMediaPlayer(const GstPlayerTuning& tuning, QObject* parent)
    : MediaPlayer(parent),
      tuning_(tuning),
      playbin_(QByteArray(kUserAgent), tuning.bufferMs),
      session_({tuning.reconnectBaseMs, tuning.reconnectMaxMs, tuning.silentNoticeMs}) {
  playbin_.setTap(&tap_);
  connect(&playbin_, &Playbin::stateChanged, this, &GstMediaPlayer::onStateChanged);
  connect(&playbin_, &Playbin::bufferFilled, this, &GstMediaPlayer::onBuffering);
  connect(&playbin_, &Playbin::stationNamed, this, &MediaPlayer::streamNameChanged);
  connect(&playbin_, &Playbin::titleTagged, this, &GstMediaPlayer::onTitle);
  connect(&playbin_, &Playbin::playlistFound, this, &GstMediaPlayer::onPlaylist);
  connect(&playbin_, &Playbin::failed, this, &GstMediaPlayer::onError);
  connect(&playbin_, &Playbin::ended, this, &GstMediaPlayer::onEos);
  connect(&playbin_, &Playbin::clockLost, this, &GstMediaPlayer::onClockLost);
  for (QTimer* t : {&reconnectTimer_, &stableTimer_, &connectTimer_, &startDeadline_}) t->setSingleShot(true);
  countdownTimer_.setInterval(1000);
  stallTimer_.setInterval(std::clamp(tuning_.stallMs / 4, 50, 1000));
  connect(&countdownTimer_, &QTimer::timeout, this, &GstMediaPlayer::showCountdown);
  connect(&stallTimer_, &QTimer::timeout, this, &GstMediaPlayer::checkStall);
  connect(&startDeadline_, &QTimer::timeout, this, [this] {
    qCInfo(lcPlayback) << "no stream started within" << tuning_.startDeadlineMs << "ms";
    raiseError(session_.lastFailure());
  });
  connect(&reconnectTimer_, &QTimer::timeout, this, [this] { tryAgain(false); });
  connect(&stableTimer_, &QTimer::timeout, this, [this] { session_.steady(); });
  connect(&connectTimer_, &QTimer::timeout, this, &GstMediaPlayer::onConnectTimeout);
  connect(&resolver_, &StreamResolver::found, this, &GstMediaPlayer::onFound);
  connect(&resolver_, &StreamResolver::rejected, this, [this](Failure why) {
    session_.rejected(why);
    resolver_.next();
  });
  connect(&resolver_, &StreamResolver::exhausted, this, [this] { raiseError(session_.lastFailure()); });
}

GstMediaPlayer::~GstMediaPlayer() { halt(); }

// Shows where the session stands. Each text belongs to one play state, so a new state always
// comes with a new text.
void GstMediaPlayer::show(const QString& text) {
  QString status = text;
  switch (session_.phase()) {
    case Phase::Resolving:
    case Phase::Connecting:
      if (status.isEmpty()) status = tr("Connecting...");
      break;
    case Phase::Playing:
      status = playingText();
      break;
    case Phase::Stopped:
      status = tr("Stopped");
      break;
    case Phase::Ready:
      if (status.isEmpty()) status = tr("Ready");
      break;
    case Phase::Idle:
    case Phase::Buffering:
    case Phase::Reconnecting:
      if (status.isEmpty()) return;  // they bring their own text: a reconnect's opening keeps it
      break;
  }
  if (status == status_) return;
  status_ = status;
  Q_EMIT statusChanged();
}

void GstMediaPlayer::setURL(const QString& url) {
  const QString given = url.trimmed();
  // The start-up sets the remembered address twice; a second connection would be wasted.
  if (given == url_ && session_.active() && session_.phase() != Phase::Reconnecting) return;
  url_ = given;
  kept_.clear();
  if (url_.isEmpty()) {
    close();
    return;
  }
  startSession();
}

void GstMediaPlayer::play() {
  if (url_.isEmpty() || session_.active()) return;
  startSession();
}

void GstMediaPlayer::stop() {
  halt();
  session_.stopped();
  show();
}

void GstMediaPlayer::close() {
  halt();
  stream_ = QUrl();
  title_.clear();
  artist_.clear();
  titleTouched();
  session_.ready();
  show();
}

void GstMediaPlayer::setMute(bool on) {
  mute_ = on;
  playbin_.setVolume(volume_, mute_);
}

void GstMediaPlayer::setVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  playbin_.setVolume(volume_, mute_);
}

void GstMediaPlayer::reconnectNow() {
  if (session_.phase() != Phase::Reconnecting || !reconnectTimer_.isActive()) return;
  qCInfo(lcPlayback) << "network is back: reconnecting now";
  reconnectTimer_.stop();
  tryAgain(true);
}

void GstMediaPlayer::reopen() {
  if (!session_.active()) return;
  if (!session_.hasPlayed()) {
    startSession();
    return;
  }
  qCInfo(lcPlayback) << "reopening" << stream_ << "on a fresh connection";
  halt();
  tryAgain(true);
}

void GstMediaPlayer::tryAgain(bool afresh) {
  countdownTimer_.stop();
  session_.retry(afresh);
  show(tr("Reconnecting..."));
  openStream();
}

void GstMediaPlayer::startSession() {
  halt();
  title_.clear();
  artist_.clear();
  titleTouched();
  session_.start();
  show();
  startDeadline_.start(tuning_.startDeadlineMs);
  if (addressMap_) url_ = addressMap_(url_);
  const QUrl address = QUrl::fromUserInput(url_);
  playId_ = keptaddress::playStationId(address);
  resolver_.start(keptaddress::throughDirectory(address, directory_ ? directory_() : QUrl()),
                  StartBudget{tuning_.maxPlaylists, tuning_.maxCandidates});
}

void GstMediaPlayer::halt() {
  reconnectTimer_.stop();
  stableTimer_.stop();
  connectTimer_.stop();
  startDeadline_.stop();
  countdownTimer_.stop();
  stallTimer_.stop();
  resolver_.cancel();
  playbin_.halt();
}

void GstMediaPlayer::onFound(const QUrl& stream) {
  stream_ = stream;
  session_.found();
  openStream();
}

// Opens stream_ afresh: the first time, after a stall and for each reconnect.
void GstMediaPlayer::openStream() {
  if (addressMap_) stream_ = QUrl::fromEncoded(addressMap_(QString::fromUtf8(stream_.toEncoded())).toUtf8());
  session_.opening();
  show();
  if (playbin_.open(stream_)) {
    connectTimer_.start(tuning_.connectTimeoutMs);
    return;
  }
  if (!playbin_.element()) {
    raiseError(Failure::Unreadable);
    return;
  }
  // Usually an error message is on its way; if none comes, this still ends the attempt.
  const quint64 generation = playbin_.generation();
  QTimer::singleShot(0, this, [this, generation] {
    if (playbin_.generation() == generation) fail(session_.hasPlayed() ? Failure::Lost : Failure::Unreadable);
  });
}

void GstMediaPlayer::onConnectTimeout() {
  qCInfo(lcPlayback) << "stream did not start in time:" << stream_ << playbin_.describeState();
  if (session_.retryStart()) {
    openStream();
    return;
  }
  fail(session_.hasPlayed() ? Failure::Lost : Failure::NoConnection);
}

// A server that keeps the connection open but sends nothing would hold us forever; a fresh
// request is the only thing that helps (a live station refuses to resume at a byte offset).
void GstMediaPlayer::checkStall() {
  const Phase phase = session_.phase();
  if ((phase != Phase::Playing && phase != Phase::Buffering) || playbin_.msSinceData() < tuning_.stallMs)
    return;
  qCInfo(lcPlayback) << "no data for" << playbin_.msSinceData() << "ms:" << stream_ << "stalled";
  fail(Failure::Lost);
}

void GstMediaPlayer::showCountdown() {
  const qint64 seconds =
      std::max<qint64>((std::max<qint64>(reconnectDue_.remainingTime(), 0) + 999) / 1000, 1);
  const QDateTime silentSince = session_.silentSince(QDateTime::currentDateTime());
  if (silentSince.isValid())
    show(tr("Silent since %1, trying again in %2 s")
             .arg(silentSince.toString(QStringLiteral("HH:mm")))
             .arg(seconds));
  else
    show(tr("Reconnecting in %1 s...").arg(seconds));
}

// Something went wrong with the current stream: before it has played we move on to the next
// playlist entry (or give up); once it has played, it is a drop and we reconnect.
void GstMediaPlayer::fail(Failure why) {
  if (!session_.active()) return;
  connectTimer_.stop();
  stableTimer_.stop();
  stallTimer_.stop();
  playbin_.halt();
  const playback::AfterFailure next = session_.failed(why, QDateTime::currentDateTime());
  if (next.step == Step::NextEntry) {
    show();
    resolver_.next();
    return;
  }
  // The first try after a drop is worth a line; the rest of a long outage is not.
  if (next.attempt == 1)
    qCInfo(lcPlayback) << "stream dropped:" << stream_ << "- reconnecting until it plays again";
  else
    qCDebug(lcPlayback) << "reconnect" << next.attempt << "in" << next.delayMs << "ms";
  reconnectTimer_.start(next.delayMs);
  reconnectDue_.setRemainingTime(next.delayMs);
  showCountdown();
  countdownTimer_.start();
}

void GstMediaPlayer::raiseError(Failure why) {
  halt();
  QString text;
  switch (why) {
    case Failure::NotFound:
      text = tr("Stream not found");
      break;
    case Failure::Unreadable:
      text = tr("Cannot play this stream");
      break;
    case Failure::NoConnection:
      text = tr("Cannot connect to the stream");
      break;
    case Failure::Lost:
      text = tr("Connection lost");
      break;
  }
  session_.ready();
  show(text);
  qCInfo(lcPlayback) << "giving up on" << url_ << ":" << status_;
  Q_EMIT error();
}

void GstMediaPlayer::onError(const playback::PipelineError& error, const QString& what) {
  // Each failed try of a long outage would add lines; the drop itself was logged.
  if (session_.phase() == Phase::Reconnecting)
    qCDebug(lcPlayback).noquote() << what;
  else
    qCInfo(lcPlayback).noquote() << what;
  fail(playback::classify(error, session_.hasPlayed()));
}

// A network stream that ends has dropped: radio does not end.
void GstMediaPlayer::onEos() { fail(session_.hasPlayed() ? Failure::Lost : Failure::Unreadable); }

void GstMediaPlayer::onStateChanged(bool playing, bool wasPlaying, bool settled) {
  if (!session_.active()) return;
  if (settled) playbin_.followBuffering();
  if (playing && !playbin_.buffering()) {
    if (!keptaddress::playStationId(stream_).isEmpty()) {
      // Reconnects go to the station itself: the listener was counted once.
      keepStation(playbin_.redirection());
      if (!kept_.isEmpty()) stream_ = QUrl(kept_);
    }
    connectTimer_.stop();
    startDeadline_.stop();
    session_.played();
    show();
    stableTimer_.start(tuning_.stablePlayMs);
    if (!stallTimer_.isActive()) stallTimer_.start();
  } else if (wasPlaying) {
    stableTimer_.stop();
  }
}

void GstMediaPlayer::onBuffering(int percent) {
  if (!session_.active()) return;
  if (percent < 100) {
    session_.buffering();
    show(tr("Buffering %1%").arg(percent));
  }
  playbin_.setBuffering(percent < 100);
}

void GstMediaPlayer::onTitle(const QString& artist, const QString& title) {
  title_ = title;
  artist_ = artist;
  titleTouched();
  if (session_.phase() == Phase::Playing) show();
}

// The answer was a playlist, read by the pipeline's own connection: its entries come next.
void GstMediaPlayer::onPlaylist(const answerprobe::Playlist& list) {
  if (!session_.active()) return;
  if (session_.hasPlayed()) {
    fail(Failure::Unreadable);  // a reconnect that finds a playlist where the stream was
    return;
  }
  connectTimer_.stop();
  playbin_.halt();
  session_.playlist();
  show();
  keepStation(list.base);
  resolver_.expand(list.format, list.body, list.base);
}

// The first answer after a /play/ address came from where its redirect led: the station's own
// address (a playlist or the stream).
void GstMediaPlayer::keepStation(const QUrl& where) {
  if (playId_.isEmpty() || !kept_.isEmpty() || !where.isValid() || where.host().isEmpty() ||
      !keptaddress::playStationId(where).isEmpty())
    return;
  kept_ = where.toString(QUrl::FullyEncoded);
  qCInfo(lcPlayback) << "station" << playId_ << "is at" << kept_;
  Q_EMIT stationAddressFound(playId_, kept_);
}

void GstMediaPlayer::onClockLost() {
  if (session_.phase() == Phase::Playing) playbin_.restartClock();
}

void GstMediaPlayer::titleTouched() {
  const QString now = streamtitle::compose(artist_, title_);
  if (now == announcedTitle_) return;
  announcedTitle_ = now;
  Q_EMIT streamTitleChanged(now);
}

QString GstMediaPlayer::playingText() const {
  const QString now = streamtitle::compose(artist_, title_);
  return now.isEmpty() ? tr("Playing") : tr("Playing: %1").arg(now);
}
