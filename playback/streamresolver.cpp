#include "streamresolver.h"

#include "playback_log.h"

namespace {

constexpr int kMaxDepth = 2;  // a playlist may name a playlist, but no deeper

}  // namespace

using playback::Failure;

StreamResolver::StreamResolver(QObject* parent) : QObject(parent) {}

void StreamResolver::start(const QList<QUrl>& addresses, const StartBudget& budget) {
  cancel();
  budget_ = budget;
  for (const QUrl& address : addresses) candidates_.append(Candidate{address, 0});
  playlistsRead_ = 0;
  candidatesTried_ = 0;
  next();
}

void StreamResolver::next() {
  if (candidates_.isEmpty()) {
    Q_EMIT exhausted();
    return;
  }
  if (++candidatesTried_ > budget_.maxCandidates) {
    qCInfo(lcPlayback) << "tried" << budget_.maxCandidates << "addresses; giving up";
    candidates_.clear();
    Q_EMIT exhausted();
    return;
  }
  resolve(candidates_.takeFirst());
}

void StreamResolver::cancel() {
  candidates_.clear();
  current_ = {};
}

void StreamResolver::resolve(const Candidate& given) {
  const Candidate c{playableStream(given.url), given.depth};
  if (c.url.isEmpty()) {
    qCInfo(lcPlayback) << "not a stream address:" << given.url;
    Q_EMIT rejected(Failure::Unreadable);
    return;
  }
  current_ = c;
  Q_EMIT found(c.url);
}

void StreamResolver::expand(playlist::Format format, const QByteArray& body, const QUrl& base) {
  if (current_.depth > kMaxDepth) {
    qCInfo(lcPlayback) << "playlists nested too deep at" << current_.url;
    Q_EMIT rejected(Failure::Unreadable);
    return;
  }
  if (playlistsRead_ >= budget_.maxPlaylists) {
    qCInfo(lcPlayback) << "read" << playlistsRead_ << "playlists already; skipping" << current_.url;
    Q_EMIT rejected(Failure::Unreadable);
    return;
  }
  ++playlistsRead_;
  const QList<QUrl> entries = playlist::entries(format, body, base);
  qCInfo(lcPlayback) << "playlist" << current_.url << "has" << entries.size() << "streams";
  if (entries.isEmpty()) {
    Q_EMIT rejected(Failure::Unreadable);
    return;
  }
  for (qsizetype i = entries.size() - 1; i >= 0; --i)
    candidates_.prepend(Candidate{entries[i], current_.depth + 1});
  next();
}

QUrl playableStream(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return {};
  const QString scheme = url.scheme().toLower();
  if (scheme == u"http" || scheme == u"https") return url;
  if (scheme != u"icy" && scheme != u"icyx") return {};
  QUrl http = url;
  http.setScheme(QStringLiteral("http"));
  return http;
}
