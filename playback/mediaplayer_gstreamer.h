#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "mediaplayer.h"
#include "playlist.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
class QNetworkAccessManager;
class QNetworkReply;

// Timings of the stream handling; the defaults suit real stations, tests shorten them.
struct GstPlayerTuning {
  int reconnectBaseMs = 500;     // first reconnect delay, doubled for each further try
  int maxReconnects = 5;         // tries after a drop before error() is raised
  int stablePlayMs = 10000;      // playing this long counts as recovered: the tries start over
  int connectTimeoutMs = 10000;  // a stream that does not start playing within this is retried once, then failed
  int bufferMs = 1000;           // how much a network stream buffers before it plays
  // One start (setURL or play) may read this many playlists, try this many addresses and take
  // this long before error() is raised: a hostile tree of playlists cannot keep us busy.
  int maxPlaylists = 8;
  int maxCandidates = 20;
  int startDeadlineMs = 30000;
};

// The media player on GStreamer's playbin3 (playbin for Ogg streams, whose next song is a new
// Ogg chain that playbin3 of GStreamer 1.22 cannot follow).
//
// Play states and status texts:
//   0 Undefined   ""                          no address has been set yet
//   9 Transitioning "Connecting..."           looking at the address (playlist?), then READY/PAUSED
//                                             while the pipeline prerolls
//                 "Buffering 40%"             a buffering message below 100%, pipeline held PAUSED
//                 "Reconnecting (2/5)..."     waiting to reconnect a dropped stream
//   3 Playing     "Playing", "Playing: Artist - Title"   pipeline reached PLAYING; the title is the
//                                             latest ICY StreamTitle or Vorbis comment
//   1 Stopped     "Stopped"                   after stop(): pipeline in NULL
//  10 Ready       "Ready"                     after close() or the end of a local file: NULL
//                 "Stream not found", "Cannot play this stream", "Cannot connect to the stream",
//                 "Connection lost"
//                                             the stream failed; error() was raised once
//
// Only http and https addresses are opened (icy and icyx are read as http): any other scheme,
// a local file or standard input among them, fails as "Cannot play this stream".
//
// Volume is 0..100 on a cubic scale (what the ear hears as even steps) and goes to playbin's
// "volume" as the matching linear factor; mute goes to playbin's "mute".
//
// The audio sink is autoaudiosink unless VANTOR_AUDIO_SINK names another element or a bin
// description, such as "fakesink sync=true".
class GstMediaPlayer final : public MediaPlayer {
  Q_OBJECT
 public:
  explicit GstMediaPlayer(QObject* parent = nullptr);
  explicit GstMediaPlayer(const GstPlayerTuning& tuning, QObject* parent = nullptr);
  ~GstMediaPlayer() override;

  void setURL(const QString& url) override;
  QString URL() const override { return url_; }

  int playState() const override { return state_; }
  QString statusText() const override { return status_; }

  void play() override;
  void stop() override;
  void close() override;

  bool mute() const override { return mute_; }
  void setMute(bool on) override;
  int volume() const override { return volume_; }
  void setVolume(int volume) override;

  // The playbin itself, for diagnostics and tests.
  GstElement* pipeline() const { return playbin_; }
  // The address currently handed to GStreamer (a playlist's entry, not the playlist).
  QUrl currentStream() const { return stream_; }

  static constexpr const char* kUserAgent = "VantorInternetRadio/2.0";

 protected:
  bool event(QEvent* e) override;

 private:
  struct Candidate {
    QUrl url;
    int depth = 0;
  };
  enum class Failure { NotFound, Unreadable, NoConnection, Lost };

  struct Bridge;  // hands bus messages from GStreamer's threads to ours
  void handleMessage(GstMessage* msg);
  void buildPipeline(bool chainedOgg);
  void teardownPipeline();

  void startSession();
  void halt();
  void tryNext();
  void resolve(const Candidate& c);
  void expand(const Candidate& from, playlist::Format format, const QByteArray& body, const QUrl& base);
  int probeStatus() const;
  void onProbeHeaders();
  void onProbeData(bool finished);
  void dropProbe();
  void startStream(const QUrl& url);
  void fail(Failure why);
  void scheduleReconnect();
  void raiseError(Failure why);
  void onBuffering(int percent);
  void followBuffering();
  void onTags(GstMessage* msg);
  void setStatus(int state, const QString& text);
  QString playingText() const;
  void titleTouched();
  void applyVolume();

  GstPlayerTuning tuning_;
  GstElement* playbin_ = nullptr;
  bool chainedOgg_ = false;  // playbin_ is a playbin, for Ogg streams
  bool oggHint_ = false;     // the stream about to be opened is Ogg
  std::unique_ptr<Bridge> bridge_;

  QString url_;
  int state_ = Undefined;
  QString status_;
  bool mute_ = false;
  int volume_ = 100;

  // The current session: from setURL()/play() until stop(), close() or error().
  QList<Candidate> candidates_;
  Candidate probing_;
  QUrl stream_;
  bool connected_ = false;  // the current stream has played; a failure now is a drop
  bool buffering_ = false;
  bool stallRetried_ = false;
  int retries_ = 0;
  int playlistsRead_ = 0;  // in this start
  int candidatesTried_ = 0;
  Failure lastFailure_ = Failure::NoConnection;
  QString artist_;
  QString title_;
  QString announcedTitle_;

  QNetworkAccessManager* network_ = nullptr;
  QPointer<QNetworkReply> probe_;
  QByteArray probeBody_;
  QByteArray probeType_;

  QTimer reconnectTimer_;
  QTimer stableTimer_;
  QTimer connectTimer_;
  QTimer startDeadline_;
};

// The address GStreamer may open for a station's address: http and https as they are, icy and
// icyx as http; an empty URL for anything else.
QUrl PlayableStream(const QUrl& url);
