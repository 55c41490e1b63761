#include "ini.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "regularfile.h"
#include "textdecoding.h"

namespace INI {
namespace {

QString trimmedRight(const QString& s) {
  qsizetype end = s.size();
  while (end > 0 && (s[end - 1] == u' ' || s[end - 1] == u'\t')) --end;
  return s.left(end);
}

QString oneLine(QString s) {
  s.replace(u'\r', u' ');
  s.replace(u'\n', u' ');
  return s;
}

// "[name]" (blanks around allowed) gives name; anything else gives a null string.
QString sectionName(const QString& line) {
  const QString t = line.trimmed();
  if (t.size() >= 2 && t.front() == u'[' && t.back() == u']') return t.mid(1, t.size() - 2).trimmed();
  return {};
}

bool isComment(const QString& line) {
  const QString t = line.trimmed();
  return t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#');
}

// For "key = value" lines: the key, trimmed; a null string for other lines.
QString keyOf(const QString& line) {
  if (isComment(line) || !sectionName(line).isNull()) return {};
  const qsizetype eq = line.indexOf(u'=');
  if (eq < 0) return {};
  return line.left(eq).trimmed();
}

// Blanks around a value are dropped; quotes keep them ("\" has been chosen\"").
QString valueOf(const QString& line) {
  QString v = line.mid(line.indexOf(u'=') + 1).trimmed();
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    v = v.mid(1, v.size() - 2);
  return v;
}

QString storedForm(const QString& value) {
  QString v = oneLine(value);
  const bool quoted = v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
  if (v.startsWith(u' ') || v.startsWith(u'\t') || quoted) v = u'"' + v + u'"';
  return v;
}

bool readLines(const QString& file, QStringList& lines, QString& eol) {
  QFile f;
  if (!openRegularFile(f, file)) return false;
  const QString text = textdecoding::decodeText(f.readAll());
  eol = text.contains(u"\r\n") ? QStringLiteral("\r\n") : QStringLiteral("\n");
  lines = text.split(u'\n');
  for (QString& l : lines)
    if (l.endsWith(u'\r')) l.chop(1);
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return true;
}

// The writer's temporary files: a short name of their own, so that a target name of up to the
// file system's 255 bytes still has room for one in its folder.
const QString kTemporaryPrefix = QStringLiteral(".~ini-");

// The pid of the writer that made a temporary file of this name; 0 for any other name.
pid_t temporaryOwner(const QString& name) {
  if (!name.startsWith(kTemporaryPrefix)) return 0;
  const QStringList parts = name.mid(kTemporaryPrefix.size()).split(u'-');
  if (parts.size() != 2 || parts[1].size() != 6) return 0;
  bool ok = false;
  const long pid = parts[0].toLong(&ok);
  return ok && pid > 0 ? pid_t(pid) : 0;
}

// A writer killed mid-write leaves its temporary file; the next write in the folder clears it.
void removeStaleTemporaries(const QString& folder) {
  const QStringList names = QDir(folder).entryList({kTemporaryPrefix + u'*'}, QDir::Files | QDir::Hidden);
  for (const QString& name : names) {
    const pid_t pid = temporaryOwner(name);
    if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) QFile::remove(folder + u'/' + name);
  }
}

// The process's file mode mask, read without changing it (umask() would, for every thread).
mode_t currentUmask() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly))
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("Umask:")) return mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
  return 022;
}

// Writes next to the target, syncs, then renames over it: readers see the old or the new file.
bool replaceFile(const QString& file, const QByteArray& bytes) {
  const QFileInfo info(file);
  const QByteArray target =
      QFile::encodeName(info.exists() ? info.canonicalFilePath() : info.absoluteFilePath());
  mode_t mode = 0;
  struct stat st {};
  if (::stat(target.constData(), &st) == 0) {
    // A read-only profile stays as it is, also for root, who could write it anyway.
    if ((st.st_mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0) return false;
    mode = st.st_mode & 07777;
  } else {
    mode = 0644 & ~currentUmask();
  }
  const QString folder = QFileInfo(QFile::decodeName(target)).absolutePath();
  removeStaleTemporaries(folder);
  QByteArray temp =
      QFile::encodeName(folder + u'/' + kTemporaryPrefix) + QByteArray::number(::getpid()) + "-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  if (::fchmod(fd, mode) != 0) {
    ::close(fd);
    ::unlink(temp.constData());
    return false;
  }
  qsizetype done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += n;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.constData(), target.constData()) == 0;
  if (!ok) {
    ::unlink(temp.constData());
    return false;
  }
  const QByteArray dir = QFile::encodeName(folder);
  const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace

bool isTemporaryName(const QString& name) { return temporaryOwner(name) != 0; }

QString ReadIni(const QString& file, const QString& section, const QString& key) {
  QStringList lines;
  QString eol;
  if (!readLines(file, lines, eol)) return {};
  bool inSection = false;
  bool sectionSeen = false;
  for (const QString& line : lines) {
    const QString name = sectionName(line);
    if (!name.isNull()) {
      if (inSection) break;  // the first section of that name is the one that counts
      inSection = !sectionSeen && name.compare(section, Qt::CaseInsensitive) == 0;
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (inSection && keyOf(line).compare(key, Qt::CaseInsensitive) == 0 && !keyOf(line).isNull())
      return trimmedRight(valueOf(line));
  }
  return {};
}

namespace {

// Sets one key in the lines of a profile, adding the section and the key as needed.
void setEntry(QStringList& lines, const QString& section, const QString& key, const QString& value) {
  const QString cleanSection = oneLine(section);
  const QString cleanKey = oneLine(key);
  const QString entry = cleanKey + u'=' + storedForm(value);

  qsizetype sectionAt = -1;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (sectionName(lines[i]).compare(cleanSection, Qt::CaseInsensitive) == 0 &&
        !sectionName(lines[i]).isNull()) {
      sectionAt = i;
      break;
    }
  }
  if (sectionAt < 0) {
    if (!lines.isEmpty() && !lines.back().trimmed().isEmpty()) lines.append(QString());
    lines.append(u'[' + cleanSection + u']');
    lines.append(entry);
    return;
  }
  qsizetype lastEntry = sectionAt;
  for (qsizetype i = sectionAt + 1; i < lines.size() && sectionName(lines[i]).isNull(); ++i) {
    const QString k = keyOf(lines[i]);
    if (k.isNull()) continue;
    if (k.compare(cleanKey, Qt::CaseInsensitive) == 0) {
      lines[i] = k + u'=' + storedForm(value);
      return;
    }
    lastEntry = i;
  }
  lines.insert(lastEntry + 1, entry);
}

}  // namespace

void WriteIni(const QString& file, const QString& section, const QString& key, const QString& value) {
  WriteIniKeys(file, section, {{key, value}});
}

void WriteIniKeys(const QString& file, const QString& section,
                  const QList<std::pair<QString, QString>>& entries) {
  QStringList lines;
  QString eol = QStringLiteral("\n");
  if (QFileInfo::exists(file) && !readLines(file, lines, eol)) return;
  for (const auto& [key, value] : entries) setEntry(lines, section, key, value);
  replaceFile(file, (lines.join(eol) + eol).toUtf8());
}

}  // namespace INI
