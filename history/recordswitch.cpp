#include "recordswitch.h"

#include <QStandardPaths>
#include <QUrl>

#include "history_log.h"
#include "playback/mediaplayer.h"
#include "playback/streamtap.h"

RecordSwitch::RecordSwitch(MediaPlayer& player, QString root, QObject* parent)
    : QObject(parent), player_(player), root_(std::move(root)) {
  connect(&player_, &MediaPlayer::statusChanged, this, &RecordSwitch::onStatus);
}

RecordSwitch::~RecordSwitch() { stop(); }

QString RecordSwitch::defaultRoot() {
  return QStandardPaths::writableLocation(QStandardPaths::MusicLocation) + QStringLiteral("/Vantor Radio");
}

void RecordSwitch::setDiskGuard(qint64 minFreeBytes, std::function<qint64(const QString&)> freeBytes) {
  minFree_ = minFreeBytes;
  freeBytes_ = std::move(freeBytes);
}

QString RecordSwitch::start(const QString& station) {
  if (recorder_) return {};
  StreamTap* tap = player_.streamTap();
  const int state = player_.playState();
  if (tap &&
      (tap->isHls() || QUrl(player_.URL()).path().endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive)))
    return QStringLiteral("rec1");
  if (!tap || player_.URL().isEmpty() ||
      (state != MediaPlayer::Playing && state != MediaPlayer::Transitioning))
    return QStringLiteral("rec5");
  const quint64 run = ++run_;
  Recorder::Options options{
      root_ + u'/' + Recorder::safeName(station.isEmpty() ? player_.URL() : station, 80),
      station.isEmpty() ? player_.URL() : station, minFree_, freeBytes_, [this, run](Recorder::Stop why) {
        QMetaObject::invokeMethod(
            this, [this, run, why] { onStopped(run, why); }, Qt::QueuedConnection);
      }};
  recorder_ = std::make_unique<Recorder>(std::move(options));
  url_ = player_.URL();
  files_.clear();
  tap->setSink(recorder_.get());
  qCInfo(lcHistory) << "recording" << url_;
  Q_EMIT changed(true);
  return {};
}

void RecordSwitch::stop() {
  if (!recorder_) return;
  if (StreamTap* tap = player_.streamTap()) tap->setSink(nullptr);
  recorder_->finish();
  files_ = recorder_->files();
  recorder_.reset();
  ++run_;
  Q_EMIT changed(false);
}

void RecordSwitch::onStatus() {
  if (!recorder_) return;
  const int state = player_.playState();
  if (player_.URL() != url_ || state == MediaPlayer::Stopped || state == MediaPlayer::Ready ||
      state == MediaPlayer::Undefined)
    stop();
}

void RecordSwitch::onStopped(quint64 run, Recorder::Stop why) {
  if (run != run_ || !recorder_) return;
  stop();
  switch (why) {
    case Recorder::Stop::DiskFull:
      Q_EMIT stoppedBy(QStringLiteral("rec2"));
      break;
    case Recorder::Stop::CannotWrite:
      Q_EMIT stoppedBy(QStringLiteral("rec3"));
      break;
    case Recorder::Stop::Unsupported:
      Q_EMIT stoppedBy(QStringLiteral("rec4"));
      break;
    case Recorder::Stop::None:
      break;
  }
}
