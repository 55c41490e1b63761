#include "transfer.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "app/textdecoding.h"
#include "app/trap.h"
#include "directory_log.h"

namespace {

void initCurlOnce() {
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (init != CURLE_OK)
    throw StepFailed(
        QStringLiteral("libcurl cannot start: %1").arg(QString::fromUtf8(curl_easy_strerror(init))));
}

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

}  // namespace

struct Transfer::Received {
  QByteArray body;
  bool tooLarge = false;
  std::atomic<bool> abandoned{false};
};

namespace {

int abortRequested(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<Transfer::Received*>(user)->abandoned ? 1 : 0;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
  auto* received = static_cast<Transfer::Received*>(user);
  const size_t bytes = size * count;
  if (qint64(received->body.size()) + qint64(bytes) > Transfer::kMaxBodyBytes) {
    received->tooLarge = true;
    return 0;  // makes libcurl abort the transfer
  }
  received->body.append(data, qsizetype(bytes));
  return bytes;
}

QString reasonFor(CURLcode code, const char* detail, const Transfer::Received& received,
                  std::chrono::milliseconds timeout) {
  if (received.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
    return QStringLiteral("the answer is larger than %1 bytes").arg(Transfer::kMaxBodyBytes);
  switch (code) {
    case CURLE_COULDNT_CONNECT:
      return QStringLiteral("no connection to the server");
    case CURLE_COULDNT_RESOLVE_HOST:
      return QStringLiteral("host not found");
    case CURLE_OPERATION_TIMEDOUT:
      return QStringLiteral("no answer within %1 ms").arg(timeout.count());
    case CURLE_TOO_MANY_REDIRECTS:
      return QStringLiteral("more than %1 redirects").arg(Transfer::kMaxRedirects);
    default:
      break;
  }
  const QString why = QString::fromUtf8(*detail ? detail : curl_easy_strerror(code));
  return why.trimmed();
}

// Printable ASCII without blanks: what an address on the wire is made of.
bool isWireReady(const QString& address) {
  return !address.isEmpty() &&
         std::all_of(address.begin(), address.end(), [](QChar c) { return c > u' ' && c < QChar(0x7F); });
}

bool isWebAddress(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

}  // namespace

Transfer::Transfer(QObject* parent) : QObject(parent) {}

QString Transfer::OpenURL(const QString& url) {
  const QString given = url.trimmed();
  const QUrl parsed(given, QUrl::TolerantMode);
  if (!isWebAddress(parsed)) throw StepFailed(QStringLiteral("not an http or https address: %1").arg(url));
  // QUrl decodes "%2E%2E" back to "..", which libcurl would then resolve away: an address that
  // is already plain ASCII goes out byte for byte. Tolerant parsing encodes anything else.
  const QByteArray address = isWireReady(given) ? given.toLatin1() : parsed.toEncoded();
  // A timer or a D-Bus call may run while we wait below; two downloads never interleave.
  if (running_) throw StepFailed(QStringLiteral("another download is still running: %1").arg(url));

  initCurlOnce();
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw StepFailed(QStringLiteral("libcurl cannot start a transfer"));

  // The bundled directory runs on this machine; a desktop proxy must not come in between.
  QByteArray noProxy = "localhost,127.0.0.1,::1";
  const QByteArray userNoProxy =
      qEnvironmentVariableIsSet("no_proxy") ? qgetenv("no_proxy") : qgetenv("NO_PROXY");
  if (!userNoProxy.isEmpty()) noProxy += ',' + userNoProxy;

  Received received;
  char detail[CURL_ERROR_SIZE] = {};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, address.constData());
  curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, long(kMaxRedirects));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(timeout_.count()));
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(timeout_.count()));
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent.constData());
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // what libcurl can unpack
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaxBodyBytes));
  curl_easy_setopt(c, CURLOPT_NOPROXY, noProxy.constData());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &received);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &abortRequested);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &received);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);

  const CURLcode code = performWhileResponsive(c, received);
  if (received.abandoned)
    throw StepAbandoned(
        QStringLiteral("download of %1 given up: the program is ending").arg(QString::fromLatin1(address)));
  if (code != CURLE_OK || received.tooLarge) {
    const QString why = reasonFor(code, detail, received, timeout_);
    qCWarning(lcDirectory) << "download failed:" << address << why;
    throw StepFailed(QStringLiteral("download of %1 failed: %2").arg(QString::fromLatin1(address), why));
  }

  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  const char* contentType = nullptr;
  curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &contentType);
  qCDebug(lcDirectory) << "downloaded" << address << status << received.body.size() << "bytes";
  return decodeBody(received.body, QByteArray(contentType ? contentType : ""));
}

// The caller still waits for the answer, and user input stays out meanwhile, but painting,
// timers, the player and D-Bus go on: the transfer itself runs on a thread of its own.
CURLcode Transfer::performWhileResponsive(CURL* curl, Received& received) {
  running_ = true;
  BusyCursor busy;
  QEventLoop loop;
  std::atomic<bool> done{false};
  CURLcode code = CURLE_OK;
  std::thread worker([&] {
    code = curl_easy_perform(curl);
    done = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  // exec() also returns when the whole program quits; the transfer is then abandoned.
  if (!done) loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (!done) received.abandoned = true;
  worker.join();
  running_ = false;
  return code;
}

QString Transfer::decodeBody(const QByteArray& body, const QByteArray& contentType) {
  const QByteArray charset = textdecoding::charsetOf(contentType);
  if (std::optional<QString> text = textdecoding::decodeAs(body, charset)) return *std::move(text);
  if (!charset.isEmpty()) qCDebug(lcDirectory) << "unknown charset" << charset << "- guessing";
  return textdecoding::decodeText(body);
}
