#pragma once

#include <QString>
#include <QTemporaryDir>

#include "app/programfolder.h"

// A throw-away program folder for one test, optionally filled with the shipped data files.
class TempProgramFolder {
 public:
  enum class Contents { Empty, ShippedData };
  explicit TempProgramFolder(Contents contents = Contents::Empty);

  QString path() const { return dir_.path(); }
  ProgramFolder folder() const { return ProgramFolder(dir_.path()); }
  QString file(const QString& name) const { return dir_.path() + u'/' + name; }
  // Writes a file relative to the folder (folders are created).
  void write(const QString& name, const QByteArray& bytes) const;
  QByteArray read(const QString& name) const;
  // Sets keys of inst.ini; each entry is "Section/key=value".
  void profile(const QStringList& entries) const;

 private:
  QTemporaryDir dir_;
};
