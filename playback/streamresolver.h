#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QUrl>

#include "playbackfailure.h"
#include "playlist.h"

// One start (setURL or play) may read this many playlists and try this many addresses: a
// hostile tree of playlists cannot keep us busy.
struct StartBudget {
  int maxPlaylists = 8;
  int maxCandidates = 20;
};

// The addresses to try for a station's address, in their order: the address itself, then the
// entries of a playlist it turns out to be (two levels deep at most), within the budget. It
// opens no connection: the player plays each candidate and, when the answer is a playlist,
// hands its body back through expand().
//
// Each candidate ends in one signal: found() (play it), rejected() (it cannot be played; the
// owner calls next() for the one after it) or, with no candidate or budget left, exhausted().
class StreamResolver final : public QObject {
  Q_OBJECT
 public:
  explicit StreamResolver(QObject* parent = nullptr);

  // Starts over with the address as the only candidate and a fresh budget.
  void start(const QUrl& address, const StartBudget& budget) { start(QList<QUrl>{address}, budget); }
  // Starts over with these addresses, one after the other, and a fresh budget.
  void start(const QList<QUrl>& addresses, const StartBudget& budget);
  // Goes on with the next candidate.
  void next();
  // The candidate last found answered with this playlist, found at base (after redirects):
  // its entries come next.
  void expand(playlist::Format format, const QByteArray& body, const QUrl& base);
  // Drops the candidates; no signal follows.
  void cancel();

 Q_SIGNALS:
  void found(const QUrl& stream);
  void rejected(playback::Failure why);
  void exhausted();

 private:
  struct Candidate {
    QUrl url;
    int depth = 0;
  };

  void resolve(const Candidate& c);

  StartBudget budget_;
  QList<Candidate> candidates_;
  Candidate current_;
  int playlistsRead_ = 0;
  int candidatesTried_ = 0;
};

// The address GStreamer may open for a station's address: http and https as they are, icy and
// icyx as http; an empty URL for anything else.
QUrl playableStream(const QUrl& url);
