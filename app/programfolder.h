#pragma once

#include <QString>

// The folder that holds the program and all its data files.
class ProgramFolder {
 public:
  explicit ProgramFolder(QString path);
  // The folder of the running executable.
  static ProgramFolder ofExecutable();

  const QString& path() const { return path_; }
  // A file of the folder by name, found in any letter case ("INST.INI" is "inst.ini");
  // a file that does not exist yet gets the name as given.
  QString file(const QString& name) const;
  QString instIni() const { return file(QStringLiteral("inst.ini")); }
  QString langIni() const { return file(QStringLiteral("lang.ini")); }
  QString favourites() const { return path_ + QStringLiteral("/favo/"); }

 private:
  QString path_;
};
