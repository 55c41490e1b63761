#include "recordingfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <utility>

#include "app/textdecoding.h"
#include "history_log.h"

RecordingFiles::RecordingFiles(QString folder, QString station)
    : folder_(std::move(folder)), station_(std::move(station)) {}

RecordingFiles::~RecordingFiles() { close(); }

QString RecordingFiles::safeName(const QString& text, int maxBytes) {
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

bool RecordingFiles::open(const QString& title, const char* extension) {
  close();
  if (!QDir().mkpath(folder_)) return false;
  const QString base = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")) +
                       QStringLiteral(" - ") + safeName(station_, 80);
  const QString named = title.isEmpty() ? base : base + QStringLiteral(" - ") + safeName(title);
  const QString ext = QLatin1String(extension);
  QString name = named;
  for (int n = 2; QFileInfo::exists(folder_ + u'/' + name + ext); ++n)
    name = named + QStringLiteral(" (%1)").arg(n);
  const QString path = folder_ + u'/' + name + ext;
  file_ = std::fopen(QFile::encodeName(path).constData(), "wbx");
  if (!file_) {
    qCWarning(lcHistory) << "cannot create" << path;
    return false;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);  // each piece goes to the disk as it comes: a kill loses none
  path_ = path;
  stem_ = title.isEmpty() ? name : base;
  extension_ = ext;
  title_ = title;
  bytes_ = 0;
  paths_ << path;
  qCInfo(lcHistory) << "recording into" << path;
  return true;
}

std::size_t RecordingFiles::write(const unsigned char* data, std::size_t size) {
  const std::size_t written = file_ ? std::fwrite(data, 1, size, file_) : 0;
  bytes_ += qint64(written);
  return written;
}

void RecordingFiles::rename(const QString& title) {
  if (!file_ || title.isEmpty() || title == title_) return;
  const QString named = folder_ + u'/' + stem_ + QStringLiteral(" - ") + safeName(title) + extension_;
  if (!QFileInfo::exists(named) && QFile::rename(path_, named)) {
    paths_.last() = path_ = named;
    title_ = title;
  }
}

void RecordingFiles::close() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  title_.clear();
  // A file that got no byte (a full disk) is not left behind.
  if (bytes_ == 0 && QFile::remove(path_)) paths_.removeOne(path_);
}
