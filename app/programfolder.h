#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The folder that holds the program's data files. A portable copy keeps everything in one
// folder beside the executable. A copy whose folder cannot be written (an installed one) reads
// its shipped files (lang.ini, skins) from the installed folder and keeps its writable files
// (inst.ini, favo/) in a per-user folder, laid out from the installed defaults at first start.
class ProgramFolder {
 public:
  // One folder for everything.
  explicit ProgramFolder(QString path);
  // Shipped files in installed, inst.ini and favo/ in user.
  ProgramFolder(QString installed, QString user);

  using WritableCheck = std::function<bool(const QString& folder)>;
  static bool canWrite(const QString& folder);

  // The folder of the running executable, or the per-user folder under the user's data folder.
  static ProgramFolder ofExecutable();
  // The rule behind ofExecutable(). The shipped files are beside the executable, or for an
  // installed copy in exeDir/../share/vantor-radio; when that is not a writable folder beside
  // the executable, dataHome/vantor-radio is laid out and used for the writable files.
  static ProgramFolder choose(const QString& exeDir, const QString& dataHome,
                              const WritableCheck& writable = canWrite);

  // The shipped files: lang.ini, skin pictures and descriptors.
  const QString& path() const { return path_; }
  // The writable files: inst.ini and favo/. The same as path() for a portable copy.
  const QString& userPath() const { return user_; }
  bool isPerUser() const { return user_ != path_; }

  // A file of the shipped folder by name, found in any letter case ("INST.INI" is "inst.ini");
  // a file that does not exist yet gets the name as given.
  QString file(const QString& name) const { return findInFolder(path_, name); }
  QString instIni() const { return findInFolder(user_, QStringLiteral("inst.ini")); }
  QString langIni() const { return file(QStringLiteral("lang.ini")); }
  QString favourites() const { return user_ + QStringLiteral("/favo/"); }

  // Where skins are found: the shipped folder, then the per-user folder when there is one.
  QStringList skinFolders() const;
  // The folder that holds the named skin: the per-user folder when it has the skin's
  // descriptor or pictures (a user's own skin wins over a shipped one of the same name).
  QString skinFolder(const QString& skin) const;

  static QString findInFolder(const QString& folder, const QString& name);

 private:
  QString path_;
  QString user_;
};
