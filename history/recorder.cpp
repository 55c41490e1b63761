#include "recorder.h"

#include <QDir>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <cerrno>
#include <utility>

#include "app/textdecoding.h"
#include "history_log.h"

namespace {
constexpr std::size_t kMaxUndetected = 64 * 1024;  // a stream not recognised by then is not audio we cut

// A new station's folder does not exist before its first file: the disk is the one that will
// hold it, that of the nearest folder that exists.
QString nearestFolder(QString folder) {
  while (!QFileInfo(folder).isDir()) {
    const QString up = QFileInfo(folder).path();
    if (up == folder) break;
    folder = up;
  }
  return folder;
}
}  // namespace

Recorder::Recorder(Options options) : options_(std::move(options)) {
  if (!options_.freeBytes) options_.freeBytes = &Recorder::statFree;
}

Recorder::~Recorder() { finish(); }

qint64 Recorder::statFree(const QString& folder) {
  struct statvfs s {};
  if (::statvfs(QFile::encodeName(folder).constData(), &s) != 0) return -1;
  return qint64(s.f_bavail) * qint64(s.f_frsize);
}

QString Recorder::safeName(const QString& text, int maxBytes) {
  QString out;
  for (const QChar c : textdecoding::withoutBidiControls(text)) {
    const bool unsafe = c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c);
    out += unsafe ? u'_' : c;
  }
  out = out.simplified();
  while (out.startsWith(u'.') || out.startsWith(u' ')) out.remove(0, 1);
  while (out.toUtf8().size() > maxBytes) out.chop(out.size() > 1 && out.back().isLowSurrogate() ? 2 : 1);
  while (out.endsWith(u'.') || out.endsWith(u' ')) out.chop(1);
  return out.isEmpty() ? QStringLiteral("_") : out;
}

void Recorder::streamStarted(const std::string& head) {
  std::lock_guard lock(mutex_);
  if (stop_ != Stop::None) return;
  writeHeld();
  closeFile();
  head_ = head;
  oggSynced_ = false;
  pending_.clear();
  format_ = audioframes::Format::Unknown;
  title_.clear();
}

void Recorder::streamTitle(const QString& title) {
  std::lock_guard lock(mutex_);
  if (stop_ != Stop::None || title == title_) return;
  title_ = title;
  if (!file_) return;
  if (!titled_) {
    // The stream names the song only after its first bytes: the file gets the name now.
    const QString named = QFileInfo(path_).path() + u'/' + QFileInfo(path_).completeBaseName() +
                          QStringLiteral(" - ") + safeName(title_) +
                          QLatin1String(audioframes::extension(format_));
    if (!QFileInfo::exists(named) && QFile::rename(path_, named)) {
      files_.last() = path_ = named;
      fileTitle_ = title_;
      titled_ = true;
    }
    return;
  }
  if (format_ == audioframes::Format::Ogg) return;
  // What the last title held was no song of its own: it stays in the open file.
  writeHeld();
  holding_ = title_ != fileTitle_;
}

void Recorder::streamData(const char* data, std::size_t size) {
  std::lock_guard lock(mutex_);
  if (stop_ != Stop::None) return;
  using audioframes::Format;
  pending_.append(data, size);
  if (format_ == Format::Unknown) {
    const audioframes::Detection found =
        audioframes::detect(reinterpret_cast<const unsigned char*>(pending_.data()), pending_.size());
    if (found.format == Format::Unknown) {
      if (pending_.size() > kMaxUndetected) halt(Stop::Unsupported);
      return;
    }
    format_ = found.format;
    pending_.erase(0, found.start);
  }
  if (format_ == Format::Ogg) return writeOgg();
  // What was written or held so far ends between two frames: a new title starts here.
  const auto* p = reinterpret_cast<const unsigned char*>(pending_.data());
  std::size_t pos = 0, run = 0;
  std::int64_t micros = 0;
  while (pos + 7 <= pending_.size() && stop_ == Stop::None) {
    const std::size_t length = audioframes::frameLength(format_, p + pos);
    if (length == 0) {
      // Lost the frames (a damaged stretch): skip to the next header.
      place(p + run, pos - run, std::exchange(micros, 0));
      run = ++pos;
      continue;
    }
    if (pos + length > pending_.size()) break;
    micros += audioframes::frameMicros(format_, p + pos);
    pos += length;
  }
  if (stop_ == Stop::None) place(p + run, pos - run, micros);
  pending_.erase(0, pos);
}

