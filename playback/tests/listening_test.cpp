#include <QSignalSpy>

#include <gtest/gtest.h>

#include "fake_media_player.h"
#include "playback/listening.h"

namespace {

using Activity = Listening::Activity;

TEST(ListeningTest, ActivityTellsAFirstStartFromAReconnectAndChangesOnlyWhenItDoes) {
  FakeMediaPlayer player;
  Listening listening(player);
  QSignalSpy changes(&listening, &Listening::activityChanged);
  const std::pair<int, Activity> steps[] = {
      {MediaPlayer::Transitioning, Activity::Starting},     {MediaPlayer::Transitioning, Activity::Starting},
      {MediaPlayer::Playing, Activity::Playing},            {MediaPlayer::Transitioning, Activity::Reconnecting},
      {MediaPlayer::Playing, Activity::Playing},            {MediaPlayer::Stopped, Activity::Stopped},
      {MediaPlayer::Transitioning, Activity::Starting},     {MediaPlayer::Ready, Activity::Stopped},
      {MediaPlayer::Paused, Activity::Stopped}};
  for (const auto& [state, activity] : steps) {
    player.report(state, {});
    EXPECT_EQ(listening.activity(), activity) << state;
  }
  EXPECT_EQ(changes.count(), 7);
}

TEST(ListeningTest, AStationPlaysWithItsTitleAndKeepsTheAddressItLedTo) {
  FakeMediaPlayer player;
  Listening listening(player);
  QSignalSpy stations(&listening, &Listening::stationChanged);
  QSignalSpy titles(&listening, &Listening::titleChanged);
  listening.play(Station{"Radio Een", "http://127.0.0.1:9/play/1", "een.example/"});
  EXPECT_EQ(player.calls, QStringList{"url:http://127.0.0.1:9/play/1"});
  player.announceTitle("Band - Song");
  player.announceTitle("Band - Song");
  EXPECT_EQ(listening.title(), "Band - Song");

  player.findStation("1", "http://een.example/live");
  EXPECT_EQ(listening.station(), (Station{"Radio Een", "http://een.example/live", "een.example/"}));
  ASSERT_EQ(stations.count(), 2);
  EXPECT_EQ(stations.last().first().value<Station>().address, "http://een.example/live");

  // Another station starts without the last one's song.
  listening.play(Station{"Radio Twee", "http://s/2", {}});
  EXPECT_EQ(listening.title(), "");
  EXPECT_EQ(titles.count(), 2);
}

// Only a station shown by its address takes the name its stream gives itself, as one line.
TEST(ListeningTest, OnlyAStationNamedByItsAddressTakesTheStreamsName) {
  FakeMediaPlayer player;
  Listening listening(player);
  listening.play(Station{"http://s/jazz", "http://s/jazz", "site/"});
  Q_EMIT player.streamNameChanged("Jazz <b>FM</b>\nAmsterdam");
  EXPECT_EQ(listening.station().name, "Jazz <b>FM</b> Amsterdam");
  Q_EMIT player.streamNameChanged(" \n ");
  EXPECT_EQ(listening.station().name, "Jazz <b>FM</b> Amsterdam");
  for (const QString& name : {QStringLiteral("Radio Een"), QString()}) {
    listening.play(Station{name, "http://s/1", {}});
    Q_EMIT player.streamNameChanged("Something Else");
    EXPECT_EQ(listening.station().name, name);
  }
}

}  // namespace
