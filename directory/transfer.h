#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

// The program's transfer component: downloads one address into text.
//
// OpenURL blocks the calling (UI) thread until the answer is in, the way the program has
// always worked: no events are processed meanwhile, so no timer or click can run a second
// download in the middle of the first. A busy cursor shows while it waits.
class Transfer : public QObject {
  Q_OBJECT

 public:
  static constexpr qint64 kMaxBodyBytes = 16 * 1024 * 1024;
  static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};
  static constexpr int kMaxRedirects = 10;
  static inline const QByteArray kUserAgent = QByteArrayLiteral("VantorInternetRadio/2.0");

  explicit Transfer(QObject* parent = nullptr);

  // GET of an http or https address; redirects are followed. Returns the body decoded as
  // text, also for an HTTP error status (an error page is just text without tags).
  // Throws StepFailed when nothing usable arrives: no connection, unknown host, time-out,
  // another scheme, or an answer over kMaxBodyBytes (cut off as soon as it passes the cap).
  QString OpenURL(const QString& url);

  // The whole transfer, connecting included.
  void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
  std::chrono::milliseconds timeout() const { return timeout_; }

  // By the charset of contentType when it names one we know; otherwise UTF-8 when the bytes
  // are valid UTF-8, else Windows-1252.
  static QString DecodeBody(const QByteArray& body, const QByteArray& contentType);

 private:
  std::chrono::milliseconds timeout_ = kDefaultTimeout;
};
