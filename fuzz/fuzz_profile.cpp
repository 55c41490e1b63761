// The profile reader and writer on any file: a value written is read back as written
// (cut to 199 characters, trailing blanks dropped), and the other keys stay as they were.
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include "app/ini.h"

namespace {

// On tmpfs where there is one: every write syncs the file, which on a disk makes each run slow.
QString scratchFile() {
  static const QString dir = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  static const QString path = dir + QStringLiteral("/vantor-fuzz-profile-%1.ini").arg(::getpid());
  return path;
}

// The value as a reader gets it back: one line, at most 199 characters, no trailing blanks.
QString expectedBack(QString value) {
  value = value.left(199);
  while (!value.isEmpty() && value.back() == u' ') value.chop(1);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input: a profile file, then after the first NUL a value to write.
  const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
  const qsizetype nul = input.indexOf('\0');
  const QByteArray file = nul < 0 ? input : input.left(nul);
  QString value = nul < 0 ? QString() : QString::fromUtf8(input.mid(nul + 1));
  value.remove(u'\r').remove(u'\n').remove(QChar(0));
  if (value.trimmed() != value) return 0;  // blanks around a value are not kept, by design

  const QString path = scratchFile();
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(file);
  }
  const QString otherBefore = INI::ReadIni(path, QStringLiteral("Onthouden"), QStringLiteral("Volume"));
  INI::WriteIni(path, QStringLiteral("Onthouden"), QStringLiteral("LaatsteNAAM"), value);
  if (INI::ReadIni(path, QStringLiteral("onthouden"), QStringLiteral("laatstenaam")) != expectedBack(value)) std::abort();
  if (INI::ReadIni(path, QStringLiteral("Onthouden"), QStringLiteral("Volume")) != otherBefore) std::abort();
  return 0;
}
