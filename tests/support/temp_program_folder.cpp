#include "temp_program_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#include "app/ini.h"

TempProgramFolder::TempProgramFolder(Contents contents) {
  if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
  if (contents != Contents::ShippedData) return;
  const QString data = QStringLiteral(VANTOR_SOURCE_DIR "/data");
  QDirIterator it(data, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString src = it.next();
    const QString rel = QDir(data).relativeFilePath(src);
    if (rel.startsWith(QStringLiteral("package/"))) continue;  // as the build's layout does
    QDir().mkpath(QFileInfo(file(rel)).absolutePath());
    QFile::copy(src, file(rel));
  }
  QDir().mkpath(file(QStringLiteral("favo")));
}

void TempProgramFolder::write(const QString& name, const QByteArray& bytes) const {
  QDir().mkpath(QFileInfo(file(name)).absolutePath());
  QFile f(file(name));
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    throw std::runtime_error("cannot write test file");
}

QByteArray TempProgramFolder::read(const QString& name) const {
  QFile f(file(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TempProgramFolder::profile(const QStringList& entries) const {
  for (const QString& e : entries) {
    const qsizetype slash = e.indexOf(u'/');
    const qsizetype eq = e.indexOf(u'=', slash);
    INI::WriteIni(folder().instIni(), e.left(slash), e.mid(slash + 1, eq - slash - 1), e.mid(eq + 1));
  }
}
