#pragma once

#include <QObject>

#include <functional>

#include "songhistory.h"

class MediaPlayer;

// Writes every song the player announces into the history, with the station that plays it.
class SongLog final : public QObject {
  Q_OBJECT
 public:
  SongLog(MediaPlayer& player, const QString& folder, std::function<QString()> stationName,
          QObject* parent = nullptr);

  SongHistory& history() { return history_; }

 Q_SIGNALS:
  void changed();

 private:
  void onTitle(const QString& title);

  MediaPlayer& player_;
  SongHistory history_;
  std::function<QString()> stationName_;
};
