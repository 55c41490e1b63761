#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <optional>

#include "playback/answerhead.h"
#include "playback/streamresolver.h"

class QNetworkAccessManager;
class QNetworkReply;

// What an address turned out to be when tried.
struct ProbeFound {
  QUrl stream;       // the stream that answered (a playlist's entry, or the address itself)
  QString kind;      // "MP3", "AAC", "Ogg", "FLAC", "HLS", else the content type
  int bitrate = 0;   // kbit/s the stream announces; 0 when it does not
  QString name;      // the stream's own name (icy-name), plain text
  QString website;   // the stream's own home page (icy-url), without "http://"
  bool viaPlaylist = false;
};

// Tries an address the user typed before it becomes a favourite: the stream resolver follows a
// playlist to its entries, and each answer's head tells a stream from a playlist, as when
// playing. One attempt at a time; a new start drops the one before.
class StationProbe final : public QObject {
  Q_OBJECT
 public:
  enum class Refusal { NotHttp, NoAnswer, NotAudio, EmptyPlaylist };

  explicit StationProbe(QObject* parent = nullptr);
  ~StationProbe() override;

  void start(const QString& address);
  void cancel();

 Q_SIGNALS:
  void found(const ProbeFound& what);
  // detail: the HTTP status or error, or the content type that is not audio.
  void refused(StationProbe::Refusal why, const QString& detail);

 private:
  void fetch(const QUrl& url);
  void dropReply();
  void read();
  void ended();
  void decided(AnswerHead::Verdict verdict);
  void refuseCandidate(Refusal why, const QString& detail);
  bool answeredWithError();

  QNetworkAccessManager* network_;
  StreamResolver resolver_;
  QPointer<QNetworkReply> reply_;
  std::optional<AnswerHead> head_;
  QByteArray contentType_;
  int depth_ = 0;
  Refusal lastRefusal_ = Refusal::NoAnswer;
  QString lastDetail_;
};
