#pragma once

#include <QString>
#include <QStringList>

// One favourite station as its file keeps it.
struct Favourite {
  QString naam;
  QString url;
  QString website;
};

// The favourite files: one profile file per station in one folder, named after the station.
// Nothing is kept in memory; every call goes to the folder. No call ever touches a file outside
// the folder, whatever name it is given.
class Favourites {
 public:
  // A favourite file is three short keys; anything larger is not one of ours.
  static constexpr qint64 kMaxFileBytes = 64 * 1024;
  // The longest file name the file systems take, in bytes.
  static constexpr qsizetype kMaxNameBytes = 255;

  explicit Favourites(QString folder);

  // Whether the name can be a file directly inside the folder.
  static bool isFileName(const QString& name);

  // The favourites' file names in name order, hidden ones included, without the profile
  // writer's temporary files.
  QStringList names() const;

  // Writes the three keys into the file named after the station, replacing earlier values.
  // A name that cannot be such a file writes nothing; returns whether the file is there.
  bool add(const Favourite& station) const;
  // Reads a favourite; missing keys read as "". Throws StepFailed when the file is not there,
  // is too large, or the name is not a file name of the folder.
  Favourite read(const QString& fileName) const;
  // Every favourite kept with a directory's /play/ address of the station gets its own address
  // instead; nothing else in those files changes. Returns how many were rewritten.
  int mendAddress(const QString& stationId, const QString& address) const;
  // Deletes the file; returns whether it was deleted. Failures are logged, never shown.
  bool remove(const QString& fileName) const;

 private:
  QString path(const QString& fileName) const;

  QString folder_;
};
