#pragma once

#include <QString>

#include <functional>

class Listening;
class Mpris;
class SongNotifier;

// What the desktop's media controls may ask of the program besides playing and stopping.
struct MprisRequests {
  std::function<void(const QString& address)> openAddress;  // plays like a station click
  std::function<void(int volume)> setVolume;                // as the volume slider would
  std::function<void()> raise;
  std::function<void()> quit;
};

// Keeps the desktop's view of what plays (MPRIS) in step with the listening and passes the
// desktop's requests on. The metadata follow the stream's title.
void linkMpris(Listening& listening, Mpris& mpris, MprisRequests requests);

// Hands the notifier each new station and song, and whether the window is in sight.
void linkNotifications(Listening& listening, SongNotifier& notifier, std::function<bool()> windowInSight);
