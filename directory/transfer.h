#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

#include "version.h"

// The program's transfer component: downloads one address into text.
//
// OpenURL returns only when the answer is in, the way the program has always worked, with a
// busy cursor meanwhile. It does not freeze the window: the caller waits in a local event loop
// that keeps user input out but lets painting, timers, the player and D-Bus go on while Qt's
// network stack does the transfer. A second OpenURL from such an event (a timer, a D-Bus call)
// while one runs fails at once; downloads never interleave.
class Transfer : public QObject {
  Q_OBJECT

 public:
  // The largest countries list under 10,000 stations, about 2 MB; every answer is held three
  // times over (bytes, text, rows), so a larger cap only buys memory an attacker can spend.
  static constexpr qint64 kMaxBodyBytes = 4 * 1024 * 1024;
  static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};
  static constexpr int kMaxRedirects = 10;
  static inline const QByteArray kUserAgent = QByteArray(Version::kUserAgent);

  explicit Transfer(QObject* parent = nullptr);

  // GET of an http or https address; redirects are followed (to http and https only). Returns
  // the body decoded as text, also for an HTTP error status (an error page is just text without
  // tags). Throws StepFailed when nothing usable arrives: no connection, unknown host, time-out,
  // another scheme, an answer over kMaxBodyBytes (cut off as soon as it passes the cap),
  // another download still running, or the program quitting while it waits. An address with a
  // "." or ".." path segment, also percent-encoded, is refused: the request would name another
  // file than the address does.
  QString OpenURL(const QString& url);

  // The whole transfer, connecting included.
  void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
  std::chrono::milliseconds timeout() const { return timeout_; }

  // By the charset of contentType when it names one we know; otherwise UTF-8 when the bytes
  // are valid UTF-8, else Windows-1252.
  static QString decodeBody(const QByteArray& body, const QByteArray& contentType);

  bool isRunning() const { return running_; }

 private:
  std::chrono::milliseconds timeout_ = kDefaultTimeout;
  bool running_ = false;
};
