#include "transfer.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "app/textdecoding.h"
#include "app/trap.h"
#include "directory_log.h"

namespace {

class BusyCursor {
 public:
  BusyCursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (shown_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~BusyCursor() {
    if (shown_) QGuiApplication::restoreOverrideCursor();
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  bool shown_;
};

bool isWebScheme(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return scheme == u"http" || scheme == u"https";
}

bool isWebAddress(const QUrl& url) { return url.isValid() && isWebScheme(url) && !url.host().isEmpty(); }

// Qt decodes "%2E" to "." and then resolves dot segments away: "/zenders/%2E%2E" would ask
// for "/radio/inter". Such an address is refused rather than sent somewhere else.
bool hasDotSegment(const QUrl& url) {
  const QStringList segments = url.path(QUrl::FullyDecoded).split(u'/');
  return segments.contains(QStringLiteral(".")) || segments.contains(QStringLiteral(".."));
}

bool isLoopback(const QUrl& url) {
  const QString host = url.host().toLower();
  return host == u"localhost" || QHostAddress(host).isLoopback();
}

constexpr qint64 kReadBufferBytes = 256 * 1024;

struct Outcome {
  QByteArray body;
  bool tooLarge = false;
  bool timedOut = false;
  bool refusedRedirect = false;
  int redirects = 0;
  bool finished = false;
};

// The answer came with an HTTP error status: its page is still the answer.
bool isHttpError(const QNetworkReply& reply) {
  const int code = reply.error();
  return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
         ((code >= QNetworkReply::ContentAccessDenied && code <= QNetworkReply::UnknownContentError) ||
          (code >= QNetworkReply::InternalServerError && code <= QNetworkReply::UnknownServerError));
}

// Qt 6.4 ends a loop of redirects to the very same address without an error, the last answer
// a redirect (or an interim status) with no page.
bool isFinalAnswer(const QNetworkReply& reply) {
  const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  return status >= 200 && !(status >= 300 && status < 400);
}

QString reasonFor(const QNetworkReply& reply, const Outcome& outcome, std::chrono::milliseconds timeout) {
  if (outcome.tooLarge) return QStringLiteral("the answer is larger than %1 bytes").arg(Transfer::kMaxBodyBytes);
  if (outcome.timedOut) return QStringLiteral("no answer within %1 ms").arg(timeout.count());
  if (outcome.redirects > Transfer::kMaxRedirects)
    return QStringLiteral("more than %1 redirects").arg(Transfer::kMaxRedirects);
  if (outcome.refusedRedirect) return QStringLiteral("redirected to an address that is not http or https");
  if (reply.error() == QNetworkReply::NoError && !isFinalAnswer(reply))
    return QStringLiteral("more than %1 redirects").arg(Transfer::kMaxRedirects);
  switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
      return QStringLiteral("no connection to the server");
    case QNetworkReply::HostNotFoundError:
      return QStringLiteral("host not found");
    default:
      return reply.errorString().trimmed();
  }
}

QNetworkRequest requestFor(const QUrl& address) {
  QNetworkRequest request(address);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
  // Counted in follow() as well: Qt's own count misses a loop to the very same address.
  request.setMaximumRedirectsAllowed(Transfer::kMaxRedirects + 1);
  request.setHeader(QNetworkRequest::UserAgentHeader, Transfer::kUserAgent);
  // Uncompressed: Qt's unpacking under a bounded read buffer ended a long gzip answer at
  // exactly 4 MiB without an error, and the cap must see the whole answer.
  request.setRawHeader("Accept-Encoding", "identity");
  // A station list is read once: no disk cache, no cookies kept.
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  return request;
}

// Collects the body as it comes, cut off once it passes the cap; redirects only to the web.
void follow(QNetworkReply* reply, Outcome& outcome) {
  QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, &outcome](const QUrl& target) {
    if (++outcome.redirects <= Transfer::kMaxRedirects && isWebAddress(target) && !hasDotSegment(target)) {
      Q_EMIT reply->redirectAllowed();
      return;
    }
    outcome.refusedRedirect = outcome.redirects <= Transfer::kMaxRedirects;
    reply->abort();
  });
  const auto take = [reply, &outcome] {
    const QByteArray chunk = reply->readAll();
    if (outcome.body.size() + chunk.size() > Transfer::kMaxBodyBytes) {
      outcome.tooLarge = true;
      reply->abort();
      return;
    }
    outcome.body += chunk;
  };
  QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, &outcome] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > Transfer::kMaxBodyBytes) {
      outcome.tooLarge = true;
      reply->abort();
    }
  });
  QObject::connect(reply, &QIODevice::readyRead, reply, take);
  QObject::connect(reply, &QNetworkReply::finished, reply, [reply, &outcome, take] {
    if (!outcome.tooLarge && reply->isOpen()) take();
    outcome.finished = true;
  });
}

}  // namespace

