#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "recorder.h"

class Listening;

// The record switch: records the playing station until it is switched off, the player stops or
// moves to another address, the switch is destroyed (the program ends) or the recorder stops by
// itself (a full disk, a stream it cannot cut). A reconnect of the same address continues the
// recording in a new file. Files are named after the titles the player shows.
class RecordSwitch final : public QObject {
  Q_OBJECT
 public:
  // Recordings go to root/<station>/.
  RecordSwitch(Listening& listening, QString root, QObject* parent = nullptr);
  ~RecordSwitch() override;

  // The music folder's "Vantor Radio" folder.
  static QString defaultRoot();

  // Starts recording; empty, or the language key of why it cannot.
  QString start(const QString& station);
  void stop();
  bool isRecording() const { return recorder_ != nullptr; }
  // The files of the current or the last recording.
  QStringList files() const { return files_; }

  // For tests: the free space that must remain and how it is read.
  void setDiskGuard(qint64 minFreeBytes, DiskGuard::FreeBytes freeBytes);

 Q_SIGNALS:
  void changed(bool recording);
  // The recording stopped by itself; the language key says why.
  void stoppedBy(const QString& key);

 private:
  void onStatus();
  void onStopped(quint64 run, Recorder::Stop why);

  Listening& listening_;
  QString root_;
  QString url_;
  qint64 minFree_ = qint64(1) << 30;
  DiskGuard::FreeBytes freeBytes_;
  std::unique_ptr<Recorder> recorder_;
  quint64 run_ = 0;
  QStringList files_;
};
