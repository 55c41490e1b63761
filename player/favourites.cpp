#include "favourites.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

#include "app/ini.h"
#include "app/trap.h"
#include "playback/keptaddress.h"
#include "player_log.h"

namespace {

const QString kSection = QStringLiteral("Internet");

}  // namespace

Favourites::Favourites(QString folder) : folder_(std::move(folder)) {
  if (!folder_.endsWith(u'/')) folder_ += u'/';
}

bool Favourites::isFileName(const QString& name) {
  // A name shaped like the profile writer's temporary files would be written but never listed.
  return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
         !name.contains(QChar(0)) && QFile::encodeName(name).size() <= kMaxNameBytes &&
         !INI::isTemporaryName(name);
}

QStringList Favourites::names() const {
  QStringList names = QDir(folder_).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  names.removeIf(INI::isTemporaryName);
  return names;
}

QString Favourites::path(const QString& fileName) const {
  return isFileName(fileName) ? folder_ + fileName : QString();
}

bool Favourites::add(const Favourite& station) const {
  // The name comes from the directory server: it must never lead out of the folder.
  const QString file = path(station.naam);
  if (file.isEmpty()) {
    qCWarning(lcFavourites) << "not a file name, favourite not written:" << station.naam;
    return false;
  }
  INI::WriteIni(file, kSection, QStringLiteral("naam"), station.naam);
  INI::WriteIni(file, kSection, QStringLiteral("url"), station.url);
  INI::WriteIni(file, kSection, QStringLiteral("website"), station.website);
  if (QFileInfo(file).isFile()) return true;
  qCWarning(lcFavourites) << "favourite could not be written:" << file;
  return false;
}

Favourite Favourites::read(const QString& fileName) const {
  const QString file = path(fileName);
  const QFileInfo info(file);
  if (file.isEmpty() || !info.isFile()) throw StepFailed(QStringLiteral("no favourite \"%1\"").arg(fileName));
  if (info.size() > kMaxFileBytes) throw StepFailed(QStringLiteral("favourite too large: ") + file);
  return {INI::ReadIni(file, kSection, QStringLiteral("naam")),
          INI::ReadIni(file, kSection, QStringLiteral("url")),
          INI::ReadIni(file, kSection, QStringLiteral("website"))};
}

int Favourites::mendAddress(const QString& stationId, const QString& address) const {
  int mended = 0;
  for (const QString& name : names()) {
    const QString file = path(name);
    const QFileInfo info(file);
    if (file.isEmpty() || !info.isFile() || info.size() > kMaxFileBytes) continue;
    if (!keptaddress::isPlayAddressOf(INI::ReadIni(file, kSection, QStringLiteral("url")), stationId)) continue;
    INI::WriteIni(file, kSection, QStringLiteral("url"), address);
    ++mended;
  }
  return mended;
}

bool Favourites::remove(const QString& fileName) const {
  const QString file = path(fileName);
  QFile f(file);
  if (!file.isEmpty() && f.remove()) return true;
  qCWarning(lcFavourites) << "favourite not deleted:" << fileName << f.errorString();
  return false;
}
