#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// One song a station announced.
struct Song {
  QDateTime time;
  QString station;
  QString url;
  QString title;
  bool liked = false;
};

// The songs heard, oldest first, kept in a plain text file beside inst.ini: one song a line,
// "time<TAB>mark<TAB>station<TAB>address<TAB>title", the mark "+" for a liked song and "-"
// otherwise. Changes stay in memory until save(), which replaces the file at once (temporary
// file + rename), so a crash or a kill leaves the old or the new file, never half of one. The
// newest `limit` songs not liked are kept, and apart from them the newest `limit` liked ones:
// no station's run of titles pushes a liked song out.
class SongHistory {
 public:
  static constexpr int kLimit = 5000;
  static QString fileIn(const QString& folder) { return folder + QStringLiteral("/history.txt"); }

  explicit SongHistory(QString file, int limit = kLimit);

  const QList<Song>& songs() const { return songs_; }
  const QString& file() const { return file_; }

  // Adds the song, unless its title is empty or it repeats the newest song (the same title from
  // the same address, as after a reconnect). Returns whether it was added.
  bool add(Song song);
  void setLiked(int index, bool liked);
  // Gives each song the address `mended` returns for its own (an empty one: unchanged). The
  // file follows with the next change.
  void mendAddresses(const std::function<QString(const QString&)>& mended);
  void clear();
  // False when the file could not be written (the songs stay in memory, still unsaved).
  bool save() const;
  // Changes not written yet, and how often the file was written.
  bool unsaved() const { return unsaved_; }
  int writes() const { return writes_; }

  // Tab-separated lines "time, station, title", as they are copied to the clipboard.
  static QString toText(const QList<Song>& songs);
  // RFC 4180 CSV with a header row: time, station, address, title, liked.
  static QString toCsv(const QList<Song>& songs);

 private:
  void load();
  void trim();

  QString file_;
  int limit_;
  QList<Song> songs_;
  mutable bool unsaved_ = false;
  mutable int writes_ = 0;
};
