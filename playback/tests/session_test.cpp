#include <gtest/gtest.h>

#include <vector>

#include "playback/session.h"

using playback::Failure;
using playback::Phase;
using playback::Session;
using playback::Step;

namespace {

enum Event { Start, Found, Open, Hang, Fail, Refused, Played, LowBuffer, Steady, Retry, Afresh };

struct Move {
  Event event;
  int expect = 0;  // Fail: the wait before the reconnect, 0 for the next entry; Hang: 1 opens again
};

void apply(Session& session, const Move& move) {
  switch (move.event) {
    // clang-format off
    case Start: return session.start();
    case Found: return session.found();
    case Open: return session.opening();
    case Hang: EXPECT_EQ(session.retryStart(), move.expect == 1); return;
    case Refused: return session.rejected(Failure::NotFound);
    case Played: return session.played();
    case LowBuffer: return session.buffering();
    case Steady: return session.steady();
    case Retry: return session.retry(false);
    case Afresh: return session.retry(true);
    // clang-format on
    case Fail: {
      const playback::AfterFailure next = session.failed(Failure::Unreadable, QDateTime::currentDateTime());
      EXPECT_EQ(next.step, move.expect == 0 ? Step::NextEntry : Step::Reconnect);
      EXPECT_EQ(next.delayMs, move.expect);
      return;
    }
  }
}

TEST(SessionTest, MovesGiveUpOnlyBeforePlayingAndBackOffAfter) {
  struct Case {
    const char* what;
    std::vector<Move> moves;
    Phase phase;
    Failure reported;  // what giving up now would say
  };
  // clang-format off
  const Case cases[] = {
      {"plays", {{Start}, {Found}, {Open}, {Played}}, Phase::Playing, Failure::NoConnection},
      {"a failure before playing moves on and is what a give-up reports",
       {{Start}, {Found}, {Open}, {Fail, 0}, {Refused}, {Found}, {Open}, {Fail, 0}},
       Phase::Resolving, Failure::Unreadable},
      {"a new start forgets the failures", {{Start}, {Refused}, {Start}}, Phase::Resolving, Failure::NoConnection},
      {"a hanging start is opened again once per stream",
       {{Start}, {Found}, {Open}, {Hang, 1}, {Open}, {Hang, 0}, {Fail, 0}, {Found}, {Open}, {Hang, 1}},
       Phase::Connecting, Failure::Unreadable},
      {"after playing the waits double up to the ceiling, without end",
       {{Start}, {Found}, {Open}, {Played}, {Fail, 100}, {Retry}, {Open}, {Hang, 0}, {Fail, 200}, {Retry},
        {Fail, 400}, {Retry}, {Fail, 800}, {Retry}, {Fail, 800}},
       Phase::Reconnecting, Failure::NoConnection},
      {"playing again is not enough: the waits start over after steady play or a retry afresh",
       {{Start}, {Found}, {Open}, {Played}, {Fail, 100}, {Retry}, {Played}, {Fail, 200}, {Retry}, {Played},
        {Steady}, {Fail, 100}, {Retry}, {Fail, 200}, {Afresh}, {Fail, 100}},
       Phase::Reconnecting, Failure::NoConnection},
      {"a new start forgets the drops",
       {{Start}, {Found}, {Open}, {Played}, {Fail, 100}, {Start}, {Found}, {Open}, {Played}, {Fail, 100}},
       Phase::Reconnecting, Failure::NoConnection},
      {"buffering only counts while playing", {{Start}, {Found}, {Open}, {LowBuffer}}, Phase::Connecting,
       Failure::NoConnection},
      {"a drop while buffering reconnects",
       {{Start}, {Found}, {Open}, {Played}, {LowBuffer}, {Fail, 100}, {LowBuffer}}, Phase::Reconnecting,
       Failure::NoConnection},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session session({100, 800, 1000});
    for (size_t i = 0; i < c.moves.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "move " << i + 1);
      apply(session, c.moves[i]);
    }
    EXPECT_EQ(session.phase(), c.phase);
    EXPECT_EQ(session.lastFailure(), c.reported);
  }
}

// The status says since when a station is silent, counted from the drop, not from each try.
TEST(SessionTest, SilentSinceTheDropOnceItLastsUntilItPlaysAgain) {
  const QDateTime drop = QDateTime::currentDateTime();
  Session session({100, 800, 1000});
  session.start();
  session.played();
  session.failed(Failure::Lost, drop);
  EXPECT_FALSE(session.silentSince(drop.addMSecs(999)).isValid());
  EXPECT_EQ(session.silentSince(drop.addMSecs(1000)), drop);
  session.retry(true);
  session.failed(Failure::Lost, drop.addSecs(5));
  EXPECT_EQ(session.silentSince(drop.addSecs(6)), drop);
  session.played();
  EXPECT_FALSE(session.silentSince(drop.addSecs(60)).isValid());
  session.failed(Failure::Lost, drop.addSecs(60));
  EXPECT_EQ(session.silentSince(drop.addSecs(61)), drop.addSecs(60));
}

}  // namespace
