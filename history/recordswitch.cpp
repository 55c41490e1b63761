#include "recordswitch.h"

#include <QStandardPaths>
#include <QUrl>

#include "history_log.h"
#include "playback/listening.h"
#include "playback/mediaplayer.h"
#include "playback/streamtap.h"

RecordSwitch::RecordSwitch(Listening& listening, QString root, QObject* parent)
    : QObject(parent), listening_(listening), root_(std::move(root)) {
  // After the listening's own connection: its activity is the new one here.
  connect(&listening_.player(), &MediaPlayer::statusChanged, this, &RecordSwitch::onStatus);
  connect(&listening_, &Listening::titleChanged, this, [this](const QString& title) {
    if (recorder_) recorder_->setTitle(title);
  });
}

RecordSwitch::~RecordSwitch() { stop(); }

QString RecordSwitch::defaultRoot() {
  return QStandardPaths::writableLocation(QStandardPaths::MusicLocation) + QStringLiteral("/Vantor Radio");
}

void RecordSwitch::setDiskGuard(qint64 minFreeBytes, DiskGuard::FreeBytes freeBytes) {
  minFree_ = minFreeBytes;
  freeBytes_ = std::move(freeBytes);
}

QString RecordSwitch::start(const QString& station) {
  if (recorder_) return {};
  MediaPlayer& player = listening_.player();
  StreamTap* tap = player.streamTap();
  if (tap && (tap->isHls() || QUrl(player.URL()).path().endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive)))
    return QStringLiteral("rec1");
  if (!tap || player.URL().isEmpty() || !listening_.isActive()) return QStringLiteral("rec5");
  const quint64 run = ++run_;
  const QString name = station.isEmpty() ? player.URL() : station;
  Recorder::Options options{
      root_ + u'/' + RecordingFiles::safeName(name, 80), name, minFree_, freeBytes_, [this, run](Recorder::Stop why) {
        QMetaObject::invokeMethod(
            this, [this, run, why] { onStopped(run, why); }, Qt::QueuedConnection);
      }};
  recorder_ = std::make_unique<Recorder>(std::move(options));
  recorder_->setTitle(listening_.title());
  url_ = player.URL();
  files_.clear();
  tap->setSink(recorder_.get());
  qCInfo(lcHistory) << "recording" << url_;
  Q_EMIT changed(true);
  return {};
}

void RecordSwitch::stop() {
  if (!recorder_) return;
  if (StreamTap* tap = listening_.player().streamTap()) tap->setSink(nullptr);
  recorder_->finish();
  files_ = recorder_->files();
  recorder_.reset();
  ++run_;
  Q_EMIT changed(false);
}

void RecordSwitch::onStatus() {
  if (!recorder_) return;
  if (listening_.player().URL() != url_ || !listening_.isActive()) stop();
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
