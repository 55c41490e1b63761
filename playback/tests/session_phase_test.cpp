#include <gtest/gtest.h>

#include "playback/mediaplayer.h"
#include "playback/sessionphase.h"

namespace {

using playback::Phase;

// A failure while buffering or waiting to reconnect is a drop of a stream that played: it must
// be reconnected, never given up with the error.
TEST(SessionPhase, EachPhaseShowsItsPlayStateAndSaysWhetherTheStreamHasPlayed) {
  struct Case {
    Phase phase;
    int state;
    bool active, played;
  };
  const Case cases[] = {
      {Phase::Idle, MediaPlayer::Undefined, false, false},
      {Phase::Resolving, MediaPlayer::Transitioning, true, false},
      {Phase::Connecting, MediaPlayer::Transitioning, true, false},
      {Phase::Playing, MediaPlayer::Playing, true, true},
      {Phase::Buffering, MediaPlayer::Transitioning, true, true},
      {Phase::Reconnecting, MediaPlayer::Transitioning, true, true},
      {Phase::Stopped, MediaPlayer::Stopped, false, false},
      {Phase::Ready, MediaPlayer::Ready, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.phase));
    EXPECT_EQ(playback::playStateOf(c.phase), c.state);
    EXPECT_EQ(playback::isActive(c.phase), c.active);
    EXPECT_EQ(playback::hasPlayed(c.phase), c.played);
  }
}

}  // namespace
