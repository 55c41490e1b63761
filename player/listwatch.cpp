#include "listwatch.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "version.h"

namespace {
Q_LOGGING_CATEGORY(lcListWatch, "vantor.player.listwatch")
constexpr int kTransferTimeoutMs = 30000;
}  // namespace

ListWatch::ListWatch(QObject* parent) : QObject(parent), network_(new QNetworkAccessManager(this)) {
  timer_.setInterval(kEvery);
  connect(&timer_, &QTimer::timeout, this, &ListWatch::ask);
}

ListWatch::~ListWatch() { cancel(); }

void ListWatch::shown(const QString& address, bool provisional) {
  cancel();
  address_ = address;
  if (provisional)
    timer_.start();
  else
    timer_.stop();
}

void ListWatch::ask() {
  if (pending_) return;  // a slow answer is waited for, not asked again on top
  // The address is encoded already; decoding it on the way would change what is asked.
  QNetworkRequest request(QUrl::fromEncoded(address_.toLatin1(), QUrl::StrictMode));
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setTransferTimeout(kTransferTimeoutMs);
  request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(Version::kUserAgent));
  QNetworkReply* reply = network_->get(request);
  pending_ = reply;
  // Only the head is wanted: the real list of a large country is megabytes.
  connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
    if (reply->bytesAvailable() >= kHeadBytes) judge(reply);
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply] { judge(reply); });
}

void ListWatch::judge(QNetworkReply* reply) {
  if (reply != pending_) return;
  pending_ = nullptr;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QByteArray head = reply->peek(kHeadBytes);
  const bool answered = status == 200 && (reply->error() == QNetworkReply::NoError || head.size() >= kHeadBytes);
  reply->disconnect(this);
  reply->abort();
  reply->deleteLater();
  // No answer (the directory restarts, the network hiccups): ask again at the next tick.
  if (!answered) return;
  const QByteArray mark = '<' + markName().toLatin1() + '>';
  if (head.toLower().contains(mark)) return;
  qCInfo(lcListWatch) << "the directory answers for real now:" << address_;
  timer_.stop();
  Q_EMIT settled();
}

void ListWatch::cancel() {
  if (!pending_) return;
  QNetworkReply* reply = pending_;
  pending_ = nullptr;
  reply->disconnect(this);
  reply->abort();
  reply->deleteLater();
}
