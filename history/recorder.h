#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "audioframes.h"
#include "diskguard.h"
#include "oggpages.h"
#include "playback/streamtap.h"
#include "recordingfiles.h"
#include "streamformat.h"

// Writes a stream as it arrives into files, one a song: MP3 and AAC (ADTS) are cut between two
// frames where the stream marks a new title, so every file starts on a frame and plays alone;
// Ogg goes into one file. A title starts a file only once it has lasted kMinSongMicros of
// audio: the titles of a station that changes them many times a second stay in the file that is
// open. The title's text, as the player shows it, comes through setTitle a moment after its
// mark passed here (once the audio before it has played), well within those seconds. A new
// connection starts a new file.
//
// Its stream calls come from GStreamer's streaming thread and the callbacks are called there;
// setTitle may come from any thread.
class Recorder final : public StreamSink {
 public:
  enum class Stop { None, DiskFull, CannotWrite, Unsupported };
  static constexpr std::int64_t kMinSongMicros = 5000000;

  struct Options {
    QString folder;
    QString station;
    qint64 minFreeBytes = qint64(1) << 30;
    DiskGuard::FreeBytes freeBytes;  // statvfs when not given
    // The recording stopped by itself; no file is written after this.
    std::function<void(Stop why)> stopped;
  };

  explicit Recorder(Options options);
  ~Recorder() override;

  void streamStarted(const std::string& head, bool titled) override;
  void streamData(const char* data, std::size_t size) override;
  void streamTitleMark() override;
  // The song's title as the player shows it.
  void setTitle(const QString& title);

  // Closes the file; from any thread, once the stream no longer calls.
  void finish();
  QStringList files() const;
  Stop stopReason() const;

 private:
  QString fileTitle() const { return streamTitled_ ? title_ : QString(); }
  void cut(const char* data, std::size_t size);
  void place(const FrameCutter::Frames& frames);
  void hold();
  void writeHeld();
  void write(const char* data, std::size_t size);
  void halt(Stop why);

  std::function<void(Stop)> stopped_;
  mutable std::mutex mutex_;
  FormatProbe probe_;
  StreamFormat format_ = StreamFormat::Unknown;
  FrameCutter frames_;
  OggPageSync ogg_;
  DiskGuard disk_;
  RecordingFiles files_;
  QString title_;
  bool streamTitled_ = false;  // this connection has marked a title in its bytes
  // The open file's title may still be the one before the connection's first: the text that
  // comes next renames it.
  bool renamable_ = false;
  // A new title: its frames, from the mark on, wait here until it has lasted.
  bool holding_ = false;
  std::string held_;
  std::int64_t heldMicros_ = 0;
  Stop stop_ = Stop::None;
};