Transfer::Transfer(QObject* parent) : QObject(parent) {}

QString Transfer::OpenURL(const QString& url) {
  const QString given = url.trimmed();
  const QUrl address(given, QUrl::TolerantMode);
  if (!isWebAddress(address)) throw StepFailed(QStringLiteral("not an http or https address: %1").arg(url));
  if (hasDotSegment(address))
    throw StepFailed(QStringLiteral("an address with a dot segment names no file: %1").arg(url));
  // A timer or a D-Bus call may run while we wait below; two downloads never interleave.
  if (running_) throw StepFailed(QStringLiteral("another download is still running: %1").arg(url));
  running_ = true;
  BusyCursor busy;

  // One manager per download: its worker thread lives only as long as the download.
  QNetworkAccessManager network;
  // The bundled directory runs on this machine; a desktop proxy must not come in between.
  if (isLoopback(address)) network.setProxy(QNetworkProxy::NoProxy);
  Outcome outcome;
  std::unique_ptr<QNetworkReply> reply(network.get(requestFor(address)));
  // Unbounded, Qt's network thread reads a fast endless answer into memory without ever
  // handing a piece on; bounded, it waits for us and the cap below can act.
  reply->setReadBufferSize(kReadBufferBytes);
  follow(reply.get(), outcome);

  // The caller still waits for the answer, and user input stays out meanwhile, but painting,
  // timers, the player and D-Bus go on.
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, reply.get(), [&] {
    outcome.timedOut = true;
    reply->abort();
  });
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  deadline.start(timeout_);
  // exec() also returns when the whole program quits; the transfer is then abandoned.
  if (!outcome.finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
  running_ = false;
  const QByteArray wire = address.toEncoded();
  if (!outcome.finished) {
    reply->abort();
    throw StepAbandoned(QStringLiteral("download of %1 given up: the program is ending").arg(QString::fromLatin1(wire)));
  }
  const bool failed = (reply->error() != QNetworkReply::NoError && !isHttpError(*reply)) || !isFinalAnswer(*reply);
  const bool redirectFailed = outcome.refusedRedirect || outcome.redirects > kMaxRedirects;
  if (outcome.tooLarge || outcome.timedOut || redirectFailed || failed) {
    const QString why = reasonFor(*reply, outcome, timeout_);
    qCWarning(lcDirectory) << "download failed:" << wire << why;
    throw StepFailed(QStringLiteral("download of %1 failed: %2").arg(QString::fromLatin1(wire), why));
  }
  qCDebug(lcDirectory) << "downloaded" << wire << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()
                       << outcome.body.size() << "bytes";
  return decodeBody(outcome.body, reply->rawHeader("Content-Type"));
}

QString Transfer::decodeBody(const QByteArray& body, const QByteArray& contentType) {
  const QByteArray charset = textdecoding::charsetOf(contentType);
  if (std::optional<QString> text = textdecoding::decodeAs(body, charset)) return *std::move(text);
  if (!charset.isEmpty()) qCDebug(lcDirectory) << "unknown charset" << charset << "- guessing";
  return textdecoding::decodeText(body);
}
