#include "pageview.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

#include <utility>

#include "app/textdecoding.h"
#include "player_log.h"
#include "version.h"

namespace {

constexpr int kTransferTimeoutMs = 30000;
constexpr int kMaxRedirects = 10;

bool isWebScheme(const QUrl& url) {
  return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

}  // namespace

PageView::PageView(QWidget* parent) : QTextBrowser(parent), network_(new QNetworkAccessManager(this)) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this, &PageView::followLink);
}

PageView::~PageView() { cancelPending(); }

void PageView::navigate(const QString& url) {
  cancelPending();
  currentUrl_ = url;
  if (url.startsWith(QLatin1String("about:"), Qt::CaseInsensitive)) {
    showAbout(url.mid(6));
    return;
  }
  const QUrl address = QUrl::fromUserInput(url);
  if (!address.isValid() || !isWebScheme(address) || address.host().isEmpty()) {
    fail(url, QStringLiteral("not a web address"));
    return;
  }

  QNetworkRequest request(address);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  request.setTransferTimeout(kTransferTimeoutMs);
  request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(Version::kUserAgent));
  QNetworkReply* reply = network_->get(request);
  pending_ = reply;
  qCDebug(lcPage) << "loading" << address;

  connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& target) {
    // Follow only to web pages, and never from https down to http.
    const QUrl from = reply->url();
    if (isWebScheme(target) &&
        !(from.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http")))
      Q_EMIT reply->redirectAllowed();
    else
      reply->abort();
  });
  // The body is kept until it is shown; a page beyond all reason is refused while it comes in.
  connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
    body_ += reply->readAll();
    if (body_.size() <= kMaxPageBytes) return;
    const QString url = currentUrl_;
    cancelPending();
    fail(url, QStringLiteral("page too large"));
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

void PageView::cancelPending() {
  if (!pending_) return;
  QNetworkReply* reply = pending_;
  pending_ = nullptr;
  body_.clear();
  // Its answer belongs to an address nobody wants any more.
  reply->disconnect(this);
  reply->abort();
  reply->deleteLater();
}

void PageView::onFinished(QNetworkReply* reply) {
  reply->deleteLater();
  if (reply != pending_) return;
  pending_ = nullptr;
  const QByteArray body = std::exchange(body_, QByteArray()) + reply->readAll();
  if (reply->error() != QNetworkReply::NoError) {
    fail(currentUrl_, reply->errorString());
    return;
  }
  if (body.size() > kMaxPageBytes) {
    fail(currentUrl_, QStringLiteral("page too large"));
    return;
  }
  const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
  const QString text = decodePage(body, contentType);
  pageUrl_ = reply->url();
  if (contentType.trimmed().toLower().startsWith("text/plain"))
    setPlainText(text);
  else
    setHtml(text);
  qCDebug(lcPage) << "shown" << pageUrl_;
}

void PageView::fail(QString url, const QString& why) {
  qCInfo(lcPage) << "cannot load" << url << why;
  clear();
  Q_EMIT navigateError(url);
}

void PageView::showAbout(const QString& text) {
  pageUrl_ = QUrl();
  if (text.compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0)
    clear();
  else
    setHtml(text);
}

void PageView::followLink(const QUrl& link) {
  if (link.scheme().compare(QLatin1String("about"), Qt::CaseInsensitive) == 0) {
    navigate(link.toString());
    return;
  }
  const QUrl target = pageUrl_.isValid() ? pageUrl_.resolved(link) : link;
  if (link.hasFragment() &&
      target.adjusted(QUrl::RemoveFragment) == pageUrl_.adjusted(QUrl::RemoveFragment)) {
    scrollToAnchor(link.fragment());
    return;
  }
  if (!isWebScheme(target)) {
    qCInfo(lcPage) << "not following" << link;
    return;
  }
  navigate(target.toString());
}

QVariant PageView::loadResource(int, const QUrl&) { return {}; }

QString PageView::decodePage(const QByteArray& body, const QByteArray& contentType) {
  const QByteArray charset = textdecoding::charsetOf(contentType);
  if (std::optional<QString> text = textdecoding::decodeAs(body, charset)) return *std::move(text);
  if (!charset.isEmpty()) qCInfo(lcPage) << "unknown charset" << charset;
  QStringDecoder declared = QStringDecoder::decoderForHtml(body);
  // decoderForHtml answers UTF-8 also when the page declares nothing.
  if (declared.isValid() && QByteArray(declared.name()).toLower() != "utf-8") return declared.decode(body);
  return textdecoding::decodeText(body);
}
