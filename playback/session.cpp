#include "session.h"

#include "mediaplayer.h"

namespace playback {

int Session::playState() const {
  switch (phase_) {
    case Phase::Idle:
      return MediaPlayer::Undefined;
    case Phase::Playing:
      return MediaPlayer::Playing;
    case Phase::Stopped:
      return MediaPlayer::Stopped;
    case Phase::Ready:
      return MediaPlayer::Ready;
    case Phase::Resolving:
    case Phase::Connecting:
    case Phase::Buffering:
    case Phase::Reconnecting:
      break;
  }
  return MediaPlayer::Transitioning;
}

bool Session::active() const {
  return phase_ == Phase::Resolving || phase_ == Phase::Connecting || hasPlayed();
}

bool Session::hasPlayed() const {
  return phase_ == Phase::Playing || phase_ == Phase::Buffering || phase_ == Phase::Reconnecting;
}

QDateTime Session::silentSince(const QDateTime& now) const {
  // A short drop is a reconnect; a station off the air for a while tells since when.
  if (silentSince_.isValid() && silentSince_.msecsTo(now) >= timings_.silentNoticeMs) return silentSince_;
  return {};
}

void Session::enter(Phase next) {
  phase_ = next;
  if (next != Phase::Reconnecting) silentSince_ = QDateTime();
}

void Session::start() {
  retries_ = 0;
  lastFailure_ = Failure::NoConnection;
  enter(Phase::Resolving);
}

void Session::found() { startRetried_ = false; }

void Session::opening() {
  if (!hasPlayed()) enter(Phase::Connecting);
}

bool Session::retryStart() {
  // A first connection that hangs gets one more go before it counts as failed.
  if (hasPlayed() || startRetried_) return false;
  startRetried_ = true;
  return true;
}

void Session::rejected(Failure why) { lastFailure_ = why; }

void Session::playlist() { enter(Phase::Resolving); }

void Session::played() { enter(Phase::Playing); }

void Session::buffering() {
  if (phase_ == Phase::Playing) enter(Phase::Buffering);
}

void Session::steady() { retries_ = 0; }

AfterFailure Session::failed(Failure why, const QDateTime& now) {
  AfterFailure next{stepAfter(hasPlayed())};
  if (next.step == Step::NextEntry) {
    lastFailure_ = why;
    enter(Phase::Resolving);
    return next;
  }
  next.delayMs = reconnectDelay(retries_, timings_.baseMs, timings_.maxMs);
  next.attempt = ++retries_;
  if (!silentSince_.isValid()) silentSince_ = now;
  enter(Phase::Reconnecting);
  return next;
}

void Session::retry(bool afresh) {
  if (afresh) retries_ = 0;
  enter(Phase::Reconnecting);
}

void Session::stopped() { enter(Phase::Stopped); }

void Session::ready() { enter(Phase::Ready); }

}  // namespace playback
