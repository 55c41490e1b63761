#include "player/playcontrol.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "fake_media_player.h"
#include "playback/listening.h"

namespace {

TEST(PlayControlTest, PlayButtonStartsOrStopsByStateAndLeavesPauseAlone) {
  const std::pair<int, QString> cases[] = {
      {MediaPlayer::Stopped, "play"},       {MediaPlayer::Ready, "play"}, {MediaPlayer::Playing, "stop"},
      {MediaPlayer::Transitioning, "stop"}, {MediaPlayer::Paused, ""},    {MediaPlayer::Undefined, ""}};
  for (const auto& [state, expected] : cases) {
    FakeMediaPlayer player;
    Listening listening(player);
    player.report(state, {});
    togglePlay(listening);
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

}  // namespace
