#include "player/laterstart.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "fake_listening.h"
#include "fake_media_player.h"

namespace {

using namespace std::chrono_literals;

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
  int starts = 0;
  whenFirstPlaying(player, [&] { ++starts; });
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
