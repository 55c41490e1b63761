#include "streamresolver.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "playback_log.h"

namespace {

constexpr int kSniffBytes = 4096;  // enough of an answer to tell a playlist from audio
constexpr int kMaxDepth = 2;       // a playlist may name a playlist, but no deeper
constexpr int kLookTimeoutMs = 10000;

bool isOggType(const QByteArray& contentType) {
  const QByteArray mime = contentType.split(';').first().trimmed().toLower();
  return mime == "application/ogg" || mime == "application/x-ogg" || mime == "audio/ogg" ||
         mime == "audio/x-ogg" || mime == "audio/opus" || mime == "audio/vorbis";
}

QString extension(const QUrl& url) {
  const QString path = url.path().toLower();
  const qsizetype dot = path.lastIndexOf(u'.');
  return dot < 0 || path.indexOf(u'/', dot) >= 0 ? QString() : path.mid(dot + 1);
}

bool isOggPath(const QUrl& url) {
  const QString ext = extension(url);
  return ext == u"ogg" || ext == u"oga" || ext == u"opus";
}

// The path names an audio file: what it answers is the stream, or no stream at all.
bool namesAudio(const QUrl& url) {
  static const QStringList kAudio = {QStringLiteral("mp3"),  QStringLiteral("aac"), QStringLiteral("aacp"),
                                     QStringLiteral("ogg"),  QStringLiteral("oga"), QStringLiteral("opus"),
                                     QStringLiteral("flac"), QStringLiteral("m4a"), QStringLiteral("mp2")};
  return kAudio.contains(extension(url));
}

// A content type that says nothing about what the body is.
bool isVagueType(const QByteArray& contentType) {
  const QByteArray mime = contentType.split(';').first().trimmed().toLower();
  return mime.isEmpty() || mime == "text/plain" || mime == "application/octet-stream";
}

bool isPlaylist(playlist::Format f) {
  return f == playlist::Format::Pls || f == playlist::Format::M3u || f == playlist::Format::Asx ||
         f == playlist::Format::Xspf;
}

}  // namespace

using playback::Failure;

StreamResolver::StreamResolver(QNetworkAccessManager& network, const QByteArray& userAgent, QObject* parent)
    : QObject(parent), network_(network), userAgent_(userAgent) {}

StreamResolver::~StreamResolver() { dropLook(); }

void StreamResolver::start(const QUrl& address, const StartBudget& budget) {
  cancel();
  budget_ = budget;
  candidates_ = {Candidate{address, 0}};
  playlistsRead_ = 0;
  candidatesTried_ = 0;
  next();
}

void StreamResolver::next() {
  dropLook();
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
  dropLook();
}

void StreamResolver::resolve(const Candidate& given) {
  const Candidate c{PlayableStream(given.url), given.depth};
  if (c.url.isEmpty()) {
    qCInfo(lcPlayback) << "not a stream address:" << given.url;
    reject(Failure::Unreadable);
    return;
  }
  ogg_ = isOggPath(c.url);
  if (c.depth > kMaxDepth || namesAudio(c.url)) {
    Q_EMIT found(c.url, ogg_);
    return;
  }
  look(c);
}

void StreamResolver::look(const Candidate& c) {
  looking_ = c;
  body_.clear();
  type_.clear();
  QNetworkRequest req(c.url);
  req.setHeader(QNetworkRequest::UserAgentHeader, userAgent_);
  req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  req.setMaximumRedirectsAllowed(5);
  req.setTransferTimeout(kLookTimeoutMs);
  reply_ = network_.get(req);
  connect(reply_, &QNetworkReply::metaDataChanged, this, &StreamResolver::onHeaders);
  connect(reply_, &QNetworkReply::readyRead, this, [this] { onData(false); });
  connect(reply_, &QNetworkReply::finished, this, [this] { onData(true); });
}

int StreamResolver::status() const {
  return reply_ ? reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

void StreamResolver::onHeaders() {
  const int code = status();
  if (code >= 300 && code < 400) return;  // being redirected
  if (code >= 400) {
    qCInfo(lcPlayback) << looking_.url << "answered" << code;
    reject(code == 404 || code == 410 ? Failure::NotFound : Failure::Unreadable);
    return;
  }
  type_ = reply_->rawHeader("Content-Type");
  if (isOggType(type_)) ogg_ = true;
  if (isVagueType(type_)) type_ = playlist::typeForPath(looking_.url.path());
  if (playlist::isMediaType(type_)) settle(looking_.url);
}

void StreamResolver::onData(bool finished) {
  if (!reply_) return;
  if (finished && reply_->error() != QNetworkReply::NoError && reply_->bytesAvailable() == 0 &&
      body_.isEmpty()) {
    if (status() >= 400) {
      onHeaders();
      return;
    }
    // We could not look (refused, an ICY answer Qt does not speak): GStreamer has the last word.
    qCInfo(lcPlayback) << "cannot look at" << looking_.url << ":" << reply_->errorString();
    settle(looking_.url);
    return;
  }
  body_ += reply_->read(playlist::kMaxBytes + 1 - body_.size());
  const bool full = body_.size() > playlist::kMaxBytes;
  if (!finished && !full && body_.size() < kSniffBytes) return;

  const playlist::Format format = playlist::detect(type_, body_);
  if (!isPlaylist(format)) {
    settle(looking_.url);
    return;
  }
  if (playlistsRead_ >= budget_.maxPlaylists) {
    qCInfo(lcPlayback) << "read" << playlistsRead_ << "playlists already; skipping" << looking_.url;
    reject(Failure::Unreadable);
    return;
  }
  if (!finished && !full) return;  // read it whole (up to the cap)
  ++playlistsRead_;
  expand(format, body_, reply_->url() /* after redirects */);
}

void StreamResolver::expand(playlist::Format format, const QByteArray& body, const QUrl& base) {
  const QList<QUrl> entries = playlist::entries(format, body, base);
  qCInfo(lcPlayback) << "playlist" << looking_.url << "has" << entries.size() << "streams";
  if (entries.isEmpty()) {
    reject(Failure::Unreadable);
    return;
  }
  for (qsizetype i = entries.size() - 1; i >= 0; --i)
    candidates_.prepend(Candidate{entries[i], looking_.depth + 1});
  next();
}

void StreamResolver::settle(const QUrl& stream) {
  dropLook();
  Q_EMIT found(stream, ogg_);
}

void StreamResolver::reject(Failure why) {
  dropLook();
  Q_EMIT rejected(why);
}

void StreamResolver::dropLook() {
  if (!reply_) return;
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  reply->disconnect(this);
  // Not from inside the reply's own signal: Qt would report the abort as a second error.
  QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
  reply->deleteLater();
}

QUrl PlayableStream(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return {};
  const QString scheme = url.scheme().toLower();
  if (scheme == u"http" || scheme == u"https") return url;
  if (scheme != u"icy" && scheme != u"icyx") return {};
  QUrl http = url;
  http.setScheme(QStringLiteral("http"));
  return http;
}
