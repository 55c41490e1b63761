#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// While the station list on screen is one the directory marked provisional (its demo stations
// standing in for a directory it has not reached yet), asks for that list again now and then
// and says when the answer is the real one. Asks in the background, never through the window's
// transfer component.
class ListWatch : public QObject {
  Q_OBJECT
 public:
  static constexpr std::chrono::milliseconds kEvery{15000};
  // The mark is the answer's first element; this much of an answer is read to look for it.
  static constexpr qint64 kHeadBytes = 4096;

  explicit ListWatch(QObject* parent = nullptr);
  ~ListWatch() override;

  // The list from this address is on screen now; provisional: it carried the mark.
  void shown(const QString& address, bool provisional);
  void setInterval(std::chrono::milliseconds every) { timer_.setInterval(every); }
  bool isWatching() const { return timer_.isActive(); }

  // The tag that marks a provisional list.
  static QString markName() { return QStringLiteral("voorlopig"); }

 Q_SIGNALS:
  // The directory now answers the list without the mark; asking has stopped.
  void settled();

 private:
  void ask();
  void judge(QNetworkReply* reply);
  void cancel();

  QNetworkAccessManager* network_;
  QTimer timer_;
  QString address_;
  QPointer<QNetworkReply> pending_;
};
