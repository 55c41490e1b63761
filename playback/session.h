#pragma once

#include <QDateTime>

#include "playbackfailure.h"

namespace playback {

// Where a start of the player stands, from setURL() or play() until stop(), close() or the error.
enum class Phase { Idle, Resolving, Connecting, Playing, Buffering, Reconnecting, Stopped, Ready };

// The waits the reconnect rules work with.
struct ReconnectTimings {
  int baseMs = 500;            // the first wait, doubled for each further try
  int maxMs = 30000;           // the longest wait; the tries go on without end
  int silentNoticeMs = 60000;  // silent this long, the wait says since when
};

// What follows a failure of the current stream.
struct AfterFailure {
  Step step = Step::NextEntry;
  int delayMs = 0;  // Reconnect: the wait before the next try
  int attempt = 0;  // Reconnect: 1 for the first try after the drop
};

// One start of the player and its reconnects: the phase, and what the rules need to remember.
// GstMediaPlayer calls a method for each event and arms its timers from what comes back; this
// is the only place that changes the phase. Qt Core only, no pipeline.
class Session {
 public:
  explicit Session(ReconnectTimings timings = {}) : timings_(timings) {}

  Phase phase() const { return phase_; }
  // The play state the windows see (MediaPlayer::PlayState).
  int playState() const;
  // A stream is being found, opened or played.
  bool active() const;
  // The current stream has played: a failure now is a drop, reconnected without end.
  bool hasPlayed() const;
  // What a start that gives up now reports.
  Failure lastFailure() const { return lastFailure_; }
  // When the station went silent, once it has been silent for the notice time; invalid before.
  QDateTime silentSince(const QDateTime& now) const;

  void start();                // setURL(), play(): Resolving, the bookkeeping starts over
  void found();                // a stream to open: its start may be tried once more
  void opening();              // opening it: Connecting, unless it is a reconnect
  bool retryStart();           // it did not start in time: true once before it has played
  void rejected(Failure why);  // an address was refused before it was opened
  void playlist();             // the answer was a playlist: Resolving its entries
  void played();               // the pipeline plays
  void buffering();            // the buffer runs low while playing
  void steady();               // it has played long enough: the waits start over
  // Only while active(): before the stream has played, the next entry (Resolving); after, a
  // drop: Reconnecting with the wait before the next try.
  AfterFailure failed(Failure why, const QDateTime& now);
  // The wait is over: Reconnecting, opening again. `afresh`: cut short (network back, wake-up),
  // so the waits start over.
  void retry(bool afresh);
  void stopped();
  void ready();  // closed, or the start gave up

 private:
  void enter(Phase next);

  ReconnectTimings timings_;
  Phase phase_ = Phase::Idle;
  int retries_ = 0;            // reconnects since the stream last played steadily
  bool startRetried_ = false;  // the stream that did not start in time was opened again
  Failure lastFailure_ = Failure::NoConnection;
  QDateTime silentSince_;  // when a stream that played dropped; set in Reconnecting only
};

}  // namespace playback
