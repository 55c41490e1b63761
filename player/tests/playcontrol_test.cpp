#include "player/playcontrol.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "fake_listening.h"
#include "fake_media_player.h"

namespace {

TEST(PlayControlTest, PlayButtonStartsOrStopsByStateAndLeavesPauseAlone) {
  const std::pair<int, QString> cases[] = {
      {MediaPlayer::Stopped, "play"},       {MediaPlayer::Ready, "play"}, {MediaPlayer::Playing, "stop"},
      {MediaPlayer::Transitioning, "stop"}, {MediaPlayer::Paused, ""},    {MediaPlayer::Undefined, ""}};
  for (const auto& [state, expected] : cases) {
    FakeMediaPlayer player;
    player.state = state;
    togglePlay(player);
    EXPECT_EQ(player.calls.join(','), expected) << state;
  }
  EXPECT_EQ(playButtonKey(MediaPlayer::Ready), "command3b");
  EXPECT_EQ(playButtonKey(MediaPlayer::Playing), "command3");
  EXPECT_EQ(playButtonKey(MediaPlayer::Transitioning), "command3c");
  EXPECT_EQ(playButtonKey(MediaPlayer::Paused), "");
}

TEST(PlayControlTest, EnterClicksOnlyAListWithACurrentRow) {
  QListWidget list;
  int clicks = 0;
  activateOnEnter(&list, [&] { ++clicks; });
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(clicks, 0);
  list.addItems({"a", "b"});
  list.setCurrentRow(1);
  QTest::keyClick(&list, Qt::Key_Return);
  QTest::keyClick(&list, Qt::Key_Enter);
  QTest::keyClick(&list, Qt::Key_Space);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(list.currentRow(), 1);
}

TEST(PlayControlTest, SuspendHeldOffWhilePlayingOrReconnectingAndSignalsReachThePlayer) {
  FakeMediaPlayer player;
  FakeNetworkMonitor network;
  FakeSleepMonitor sleep;
  FakeIdleInhibitor inhibitor;
  keepListening(player, network, sleep, inhibitor);
  const std::pair<int, bool> steps[] = {{MediaPlayer::Transitioning, true}, {MediaPlayer::Playing, true},
                                        {MediaPlayer::Transitioning, true}, {MediaPlayer::Playing, true},
                                        {MediaPlayer::Stopped, false},      {MediaPlayer::Playing, true},
                                        {MediaPlayer::Ready, false}};
  for (const auto& [state, held] : steps) {
    player.report(state, {});
    EXPECT_EQ(inhibitor.held, held) << state;
  }
  EXPECT_EQ(inhibitor.takes, 2);
  network.comeBack();
  sleep.wakeUp();
  EXPECT_EQ(player.calls.join(','), "reconnectNow,reopen");
}

// A station gone off the air is retried all night; past the bound the laptop may suspend again.
TEST(PlayControlTest, SilenceBeyondTheBoundReleasesSuspendUntilAudioFlowsAgain) {
  FakeMediaPlayer player;
  FakeNetworkMonitor network;
  FakeSleepMonitor sleep;
  FakeIdleInhibitor inhibitor;
  keepListening(player, network, sleep, inhibitor, std::chrono::milliseconds(300));
  player.report(MediaPlayer::Playing, {});
  // The countdown keeps reporting; the bound runs from the drop, not from the latest report.
  const auto reconnecting = [&] { player.report(MediaPlayer::Transitioning, "Reconnecting..."); };
  EXPECT_TRUE(QTest::qWaitFor([&] { return reconnecting(), !inhibitor.held; }, 5000));
  reconnecting();
  EXPECT_FALSE(inhibitor.held);
  player.report(MediaPlayer::Playing, {});
  reconnecting();  // a new drop has the whole bound again
  EXPECT_TRUE(inhibitor.held);
  EXPECT_EQ(inhibitor.takes, 2);
}

}  // namespace
