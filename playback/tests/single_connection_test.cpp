// What a start costs the station: one connection, also when the address is set twice.
#include <QTest>

#include <gtest/gtest.h>

#include "counting_station.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

class SingleConnection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true"); }
  bool playing() {
    return QTest::qWaitFor([&] { return player_.playState() == MediaPlayer::Playing; }, 20000);
  }

  CountingStation station_;
  GstMediaPlayer player_;
};

TEST_F(SingleConnection, EachStartOfAStreamConnectsOnce) {
  const QString address = station_.url(QStringLiteral("/live.mp3"));
  player_.setURL(address);
  ASSERT_TRUE(playing()) << player_.statusText().toStdString();
  QTest::qWait(1500);
  EXPECT_EQ(station_.connections(), 1);

  player_.stop();
  player_.play();
  ASSERT_TRUE(playing());
  QTest::qWait(1500);
  EXPECT_EQ(station_.connections(), 2);

  // The same address again while it plays changes nothing; another address starts over.
  player_.setURL(address);
  EXPECT_EQ(player_.playState(), MediaPlayer::Playing);
  player_.setURL(station_.url(QStringLiteral("/other.mp3")));
  ASSERT_TRUE(playing());
  QTest::qWait(1500);
  EXPECT_EQ(station_.connections(), 3);
}

// The start-up of the window sets the remembered address, the volume, then the address again.
TEST_F(SingleConnection, TheAddressSetTwiceWhileStartingConnectsOnce) {
  const QString address = station_.url(QStringLiteral("/live.mp3"));
  player_.setURL(address);
  // Set again once the station has the connection, before it plays.
  ASSERT_TRUE(QTest::qWaitFor([&] { return station_.connections() == 1; }, 10000));
  player_.setVolume(40);
  player_.setURL(address);
  ASSERT_TRUE(playing()) << player_.statusText().toStdString();
  QTest::qWait(2000);
  EXPECT_EQ(station_.connections(), 1);
  EXPECT_EQ(player_.playState(), MediaPlayer::Playing);
}

}  // namespace
