#include "stationprobe.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "app/textdecoding.h"
#include "player_log.h"
#include "stationlist.h"

namespace {

constexpr int kTimeoutMs = 10000;
// A user's own station may sit behind a playlist that names a playlist; no further.
const StartBudget kBudget{4, 8};

bool isLoopback(const QUrl& url) {
  const QString host = url.host();
  return host == u"localhost" || QHostAddress(host).isLoopback();
}

QString kindOf(const QByteArray& mime, const QByteArray& head) {
  if (mime == "audio/mpeg" || mime == "audio/mp3" || head.startsWith("ID3")) return QStringLiteral("MP3");
  if (mime == "audio/aac" || mime == "audio/aacp" || mime == "audio/x-aac") return QStringLiteral("AAC");
  if (mime == "audio/ogg" || mime == "application/ogg" || head.startsWith("OggS")) return QStringLiteral("Ogg");
  if (mime == "audio/flac" || head.startsWith("fLaC")) return QStringLiteral("FLAC");
  if (head.size() >= 2 && uchar(head[0]) == 0xFF && (uchar(head[1]) & 0xF6) == 0xF0) return QStringLiteral("AAC");
  if (head.size() >= 2 && uchar(head[0]) == 0xFF && (uchar(head[1]) & 0xE0) == 0xE0) return QStringLiteral("MP3");
  return {};
}

// Names a stream sends are outside text: one plain line, bounded.
QString headerText(const QNetworkReply& reply, const char* name) {
  return stationlist::safeName(textdecoding::decodeText(reply.rawHeader(name).left(400)), {});
}

}  // namespace

StationProbe::StationProbe(QObject* parent) : QObject(parent), network_(new QNetworkAccessManager(this)) {
  connect(&resolver_, &StreamResolver::found, this, &StationProbe::fetch);
  connect(&resolver_, &StreamResolver::rejected, this, [this] { resolver_.next(); });
  connect(&resolver_, &StreamResolver::exhausted, this,
          [this] { Q_EMIT refused(lastRefusal_, lastDetail_); });
}

StationProbe::~StationProbe() { cancel(); }

void StationProbe::start(const QString& address) {
  cancel();
  if (!stationlist::isStationAddress(address)) {
    Q_EMIT refused(Refusal::NotHttp, {});
    return;
  }
  depth_ = 0;
  lastRefusal_ = Refusal::NoAnswer;
  lastDetail_.clear();
  resolver_.start(QUrl(address), kBudget);
}

void StationProbe::cancel() {
  resolver_.cancel();
  dropReply();
}

void StationProbe::dropReply() {
  if (!reply_) return;
  reply_->disconnect(this);
  reply_->abort();
  reply_->deleteLater();
}

void StationProbe::fetch(const QUrl& url) {
  dropReply();
  QNetworkRequest request(url);
  request.setTransferTimeout(kTimeoutMs);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setMaximumRedirectsAllowed(5);
  network_->setProxy(isLoopback(url) ? QNetworkProxy(QNetworkProxy::NoProxy) : QNetworkProxy());
  head_.emplace(url.path());
  contentType_.clear();
  reply_ = network_->get(request);
  connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
    if (answeredWithError()) return;
    contentType_ = reply_->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    decided(head_->setContentType(contentType_));
  });
  connect(reply_, &QNetworkReply::readyRead, this, &StationProbe::read);
  connect(reply_, &QNetworkReply::finished, this, &StationProbe::ended);
}

bool StationProbe::answeredWithError() {
  const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (status < 400) return false;
  refuseCandidate(Refusal::NoAnswer, QString::number(status));
  return true;
}

void StationProbe::read() {
  if (!reply_ || answeredWithError()) return;
  decided(head_->add(reply_->read(playlist::kMaxBytes + 1)));
}

void StationProbe::ended() {
  if (!reply_ || answeredWithError()) return;
  if (reply_->error() != QNetworkReply::NoError) return refuseCandidate(Refusal::NoAnswer, reply_->errorString());
  decided(head_->add(reply_->readAll().left(playlist::kMaxBytes + 1)));
  if (reply_) decided(head_->end());
}

void StationProbe::decided(AnswerHead::Verdict verdict) {
  if (!reply_ || verdict == AnswerHead::Verdict::Undecided) return;
  QNetworkReply& reply = *reply_;
  const QByteArray mime = textdecoding::mimeOf(contentType_);
  if (verdict == AnswerHead::Verdict::Playlist) {
    const QByteArray body = head_->bytes();
    const auto format = head_->format();
    const QUrl base = reply.url();
    dropReply();
    ++depth_;
    lastRefusal_ = Refusal::EmptyPlaylist;
    lastDetail_.clear();
    resolver_.expand(format, body, base);
    return;
  }
  const bool hls = playlist::detect(contentType_, head_->bytes()) == playlist::Format::Hls;
  QString kind = hls ? QStringLiteral("HLS") : kindOf(mime, head_->bytes());
  const bool audio = hls || playlist::isMediaType(contentType_) ||
                     (!kind.isEmpty() && (mime.isEmpty() || mime == "application/octet-stream"));
  if (!audio) return refuseCandidate(Refusal::NotAudio, QString::fromLatin1(mime.left(100)));
  if (kind.isEmpty()) kind = QString::fromLatin1(mime.left(100));
  ProbeFound what;
  what.stream = reply.url();
  what.kind = kind;
  what.bitrate = qBound(0, reply.rawHeader("icy-br").split(',').value(0).trimmed().toInt(), 100000);
  if (!reply.rawHeader("icy-name").trimmed().isEmpty()) what.name = headerText(reply, "icy-name");
  const QString site = QString::fromLatin1(reply.rawHeader("icy-url").left(1000)).trimmed();
  if (stationlist::isStationAddress(site)) what.website = site.startsWith(u"http://") ? site.mid(7) : site;
  what.viaPlaylist = depth_ > 0;
  cancel();
  qCInfo(lcFavourites) << "tried" << what.stream << "- a" << what.kind << "stream";
  Q_EMIT found(what);
}

void StationProbe::refuseCandidate(Refusal why, const QString& detail) {
  qCInfo(lcFavourites) << "not a station:" << (reply_ ? reply_->url() : QUrl()) << detail;
  dropReply();
  // The first playlist's failing entries say more than that the playlist had nothing.
  lastRefusal_ = why;
  lastDetail_ = detail;
  resolver_.next();
}
