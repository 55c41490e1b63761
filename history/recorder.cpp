#include "recorder.h"

#include <cerrno>
#include <utility>

#include "history_log.h"

Recorder::Recorder(Options options)
    : stopped_(std::move(options.stopped)),
      disk_(options.folder, options.minFreeBytes, std::move(options.freeBytes)),
      files_(options.folder, options.station) {}

Recorder::~Recorder() { finish(); }

void Recorder::streamStarted(const std::string& head, bool titled) {
  std::lock_guard lock(mutex_);
  if (stop_ != Stop::None) return;
  writeHeld();
  files_.close();
  probe_ = {};
  format_ = StreamFormat::Unknown;
  ogg_ = OggPageSync(head);
  streamTitled_ = titled;
  renamable_ = true;
}

void Recorder::streamTitleMark() {
  std::lock_guard lock(mutex_);
  if (stop_ != Stop::None) return;
  if (!streamTitled_) {
    // The connection's first title: most likely the one the player shows already.
    streamTitled_ = true;
    if (files_.title().isEmpty()) files_.rename(title_);
    return;
  }
  renamable_ = false;
  if (format_ != StreamFormat::Ogg) hold();
}

void Recorder::setTitle(const QString& title) {
  std::lock_guard lock(mutex_);
  if (stop_ != Stop::None || title.isEmpty() || title == title_) return;
  title_ = title;
  if (!files_.isOpen() || !streamTitled_) return;
  if (renamable_ || files_.title().isEmpty()) {
    // The text of the title the open file starts with.
    files_.rename(title_);
    renamable_ = false;
  } else if (!holding_ && format_ != StreamFormat::Ogg && title_ != files_.title()) {
    hold();  // its mark came long before: the song starts here at the latest
  }
}

void Recorder::streamData(const char* data, std::size_t size) {
  std::lock_guard lock(mutex_);
  if (stop_ != Stop::None) return;
  if (format_ != StreamFormat::Unknown) return cut(data, size);
  format_ = probe_.add(data, size);
  if (format_ == StreamFormat::Unknown) {
    if (probe_.gaveUp()) halt(Stop::Unsupported);
    return;
  }
  frames_ = FrameCutter(format_);
  const std::string start = probe_.take();
  cut(start.data(), start.size());
}

void Recorder::cut(const char* data, std::size_t size) {
  if (format_ == StreamFormat::Ogg) {
    const OggPageSync::Pages ready = ogg_.add(data, size);
    write(ready.headers.data(), ready.headers.size());
    write(ready.pages.data(), ready.pages.size());
    if (ready.lost) halt(Stop::Unsupported);
    return;
  }
  frames_.add(data, size);
  for (FrameCutter::Frames f = frames_.next(); f.size > 0 && stop_ == Stop::None; f = frames_.next()) place(f);
}

// Whole frames: into the open file, or held while a new title has not lasted yet. Once it has,
// it starts its file with the frames it held, unless the player named no other song.
void Recorder::place(const FrameCutter::Frames& frames) {
  if (!holding_) return write(reinterpret_cast<const char*>(frames.data), frames.size);
  held_.append(reinterpret_cast<const char*>(frames.data), frames.size);
  heldMicros_ += frames.micros;
  if (heldMicros_ < kMinSongMicros) return;
  if (fileTitle() != files_.title()) files_.close();
  writeHeld();
}

// What the last title held was no song of its own: it stays in the open file.
void Recorder::hold() {
  writeHeld();
  holding_ = true;
}

void Recorder::writeHeld() {
  const std::string held = std::exchange(held_, {});
  heldMicros_ = 0;
  holding_ = false;
  write(held.data(), held.size());
}

void Recorder::write(const char* data, std::size_t size) {
  if (size == 0 || stop_ != Stop::None) return;
  if (!disk_.allows(size)) return halt(Stop::DiskFull);
  errno = 0;
  if (!files_.isOpen()) files_.open(fileTitle(), streamformat::extension(format_));
  if (files_.write(reinterpret_cast<const unsigned char*>(data), size) != size)
    halt(errno == ENOSPC || errno == EDQUOT ? Stop::DiskFull : Stop::CannotWrite);
}

void Recorder::halt(Stop why) {
  files_.close();
  stop_ = why;
  held_.clear();
  holding_ = false;
  qCInfo(lcHistory) << "recording stopped:" << int(why);
  if (stopped_) stopped_(why);
}

void Recorder::finish() {
  std::lock_guard lock(mutex_);
  writeHeld();
  files_.close();
}

QStringList Recorder::files() const {
  std::lock_guard lock(mutex_);
  return files_.paths();
}

Recorder::Stop Recorder::stopReason() const {
  std::lock_guard lock(mutex_);
  return stop_;
}
