#include "songhistory.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

#include "app/regularfile.h"
#include "history_log.h"

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;  // far beyond 5,000 songs: a stranger file is cut
constexpr int kMaxField = 1000;

// Stations choose their titles: no tabs, line breaks or control characters reach the file.
QString field(const QString& s) {
  QString out = s.left(kMaxField);
  for (QChar& c : out)
    if (c.category() == QChar::Other_Control) c = u' ';
  return out.trimmed();
}

QString csvField(QString s) {
  // A cell a spreadsheet would take for a formula is kept as text.
  if (!s.isEmpty() && QStringLiteral("=+-@\t\r").contains(s.front())) s.prepend(u'\'');
  if (!s.contains(u',') && !s.contains(u'"') && !s.contains(u'\n') && !s.contains(u'\r')) return s;
  QString quoted = s;
  quoted.replace(u'"', QStringLiteral("\"\""));
  return u'"' + quoted + u'"';
}
}  // namespace

SongHistory::SongHistory(QString file, int limit) : file_(std::move(file)), limit_(limit) { load(); }

void SongHistory::load() {
  QFile f;
  if (!openRegularFile(f, file_)) return;
  if (f.size() > kMaxFileBytes) f.seek(f.size() - kMaxFileBytes);
  const QList<QByteArray> lines = f.readAll().split('\n');
  for (const QByteArray& raw : lines) {
    const QString line = QString::fromUtf8(raw).remove(u'\r');
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const QStringList parts = line.split(u'\t');
    if (parts.size() < 5) continue;
    Song s{QDateTime::fromString(parts[0], kTimeFormat), field(parts[2]), field(parts[3]),
           field(parts.mid(4).join(u' ')), parts[1] == u"+"};
    if (!s.time.isValid() || s.title.isEmpty()) continue;
    songs_.append(std::move(s));
  }
  trim();
}

void SongHistory::trim() {
  if (songs_.size() <= limit_) return;
  qsizetype liked = std::count_if(songs_.cbegin(), songs_.cend(), [](const Song& s) { return s.liked; });
  qsizetype plain = songs_.size() - liked;
  liked = std::max<qsizetype>(0, liked - limit_);  // from here: how many of the oldest go
  plain = std::max<qsizetype>(0, plain - limit_);
  songs_.removeIf([&](const Song& s) {
    qsizetype& over = s.liked ? liked : plain;
    if (over == 0) return false;
    --over;
    return true;
  });
}

bool SongHistory::add(Song song) {
  song.station = field(song.station);
  song.url = field(song.url);
  song.title = field(song.title);
  if (song.title.isEmpty()) return false;
  if (!songs_.isEmpty() && songs_.last().title == song.title && songs_.last().url == song.url) return false;
  song.time = song.time.addMSecs(-song.time.time().msec());
  songs_.append(std::move(song));
  trim();
  unsaved_ = true;
  return true;
}

void SongHistory::setLiked(int index, bool liked) {
  if (index < 0 || index >= songs_.size() || songs_[index].liked == liked) return;
  songs_[index].liked = liked;
  unsaved_ = true;
}

void SongHistory::mendAddresses(const std::function<QString(const QString&)>& mended) {
  for (Song& s : songs_) {
    const QString url = mended(s.url);
    if (!url.isEmpty()) s.url = field(url);
  }
}

void SongHistory::clear() {
  songs_.clear();
  unsaved_ = true;
}

bool SongHistory::save() const {
  QByteArray out = "# Songs heard: time, liked (+), station, address, title; separated by tabs\n";
  for (const Song& s : songs_) {
    out += s.time.toString(kTimeFormat).toUtf8() + '\t' + (s.liked ? "+" : "-") + '\t' + s.station.toUtf8() +
           '\t' + s.url.toUtf8() + '\t' + s.title.toUtf8() + '\n';
  }
  QSaveFile f(file_);
  if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit()) {
    qCWarning(lcHistory) << "cannot write" << file_ << f.errorString();
    return false;
  }
  unsaved_ = false;
  ++writes_;
  return true;
}

QString SongHistory::toText(const QList<Song>& songs) {
  QString out;
  for (const Song& s : songs)
    out += s.time.toString(kTimeFormat) + u'\t' + s.station + u'\t' + s.title + u'\n';
  return out;
}

QString SongHistory::toCsv(const QList<Song>& songs) {
  QString out = QStringLiteral("time,station,address,title,liked\r\n");
  for (const Song& s : songs) {
    out += QStringList{s.time.toString(kTimeFormat), csvField(s.station), csvField(s.url), csvField(s.title),
                       s.liked ? QStringLiteral("yes") : QStringLiteral("no")}
               .join(u',') +
           QStringLiteral("\r\n");
  }
  return out;
}
