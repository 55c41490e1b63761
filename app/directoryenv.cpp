#include "directoryenv.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "trap.h"

namespace {
constexpr qint64 kMaxFile = 64 * 1024;
}  // namespace

QString directoryEnvPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/vantor-radio/directory.env");
}

QString envFileValue(const QByteArray& text, const QByteArray& name) {
  QString value;
  for (const QByteArray& raw : text.split('\n')) {
    const QByteArray line = raw.trimmed();
    const qsizetype equals = line.indexOf('=');
    if (line.isEmpty() || line.startsWith('#') || line.startsWith(';') || equals < 0) continue;
    if (line.left(equals).trimmed() != name) continue;
    QByteArray v = line.mid(equals + 1).trimmed();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.mid(1, v.size() - 2);
    value = QString::fromUtf8(v);
  }
  return value;
}

QString envFileValueAt(const QString& path, const QByteArray& name) {
  // Without blocking: a FIFO or a device in its place must not hang the start.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  struct stat st {};
  QByteArray text;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFile) {
    text.resize(kMaxFile);
    const ssize_t got = ::read(fd, text.data(), size_t(kMaxFile));
    text.resize(got > 0 ? qsizetype(got) : 0);
  } else {
    qCWarning(lcApp) << "ignoring" << path << "- not a settings file";
  }
  ::close(fd);
  return envFileValue(text, name);
}
