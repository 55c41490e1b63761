#include "runtimefolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "trap.h"

namespace {

// Why path is not private; empty when it is.
QString flawOf(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || lstat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("missing");
  if (S_ISLNK(st.st_mode)) return QStringLiteral("a link");
  if (!S_ISDIR(st.st_mode)) return QStringLiteral("not a folder");
  if (st.st_uid != geteuid()) return QStringLiteral("owned by user %1").arg(st.st_uid);
  if ((st.st_mode & 077) != 0) return QStringLiteral("open to others (mode %1)").arg(st.st_mode & 0777, 4, 8, QChar(u'0'));
  return {};
}

}  // namespace

bool isPrivateFolder(const QString& path) { return flawOf(path).isEmpty(); }

bool makePrivateFolder(const QString& path) {
  if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST) return false;
  return isPrivateFolder(path);
}

QString privateRuntimeFolder() {
  const QString uid = QString::number(geteuid());
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) {
    if (isPrivateFolder(runtime)) return runtime;
    qCWarning(lcApp) << "XDG_RUNTIME_DIR" << runtime << "is not a private folder:" << flawOf(runtime);
  }
  // Where the user's session keeps it when the variable was lost (su, cron, some ssh sessions).
  const QString session = QStringLiteral("/run/user/") + uid;
  if (isPrivateFolder(session)) return session;
  const QString fallback = QDir::tempPath() + QStringLiteral("/vantor-radio-") + uid;
  if (makePrivateFolder(fallback)) return fallback;
  qCWarning(lcApp) << "no private runtime folder:" << fallback << "is" << flawOf(fallback);
  return {};
}
