// Keeping a station going, and the desktop services that start later, against a fake player.
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "desktop/keeplistening.h"
#include "desktop/laterstart.h"
#include "fake_keep_listening.h"
#include "fake_media_player.h"
#include "playback/listening.h"

namespace {

using namespace std::chrono_literals;

struct KeepListening {
  explicit KeepListening(std::chrono::milliseconds bound = 5min) {
    keepListening(listening, network, sleep, inhibitor, bound);
  }
  FakeMediaPlayer player;
  Listening listening{player};
  FakeNetworkMonitor network;
  FakeSleepMonitor sleep;
  FakeIdleInhibitor inhibitor;
};

TEST(KeepListeningTest, SuspendHeldOffWhilePlayingOrReconnectingAndSignalsReachThePlayer) {
  KeepListening k;
  const std::pair<int, bool> steps[] = {{MediaPlayer::Transitioning, true}, {MediaPlayer::Playing, true},
                                        {MediaPlayer::Transitioning, true}, {MediaPlayer::Playing, true},
                                        {MediaPlayer::Stopped, false},      {MediaPlayer::Playing, true},
                                        {MediaPlayer::Ready, false}};
  for (const auto& [state, held] : steps) {
    k.player.report(state, {});
    EXPECT_EQ(k.inhibitor.held, held) << state;
  }
  EXPECT_EQ(k.inhibitor.takes, 2);
  k.network.comeBack();
  k.sleep.wakeUp();
  EXPECT_EQ(k.player.calls.join(','), "reconnectNow,reopen");
}

// A station gone off the air is retried all night; past the bound the laptop may suspend again.
TEST(KeepListeningTest, SilenceBeyondTheBoundReleasesSuspendUntilAudioFlowsAgain) {
  KeepListening k(300ms);
  k.player.report(MediaPlayer::Playing, {});
  // The countdown keeps reporting; the bound runs from the drop, not from the latest report.
  const auto reconnecting = [&] { k.player.report(MediaPlayer::Transitioning, "Reconnecting..."); };
  EXPECT_TRUE(QTest::qWaitFor([&] { return reconnecting(), !k.inhibitor.held; }, 5000));
  reconnecting();
  EXPECT_FALSE(k.inhibitor.held);
  k.player.report(MediaPlayer::Playing, {});
  reconnecting();  // a new drop has the whole bound again
  EXPECT_TRUE(k.inhibitor.held);
  EXPECT_EQ(k.inhibitor.takes, 2);
}

TEST(LaterStartTest, AfterTheWindowIsShownOnceOrAfterTheFallbackWhenItStaysHidden) {
  QWidget shown, hidden;
  int shownRuns = 0, hiddenRuns = 0;
  afterWindowShown(shown, [&] { ++shownRuns; }, 2s);
  afterWindowShown(hidden, [&] { ++hiddenRuns; }, 300ms);
  QTest::qWait(100);
  EXPECT_EQ(shownRuns, 0) << "started before the window was shown";
  shown.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return shownRuns == 1; }, 1000));
  shown.hide();
  shown.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return hiddenRuns == 1; }, 2000));
  QTest::qWait(100);
  EXPECT_EQ(shownRuns, 1);
  EXPECT_EQ(hiddenRuns, 1);
}

TEST(LaterStartTest, ListeningServicesComeWithTheFirstStation) {
  FakeMediaPlayer player;
  Listening listening(player);
  int starts = 0;
  whenFirstPlaying(listening, [&] { ++starts; });
  auto* real = new FakeIdleInhibitor;
  int made = 0;
  LaterIdleInhibitor inhibitor([&] {
    ++made;
    return std::unique_ptr<IdleInhibitor>(real);
  });
  player.report(MediaPlayer::Ready, {});
  inhibitor.release();
  EXPECT_EQ(starts + made, 0);
  player.report(MediaPlayer::Transitioning, {});
  player.report(MediaPlayer::Playing, {});
  inhibitor.inhibit(QStringLiteral("playing"));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(real->held);
  inhibitor.release();
  EXPECT_FALSE(real->held);

  // The stand-ins pass the real monitors' signals on.
  LaterNetworkMonitor network;
  auto realNetwork = std::make_unique<FakeNetworkMonitor>();
  FakeNetworkMonitor* source = realNetwork.get();
  int reachable = 0;
  QObject::connect(&network, &NetworkMonitor::reachable, [&] { ++reachable; });
  network.start(std::move(realNetwork));
  source->comeBack();
  EXPECT_EQ(reachable, 1);
}

}  // namespace
