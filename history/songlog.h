#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

#include "songhistory.h"

class Listening;

// Writes every song the stream announces into the history, with the station that plays it. A
// title counts as a song once it has lasted kSongMs (real songs last minutes; a station that
// changes its title many times a second announces no songs). The file is written at most once
// every kSaveDelayMs for new songs, at once for the user's own changes, and when the log ends.
class SongLog final : public QObject {
  Q_OBJECT
 public:
  static constexpr int kSongMs = 5000;
  static constexpr int kSaveDelayMs = 3000;

  SongLog(Listening& listening, const QString& folder, QObject* parent = nullptr);
  ~SongLog() override;

  SongHistory& history() { return history_; }

  // Likes the songs (indexes into history().songs()), or takes the mark away: one write.
  void setLiked(const QList<int>& songs, bool liked);
  void clear();

  // For tests: the milliseconds of a monotonic clock.
  void setClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

 Q_SIGNALS:
  void changed();

 private:
  void onTitle(const QString& title);
  void addPending();
  void saveNow();

  Listening& listening_;
  SongHistory history_;
  QElapsedTimer elapsed_;
  std::function<qint64()> clock_;
  Song pending_;  // the title playing, not yet a song
  qint64 pendingSince_ = 0;
  QTimer songTimer_;
  QTimer saveTimer_;
};