// Whole frames: into the open file, or held while a new title has not lasted yet. Once it has,
// it starts its file with the frames it held.
void Recorder::place(const unsigned char* data, std::size_t size, std::int64_t micros) {
  if (!holding_) return write(data, size);
  held_.append(reinterpret_cast<const char*>(data), size);
  heldMicros_ += micros;
  if (heldMicros_ < kMinSongMicros) return;
  holding_ = false;
  closeFile();
  writeHeld();
}

void Recorder::writeHeld() {
  const std::string held = std::exchange(held_, {});
  heldMicros_ = 0;
  holding_ = false;
  write(reinterpret_cast<const unsigned char*>(held.data()), held.size());
}

// Ogg is written as it comes, from a page where a decoder can start: the first page of a logical
// stream, or any page once that stream's headers (from the connection's start) are written.
void Recorder::writeOgg() {
  const auto* p = reinterpret_cast<const unsigned char*>(pending_.data());
  while (!oggSynced_) {
    const std::size_t n = audioframes::oggPageLength(p, pending_.size());
    if (n == 0) {
      if (pending_.size() > kMaxUndetected) halt(Stop::Unsupported);
      return;
    }
    if (audioframes::oggBeginsStream(p)) {
      oggSynced_ = true;
    } else if (const std::string headers = audioframes::oggHeaders(head_, audioframes::oggSerial(p));
               !headers.empty()) {
      write(reinterpret_cast<const unsigned char*>(headers.data()), headers.size());
      oggSynced_ = true;
    } else {
      // Joined in the middle of a song whose headers are gone: start with the next one.
      pending_.erase(0, n);
      const std::size_t next = pending_.find("OggS");
      pending_.erase(0, next == std::string::npos ? pending_.size() : next);
      p = reinterpret_cast<const unsigned char*>(pending_.data());
    }
  }
  // Whole pages only: a file that ends inside a page is one a player may refuse.
  std::size_t pos = 0;
  while (std::size_t n = audioframes::oggPageLength(p + pos, pending_.size() - pos)) pos += n;
  if (pos == 0 && pending_.size() > kMaxUndetected) return halt(Stop::Unsupported);
  write(p, pos);
  pending_.erase(0, pos);
  head_.clear();
}

void Recorder::write(const unsigned char* data, std::size_t size) {
  if (size == 0 || stop_ != Stop::None) return;
  const qint64 free = options_.freeBytes(nearestFolder(options_.folder));
  if (free >= 0 && free - qint64(size) < options_.minFreeBytes) return halt(Stop::DiskFull);
  errno = 0;
  if (!file_) openFile();
  const std::size_t written = file_ ? std::fwrite(data, 1, size, file_) : 0;
  fileBytes_ += qint64(written);
  if (written != size) halt(errno == ENOSPC || errno == EDQUOT ? Stop::DiskFull : Stop::CannotWrite);
}

void Recorder::openFile() {
  if (!QDir().mkpath(options_.folder)) return;
  const QString base = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")) +
                       QStringLiteral(" - ") + safeName(options_.station, 80) +
                       (title_.isEmpty() ? QString() : QStringLiteral(" - ") + safeName(title_));
  const QString ext = QLatin1String(audioframes::extension(format_));
  QString path = options_.folder + u'/' + base + ext;
  for (int n = 2; QFileInfo::exists(path); ++n)
    path = options_.folder + u'/' + base + QStringLiteral(" (%1)").arg(n) + ext;
  file_ = std::fopen(QFile::encodeName(path).constData(), "wbx");
  if (!file_) {
    qCWarning(lcHistory) << "cannot create" << path;
    return;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);  // each piece goes to the disk as it comes: a kill loses none
  path_ = path;
  fileBytes_ = 0;
  fileTitle_ = title_;
  titled_ = !title_.isEmpty();
  files_ << path;
  qCInfo(lcHistory) << "recording into" << path;
}

void Recorder::closeFile() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  // A file that got no byte (a full disk) is not left behind.
  if (fileBytes_ == 0 && QFile::remove(path_)) files_.removeOne(path_);
}

void Recorder::halt(Stop why) {
  closeFile();
  stop_ = why;
  pending_.clear();
  held_.clear();
  holding_ = false;
  qCInfo(lcHistory) << "recording stopped:" << int(why);
  if (options_.stopped) options_.stopped(why);
}

void Recorder::finish() {
  std::lock_guard lock(mutex_);
  writeHeld();
  closeFile();
}

QStringList Recorder::files() const {
  std::lock_guard lock(mutex_);
  return files_;
}

Recorder::Stop Recorder::stopReason() const {
  std::lock_guard lock(mutex_);
  return stop_;
}
