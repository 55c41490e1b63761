#include "sessionphase.h"

#include "mediaplayer.h"

namespace playback {

int playStateOf(Phase phase) {
  switch (phase) {
    case Phase::Idle:
      return MediaPlayer::Undefined;
    case Phase::Playing:
      return MediaPlayer::Playing;
    case Phase::Stopped:
      return MediaPlayer::Stopped;
    case Phase::Ready:
      return MediaPlayer::Ready;
    case Phase::Resolving:
    case Phase::Connecting:
    case Phase::Buffering:
    case Phase::Reconnecting:
      break;
  }
  return MediaPlayer::Transitioning;
}

bool isActive(Phase phase) {
  return phase == Phase::Resolving || phase == Phase::Connecting || hasPlayed(phase);
}

bool hasPlayed(Phase phase) {
  return phase == Phase::Playing || phase == Phase::Buffering || phase == Phase::Reconnecting;
}

}  // namespace playback
