#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include "playbackfailure.h"
#include "playlist.h"

class QNetworkAccessManager;
class QNetworkReply;

// One start (setURL or play) may read this many playlists and try this many addresses: a
// hostile tree of playlists cannot keep us busy.
struct StartBudget {
  int maxPlaylists = 8;
  int maxCandidates = 20;
};

// Turns a station's address into the stream to play. The answer of an address is looked at
// first: a playlist (.pls, .m3u, .asx, .xspf, also under a vague content type) is read and its
// entries become the next candidates, in their order, two levels deep at most. An address whose
// path names an audio file is not looked at, so the player's connection is the only one.
//
// Each candidate ends in one signal: found() (play it), rejected() (it cannot be played; the
// owner calls next() for the one after it) or, with no candidate or budget left, exhausted().
class StreamResolver final : public QObject {
  Q_OBJECT
 public:
  StreamResolver(QNetworkAccessManager& network, const QByteArray& userAgent, QObject* parent = nullptr);
  ~StreamResolver() override;

  // Starts over with the address as the only candidate and a fresh budget.
  void start(const QUrl& address, const StartBudget& budget);
  // Goes on with the next candidate.
  void next();
  // Drops the candidates and any look under way; no signal follows.
  void cancel();

 Q_SIGNALS:
  void found(const QUrl& stream, bool ogg);
  void rejected(playback::Failure why);
  void exhausted();

 private:
  struct Candidate {
    QUrl url;
    int depth = 0;
  };

  void resolve(const Candidate& c);
  void look(const Candidate& c);
  void onHeaders();
  void onData(bool finished);
  void expand(playlist::Format format, const QByteArray& body, const QUrl& base);
  void settle(const QUrl& stream);
  void reject(playback::Failure why);
  int status() const;
  void dropLook();

  QNetworkAccessManager& network_;
  const QByteArray userAgent_;
  StartBudget budget_;
  QList<Candidate> candidates_;
  int playlistsRead_ = 0;
  int candidatesTried_ = 0;

  Candidate looking_;
  QPointer<QNetworkReply> reply_;
  QByteArray body_;
  QByteArray type_;
  bool ogg_ = false;
};

// The address GStreamer may open for a station's address: http and https as they are, icy and
// icyx as http; an empty URL for anything else.
QUrl PlayableStream(const QUrl& url);
