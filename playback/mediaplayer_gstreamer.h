#pragma once

#include <QDeadlineTimer>
#include <QTimer>
#include <QUrl>

#include <functional>

#include "mediaplayer.h"
#include "version.h"
#include "playbackfailure.h"
#include "playbin.h"
#include "session.h"
#include "streamresolver.h"
#include "streamtap.h"

// Timings of the stream handling; the defaults suit real stations, tests shorten them.
struct GstPlayerTuning {
  int reconnectBaseMs = 500;   // first reconnect delay, doubled for each further try
  int reconnectMaxMs = 30000;  // the longest wait between two tries; they go on without end
  int silentNoticeMs = 60000;  // silent this long, the wait says since when instead
  int stablePlayMs = 10000;    // playing this long counts as recovered: the delays start over
  int stallMs = 6000;          // a stream that has played and brings no data this long has dropped
  int connectTimeoutMs =
      10000;            // a stream that does not start playing within this is retried once, then failed
  int bufferMs = 1000;  // how much a network stream buffers before it plays
  // One start (setURL or play) may read this many playlists, try this many addresses and take
  // this long before error() is raised.
  int maxPlaylists = 8;
  int maxCandidates = 20;
  int startDeadlineMs = 30000;
};

// The media player: the session and its retry rules, no GStreamer of its own. StreamResolver
// lists the addresses to try, Playbin plays each and tells what its pipeline says; when an
// answer turns out to be a playlist, the pipeline's own connection has read it and its entries
// are tried next.
//
// Play states and status texts:
//   0 Undefined     ""                        no address has been set yet
//   9 Transitioning "Connecting..."           opening the address; reading it if it is a playlist
//                   "Buffering 40%"           a buffering message below 100%, pipeline held PAUSED
//                   "Reconnecting in 12 s..." waiting to reconnect a dropped stream (counts down)
//                   "Silent since 21:04, trying again in 30 s"   the same wait, once the station
//                                             has been silent for silentNoticeMs
//                   "Reconnecting..."         opening it again
//   3 Playing       "Playing", "Playing: Artist - Title"   pipeline reached PLAYING; the title is
//                                             the latest ICY StreamTitle or Vorbis comment
//   1 Stopped       "Stopped"                 after stop(): pipeline in NULL
//  10 Ready         "Ready"                   after close()
//                   "Stream not found", "Cannot play this stream", "Cannot connect to the stream",
//                                             the stream failed before it ever played in this
//                                             session; error() was raised once
//
// A directory's /play/ address (a redirect that counts the listener) is opened on each start by
// the user; where it led is kept as URL() and is what a reconnect opens. See keptaddress.h for
// the addresses of earlier runs' directory servers.
//
// Only http and https addresses are opened (icy and icyx are read as http): any other scheme,
// a local file or standard input among them, fails as "Cannot play this stream". Setting the
// address that is already starting or playing changes nothing.
//
// The session (playback::Session, session.h) holds the phase and the retry rules and is the
// only place that changes them; the player tells it each event, shows the phase it leads to and
// arms its timers from the answer. Phases, with the session's method on each move:
//   any          --setURL() (not of the address starting or playing), play() while not active:
//                  start()--> Resolving; the start deadline runs until the first PLAYING
//   Resolving    --stream found: found(), opening()--> Connecting; the connect timeout runs
//   Resolving    --no address or budget left, start deadline--> Ready: error(lastFailure())
//   Connecting   --PLAYING: played()--> Playing; the stable and stall timers run
//   Connecting   --the answer is a playlist: playlist()--> Resolving (its entries)
//   Connecting   --failure: failed()--> Resolving (the next entry; rejected() ones are skipped)
//   Connecting   --connect timeout: retryStart()--> Connecting (once), then as a failure
//   Playing      --buffer below 100%: buffering()--> Buffering --PLAYING: played()--> Playing
//   Playing      --stable timer: steady()--> the next drop waits the first delay again
//   Playing, Buffering, Reconnecting --failure or stall: failed()--> Reconnecting; the reconnect
//                  timer waits the delay it returns --retry()--> opening again
//   Reconnecting --reconnectNow(): retry(afresh)--> opening again, the delays start over
//   Playing, Buffering, Reconnecting --reopen(): retry(afresh)--> the same; before it has
//                  played, reopen() starts over: start()
//   (a stream that has played is never given up: only stop(), close() or a new address end it)
//   any          --stop(): stopped()--> Stopped;  --close(), setURL(""): ready()--> Ready
class GstMediaPlayer final : public MediaPlayer {
  Q_OBJECT
 public:
  explicit GstMediaPlayer(QObject* parent = nullptr);
  explicit GstMediaPlayer(const GstPlayerTuning& tuning, QObject* parent = nullptr);
  ~GstMediaPlayer() override;

