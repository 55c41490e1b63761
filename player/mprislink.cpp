#include "mprislink.h"

#include <QLabel>
#include <QSlider>

#include <memory>

#include "Form1.h"
#include "desktop/mpris.h"
#include "desktop/notifications.h"
#include "ui_Form1.h"

namespace {

Mpris::Status desktopStatus(int playState) {
  switch (playState) {
    case MediaPlayer::Playing:
    case MediaPlayer::Transitioning:  // connecting or buffering: on its way to playing
      return Mpris::Status::Playing;
    case MediaPlayer::Paused:
      return Mpris::Status::Paused;
    default:
      return Mpris::Status::Stopped;
  }
}

SongNotifier::Activity activity(int playState) {
  switch (playState) {
    case MediaPlayer::Playing:
      return SongNotifier::Activity::Playing;
    case MediaPlayer::Transitioning:
      return SongNotifier::Activity::Connecting;
    default:
      return SongNotifier::Activity::Stopped;
  }
}

}  // namespace

void linkMpris(Form1& form, Mpris& mpris) {
  MediaPlayer& player = form.WindowsMediaPlayer1();
  QSlider* slider = form.controls().Slider1;
  const auto publish = [&form, &mpris, &player] {
    mpris.setTrack(form.stationName(), player.URL());
    mpris.setStatus(desktopStatus(player.playState()));
  };
  publish();
  mpris.setVolume(slider->value());

  // Queued: a station click sets the name after the address, and the name is what is shown.
  QObject::connect(&player, &MediaPlayer::statusChanged, &mpris, publish, Qt::QueuedConnection);
  QObject::connect(&player, &MediaPlayer::streamTitleChanged, &mpris, &Mpris::setStreamTitle,
                   Qt::QueuedConnection);
  QObject::connect(slider, &QSlider::valueChanged, &mpris, &Mpris::setVolume);
  QObject::connect(&mpris, &Mpris::openUriRequested, &form, &Form1::openAddress);
  QObject::connect(&mpris, &Mpris::playRequested, &player, [&player] {
    if (player.playState() != MediaPlayer::Playing && !player.URL().isEmpty()) player.play();
  });
  QObject::connect(&mpris, &Mpris::stopRequested, &player, &MediaPlayer::stop);
  QObject::connect(&mpris, &Mpris::volumeRequested, slider, &QSlider::setValue);
  QObject::connect(&mpris, &Mpris::raiseRequested, &form, &Form1::activate);
  QObject::connect(&mpris, &Mpris::quitRequested, &form, &Form1::endProgram);
}

void linkNotifications(Form1& form, SongNotifier& notifier) {
  MediaPlayer& player = form.WindowsMediaPlayer1();
  auto song = std::make_shared<QString>();
  const auto update = [&form, &notifier, &player, song] {
    // A minimised window (where the desktop has no tray) is out of sight as well.
    const bool inSight = form.isVisible() && !form.isMinimized();
    notifier.update({form.stationName(), player.URL(), *song, activity(player.playState()), inSight});
  };
  // Queued for the same reason as above: the station's name is set after its address.
  QObject::connect(&player, &MediaPlayer::statusChanged, &notifier, update, Qt::QueuedConnection);
  QObject::connect(
      &player, &MediaPlayer::streamTitleChanged, &notifier,
      [update, song](const QString& title) {
        *song = title;
        update();
      },
      Qt::QueuedConnection);
}
