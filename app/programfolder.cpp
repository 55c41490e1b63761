#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "trap.h"

#ifndef VANTOR_SHARE_FROM_BIN
#define VANTOR_SHARE_FROM_BIN "../share/vantor-radio"
#endif

namespace {
const QString kLangIni = QStringLiteral("lang.ini");
const QString kInstIni = QStringLiteral("inst.ini");

bool hasFile(const QString& folder, const QString& name) {
  return QFileInfo(ProgramFolder::findInFolder(folder, name)).isFile();
}

// inst.ini is copied only while the user has none (in any letter case): once there, it is the
// user's. favo/ is made empty. Failures are logged; the start-up then reports what is missing.
void layOutUserFolder(const QString& installed, const QString& user) {
  if (!QDir().mkpath(user + QStringLiteral("/favo")))
    qCWarning(lcApp) << "cannot make the per-user folder" << user;
  if (hasFile(user, kInstIni)) return;
  const QString defaults = ProgramFolder::findInFolder(installed, kInstIni);
  const QString target = user + u'/' + kInstIni;
  if (!QFile::copy(defaults, target)) {
    qCWarning(lcApp) << "cannot copy" << defaults << "to" << target;
    return;
  }
  // The installed copy may be read-only; the user's own must not be.
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}
}  // namespace

ProgramFolder::ProgramFolder(QString path) : path_(QDir(path).absolutePath()), user_(path_) {}

ProgramFolder::ProgramFolder(QString installed, QString user)
    : path_(QDir(installed).absolutePath()), user_(QDir(user).absolutePath()) {}

bool ProgramFolder::canWrite(const QString& folder) {
  const QFileInfo info(folder);
  return info.isDir() && info.isWritable();
}

ProgramFolder ProgramFolder::ofExecutable() {
  return choose(QCoreApplication::applicationDirPath(),
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

ProgramFolder ProgramFolder::choose(const QString& exeDir, const QString& dataHome,
                                    const WritableCheck& writable) {
  const QString beside = QDir(exeDir).absolutePath();
  const QString share = QDir::cleanPath(beside + QStringLiteral("/" VANTOR_SHARE_FROM_BIN));
  const bool installed = !hasFile(beside, kLangIni) && hasFile(share, kLangIni);
  if (!installed && writable(beside)) return ProgramFolder(beside);
  // Root running an installed copy must not write into the installed files either.
  const QString shipped = installed ? share : beside;
  const QString user = QDir(dataHome).absolutePath() + QStringLiteral("/vantor-radio");
  layOutUserFolder(shipped, user);
  qCInfo(lcApp) << "shipped files in" << shipped << "- settings and favourites in" << user;
  return ProgramFolder(shipped, user);
}

QStringList ProgramFolder::skinFolders() const {
  return isPerUser() ? QStringList{path_, user_} : QStringList{path_};
}

QString ProgramFolder::skinFolder(const QString& skin) const {
  if (!isPerUser() || skin.isEmpty()) return path_;
  for (const QString& part : {QStringLiteral(".logskn"), QStringLiteral("_head.skn")})
    if (hasFile(user_, skin + part)) return user_;
  return path_;
}

QString ProgramFolder::findInFolder(const QString& folder, const QString& name) {
  const QString exact = folder + u'/' + name;
  if (QFileInfo::exists(exact)) return exact;
  const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& entry : entries)
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return folder + u'/' + entry;
  return exact;
}