  void setURL(const QString& url) override;
  QString URL() const override { return kept_.isEmpty() ? url_ : kept_; }
  // Today's directory server: /play/ and demo addresses of earlier runs' servers go to it. Asked
  // at each start, as the server may move while the program runs.
  void setDirectory(std::function<QUrl()> base) { directory_ = std::move(base); }
  void setDirectory(const QUrl& base) {
    directory_ = [base] { return base; };
  }
  // Maps the address at each start and reconnect: one of a directory server that has moved
  // since is played from where the server is now.
  void setAddressMap(std::function<QString(const QString&)> map) { addressMap_ = std::move(map); }

  int playState() const override { return session_.playState(); }
  QString statusText() const override { return status_; }

  void play() override;
  void stop() override;
  void close() override;

  bool mute() const override { return mute_; }
  void setMute(bool on) override;
  int volume() const override { return volume_; }
  void setVolume(int volume) override;
  StreamTap* streamTap() override { return &tap_; }

  void reconnectNow() override;
  void reopen() override;

  // The playbin itself, for diagnostics and tests.
  GstElement* pipeline() const { return playbin_.element(); }
  // The address currently handed to GStreamer (a playlist's entry, not the playlist).
  QUrl currentStream() const { return stream_; }

  static constexpr const char* kUserAgent = Version::kUserAgent;

 private:
  void show(const QString& text = {});

  void startSession();
  void halt();
  void onFound(const QUrl& stream);
  void openStream();
  void onConnectTimeout();
  void checkStall();
  void tryAgain(bool afresh);
  void showCountdown();
  void fail(playback::Failure why);
  void raiseError(playback::Failure why);

  void onError(const playback::PipelineError& error, const QString& what);
  void onEos();
  void onStateChanged(bool playing, bool wasPlaying, bool settled);
  void onBuffering(int percent);
  void onTitle(const QString& artist, const QString& title);
  void onClockLost();
  void onPlaylist(const answerprobe::Playlist& list);
  void keepStation(const QUrl& where);

  QString playingText() const;
  void titleTouched();

  GstPlayerTuning tuning_;
  StreamResolver resolver_;
  StreamTap tap_;  // outlives the pipelines that call it
  Playbin playbin_;

  QString url_;
  std::function<QUrl()> directory_;
  QString playId_;  // the station id when url_ is a directory's /play/ address
  QString kept_;    // where that address led
  std::function<QString(const QString&)> addressMap_;
  playback::Session session_;
  QString status_;
  bool mute_ = false;
  int volume_ = 100;

  // The current session: from setURL()/play() until stop(), close() or error().
  QUrl stream_;
  QString artist_;
  QString title_;
  QString announcedTitle_;

  QTimer reconnectTimer_;
  QTimer stableTimer_;
  QTimer connectTimer_;
  QTimer startDeadline_;
  QDeadlineTimer reconnectDue_;
  QTimer countdownTimer_;  // the status line's seconds until the next try
  QTimer stallTimer_;      // looks for a stream that has stopped bringing data
};
