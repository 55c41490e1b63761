#pragma once

#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

#include "answerprobe.h"
#include "playbackfailure.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
class StreamTap;

// The GStreamer side of the player: one playbin at a time, built fresh for each stream, with
// the audio sink, the User-Agent, ICY and the answer probe set on its source, volume and mute,
// and the buffering rule. Its bus messages reach its own thread as BusEvents that carry the
// generation of the run they belong to; a message of an earlier run is stale and ignored, the
// others come out as the typed signals below, so no one else reads a GstMessage.
//
// playbin, not playbin3, for every stream: in GStreamer 1.22 playbin3's decodebin3 stops with
// "not-linked" where a live Ogg stream starts its next chain (the next song), which playbin's
// decodebin follows without a gap; and playbin3 costs a third more CPU while an MP3 plays (two
// multiqueue threads where playbin has one queue2).
//
// GStreamer starts with the first pipeline, not with the player. The audio sink is the
// session's (see gstsetup.h) unless VANTOR_AUDIO_SINK names another element or a bin
// description, such as "fakesink sync=true".
class Playbin final : public QObject {
  Q_OBJECT
 public:
  class BusEvent final : public QEvent {
   public:
    BusEvent(GstMessage* message, quint64 generation);
    ~BusEvent() override;
    static QEvent::Type kind();
    GstMessage* const message;
    const quint64 generation;
  };

  Playbin(const QByteArray& userAgent, int bufferMs, QObject* parent = nullptr);
  ~Playbin() override;
  Playbin(const Playbin&) = delete;
  Playbin& operator=(const Playbin&) = delete;

  // A fresh pipeline set to play the address. False when it cannot even start; an error
  // message may still be on its way.
  bool open(const QUrl& url);
  // To NULL; what the bus said so far is stale.
  void halt();
  quint64 generation() const;

  void setVolume(int volume, bool mute);

  // How long ago the network source last read data (counted from open()).
  qint64 msSinceData() const;

  // The usual buffering rule: held in PAUSED while the queue fills, PLAYING once it is full.
  void setBuffering(bool on);
  bool buffering() const { return buffering_; }
  // Moves the pipeline to where the buffer wants it once a state change under way has ended.
  void followBuffering();
  // The clock went away (an output changed): pause and play to pick a new one.
  void restartClock();

  GstElement* element() const { return playbin_; }
  // Where the current source's redirects led it; empty when it was not redirected.
  QUrl redirection() const;
  // Every pipeline built from now on hands its stream to the tap.
  void setTap(StreamTap* tap) { tap_ = tap; }
  // "PAUSED pending PLAYING ASYNC", for the log.
  QString describeState() const;

 Q_SIGNALS:
  // The pipeline changed state: it now plays or not, it played before or not; `settled` when no
  // further change is pending.
  void stateChanged(bool playing, bool wasPlaying, bool settled);
  // The queue of a buffered (not live) stream is this full.
  void bufferFilled(int percent);
  // The stream names its station (the icy-name header), repaired to text.
  void stationNamed(const QString& name);
  // The stream names what it plays now; the artist may be empty.
  void titleTagged(const QString& artist, const QString& title);
  // The answer was a playlist, read whole by the pipeline's own connection.
  void playlistFound(const answerprobe::Playlist& list);
  // An error message of the pipeline, reduced to what decides its meaning, and told for the log.
  void failed(const playback::PipelineError& error, const QString& description);
  void ended();
  void clockLost();

 protected:
  bool event(QEvent* e) override;

 private:
  struct Bridge;  // hands bus messages from GStreamer's threads to this one's
  void dispatch(GstMessage* msg);
  void readState(GstMessage* msg);
  void readBuffering(GstMessage* msg);
  void readTags(GstMessage* msg);
  void readError(GstMessage* msg);
  void build();
  void teardown();
  void applyVolume();

  std::unique_ptr<Bridge> bridge_;
  const int bufferMs_;
  GstElement* playbin_ = nullptr;
  bool buffering_ = false;
  int volume_ = 100;
  bool mute_ = false;
  StreamTap* tap_ = nullptr;
};
