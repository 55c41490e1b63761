#pragma once

#include <QObject>
#include <QString>

class MediaPlayer;

// A station as the listener knows it: its name, the address that plays it and its home page
// (without the scheme, as the directory lists it).
struct Station {
  QString name;
  QString address;
  QString homePage;
  bool operator==(const Station&) const = default;
};

// What is playing now: the one owner of the station, its song and whether it plays. The window,
// the desktop's media controls, the notifications, the song log and the recorder all follow it
// instead of asking each other.
class Listening final : public QObject {
  Q_OBJECT
 public:
  enum class Activity { Stopped, Starting, Playing, Reconnecting };

  explicit Listening(MediaPlayer& player, QObject* parent = nullptr);

  // The address is the player's: once a directory's /play/ address has led to the station's
  // own address, that one.
  Station station() const;
  QString title() const { return title_; }
  Activity activity() const { return activity_; }
  // Starting, playing or reconnecting.
  bool isActive() const { return activity_ != Activity::Stopped; }

  // Loads the station and starts it. A station named by its address (one opened from outside)
  // takes the name the stream gives itself.
  void play(const Station& station);
  // Plays the current station again (the play button, the desktop's Play).
  void resume();
  void stop();
  // Releases the stream; the station stays the current one.
  void close();

  MediaPlayer& player() { return player_; }

 Q_SIGNALS:
  void stationChanged(const Station& station);
  // The stream names what it plays now; empty when the station changes or stops sending titles.
  void titleChanged(const QString& title);
  void activityChanged(Listening::Activity activity);

 private:
  void followState();
  void takeStreamName(const QString& name);

  MediaPlayer& player_;
  Station station_;
  QString title_;
  Activity activity_ = Activity::Stopped;
  bool hasPlayed_ = false;  // the current address has played since it was loaded
  bool namedByAddress_ = false;
};
