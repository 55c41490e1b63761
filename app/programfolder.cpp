#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

ProgramFolder::ProgramFolder(QString path) : path_(QDir(path).absolutePath()) {}

ProgramFolder ProgramFolder::ofExecutable() {
  return ProgramFolder(QCoreApplication::applicationDirPath());
}

QString ProgramFolder::file(const QString& name) const {
  const QString exact = path_ + u'/' + name;
  if (QFileInfo::exists(exact)) return exact;
  const QStringList entries = QDir(path_).entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& entry : entries)
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return path_ + u'/' + entry;
  return exact;
}
