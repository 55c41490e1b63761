#pragma once

// Where a start of the player stands, from setURL() or play() until stop(), close() or the
// error; GstMediaPlayer::enter() is the only place that moves it (its header draws the moves).
namespace playback {

enum class Phase { Idle, Resolving, Connecting, Playing, Buffering, Reconnecting, Stopped, Ready };

// The play state the windows see in each phase (MediaPlayer::PlayState).
int playStateOf(Phase phase);
// A stream is being found, opened or played.
bool isActive(Phase phase);
// The current stream has played: a failure now is a drop, reconnected without end.
bool hasPlayed(Phase phase);

}  // namespace playback
