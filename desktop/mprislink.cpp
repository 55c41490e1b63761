#include "mprislink.h"

#include <memory>

#include "mpris.h"
#include "notifications.h"
#include "playback/listening.h"

namespace {

// Connecting or buffering is on its way to playing.
Mpris::Status desktopStatus(Listening::Activity activity) {
  return activity == Listening::Activity::Stopped ? Mpris::Status::Stopped : Mpris::Status::Playing;
}

SongNotifier::Activity notifierActivity(Listening::Activity activity) {
  switch (activity) {
    case Listening::Activity::Playing:
      return SongNotifier::Activity::Playing;
    case Listening::Activity::Starting:
    case Listening::Activity::Reconnecting:
      return SongNotifier::Activity::Connecting;
    default:
      return SongNotifier::Activity::Stopped;
  }
}

}  // namespace

void linkMpris(Listening& listening, Mpris& mpris, MprisRequests requests) {
  const auto publish = [&listening, &mpris] {
    const Station station = listening.station();
    mpris.setTrack(station.name, station.address);
    mpris.setStatus(desktopStatus(listening.activity()));
  };
  publish();
  QObject::connect(&listening, &Listening::stationChanged, &mpris, publish);
  QObject::connect(&listening, &Listening::activityChanged, &mpris, publish);
  QObject::connect(&listening, &Listening::titleChanged, &mpris, &Mpris::setStreamTitle);
  QObject::connect(&mpris, &Mpris::playRequested, &listening, [&listening] {
    if (listening.activity() != Listening::Activity::Playing) listening.resume();
  });
  QObject::connect(&mpris, &Mpris::stopRequested, &listening, &Listening::stop);
  QObject::connect(&mpris, &Mpris::openUriRequested, &listening, requests.openAddress);
  QObject::connect(&mpris, &Mpris::volumeRequested, &listening, requests.setVolume);
  QObject::connect(&mpris, &Mpris::raiseRequested, &listening, requests.raise);
  QObject::connect(&mpris, &Mpris::quitRequested, &listening, requests.quit);
}

void linkNotifications(Listening& listening, SongNotifier& notifier, std::function<bool()> windowInSight) {
  const auto update = [&listening, &notifier, inSight = std::move(windowInSight)] {
    const Station station = listening.station();
    notifier.update({station.name, station.address, listening.title(), notifierActivity(listening.activity()),
                     inSight()});
  };
  // A name the stream gives its station is news with the next song, not on its own.
  QObject::connect(&listening, &Listening::activityChanged, &notifier, update);
  QObject::connect(&listening, &Listening::titleChanged, &notifier, update);
}
