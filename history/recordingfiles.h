#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdio>

// The files of one recording, one a song, named
// "<folder>/yyyy-MM-dd HH.mm.ss - <station>[ - <title>].<ext>": never written over another
// file, each byte on the disk as it comes, and a file that got no byte not left behind.
class RecordingFiles {
 public:
  RecordingFiles(QString folder, QString station);
  ~RecordingFiles();
  RecordingFiles(const RecordingFiles&) = delete;
  RecordingFiles& operator=(const RecordingFiles&) = delete;

  // A name part without the characters a file name cannot hold and without bidi controls, at
  // most maxBytes of UTF-8.
  static QString safeName(const QString& text, int maxBytes = 120);

  // Starts the next file, named after the title when there is one; false when it cannot be
  // created.
  bool open(const QString& title, const char* extension);
  bool isOpen() const { return file_ != nullptr; }
  // The bytes that reached the open file.
  std::size_t write(const unsigned char* data, std::size_t size);
  // Names the open file after this title; it keeps its name when another file has that one.
  void rename(const QString& title);
  void close();

  // The title the open file is named after; empty for none.
  const QString& title() const { return title_; }
  const QStringList& paths() const { return paths_; }

 private:
  QString folder_;
  QString station_;
  std::FILE* file_ = nullptr;
  QString path_;
  QString stem_;  // the open file's name without its title and extension
  QString extension_;
  QString title_;
  qint64 bytes_ = 0;
  QStringList paths_;
};
