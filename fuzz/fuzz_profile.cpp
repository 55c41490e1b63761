// The profile reader and writer on any file: a value written is read back whole, as written,
// and the other keys stay as they were.
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <unistd.h>

#include "app/ini.h"

namespace {

QByteArray scratchPath;

// On tmpfs where there is one: every write syncs the file, which on a disk makes each run slow.
// One file a process, removed when the run ends, so that runs do not fill the tmpfs.
QString scratchFile() {
  static const QString path = [] {
    const QString dir =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString p = dir + QStringLiteral("/vantor-fuzz-profile-%1.ini").arg(::getpid());
    scratchPath = QFile::encodeName(p);
    std::atexit([] { std::remove(scratchPath.constData()); });
    return p;
  }();
  return path;
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
  if (INI::ReadIni(path, QStringLiteral("onthouden"), QStringLiteral("laatstenaam")) != value) std::abort();
  if (INI::ReadIni(path, QStringLiteral("Onthouden"), QStringLiteral("Volume")) != otherBefore) std::abort();
  return 0;
}
