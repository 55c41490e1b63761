#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "audioframes.h"
#include "playback/streamtap.h"

// Writes a stream as it arrives into files, one a song: MP3 and AAC (ADTS) are cut between two
// frames where the title changes, so every file starts on a frame and plays alone; Ogg goes
// into one file. A title starts a file only once it has lasted kMinSongMicros of audio: the
// titles of a station that changes them many times a second stay in the file that is open. A
// new connection starts a new file. The files are
// "<folder>/yyyy-MM-dd HH.mm.ss - <station> - <title>.<ext>".
//
// Its stream calls come from GStreamer's streaming thread; the callbacks are called there too.
class Recorder final : public StreamSink {
 public:
  enum class Stop { None, DiskFull, CannotWrite, Unsupported };
  static constexpr std::int64_t kMinSongMicros = 5000000;

  struct Options {
    QString folder;
    QString station;
    qint64 minFreeBytes = qint64(1) << 30;
    // Free bytes on the disk that holds the folder; statvfs when not given.
    std::function<qint64(const QString& folder)> freeBytes;
    // The recording stopped by itself; no file is written after this.
    std::function<void(Stop why)> stopped;
  };

  explicit Recorder(Options options);
  ~Recorder() override;

  void streamStarted(const std::string& head) override;
  void streamData(const char* data, std::size_t size) override;
  void streamTitle(const QString& title) override;

  // Closes the file; from any thread, once the stream no longer calls.
  void finish();
  QStringList files() const;
  Stop stopReason() const;

  // A name part without the characters a file name cannot hold and without bidi controls, at
  // most maxBytes of UTF-8.
  static QString safeName(const QString& text, int maxBytes = 120);

 private:
  void openFile();
  void closeFile();
  void write(const unsigned char* data, std::size_t size);
  void place(const unsigned char* data, std::size_t size, std::int64_t micros);
  void writeHeld();
  void writeOgg();
  void halt(Stop why);
  static qint64 statFree(const QString& folder);

  Options options_;
  mutable std::mutex mutex_;
  audioframes::Format format_ = audioframes::Format::Unknown;
  std::string pending_;  // bytes not yet written: the undetected start, or a frame not yet complete
  std::FILE* file_ = nullptr;
  QString path_;
  qint64 fileBytes_ = 0;
  QString title_;
  QString fileTitle_;
  bool titled_ = false;  // the open file is named after a title
  // A new title: its frames, from the one it came before, wait here until it has lasted.
  bool holding_ = false;
  std::string held_;
  std::int64_t heldMicros_ = 0;
  std::string head_;  // the connection's first bytes, for an Ogg stream's headers
  bool oggSynced_ = false;
  Stop stop_ = Stop::None;
  QStringList files_;
};
