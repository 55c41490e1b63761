// What a start costs the station: one connection, also when the address is set twice or does
// not say what it is; a playlist costs one more, for its stream.
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

// An address that does not say what it is: the connection that finds out is the one that plays.
TEST_F(SingleConnection, AStreamAtAVagueAddressConnectsOncePerStart) {
  station_.streamAs("/octets", "application/octet-stream");
  for (const char* path : {"/stream", "/octets"}) {
    SCOPED_TRACE(path);
    const int before = station_.connections();
    player_.setURL(station_.url(QString::fromLatin1(path)));
    ASSERT_TRUE(playing()) << player_.statusText().toStdString();
    player_.stop();
    player_.play();
    ASSERT_TRUE(playing()) << player_.statusText().toStdString();
    QTest::qWait(1500);
    EXPECT_EQ(station_.connections() - before, 2);
    EXPECT_EQ(player_.currentStream().path(), QString::fromLatin1(path));
  }
}

TEST_F(SingleConnection, APlaylistAtAVagueAddressCostsOneConnectionMoreForItsStream) {
  station_.page("/listen", "text/plain",
                "[playlist]\nFile1=" + station_.url(QStringLiteral("/live")).toUtf8() + "\n");
  player_.setURL(station_.url(QStringLiteral("/listen")));
  ASSERT_TRUE(playing()) << player_.statusText().toStdString();
  QTest::qWait(1500);
  EXPECT_EQ(player_.currentStream().path(), QStringLiteral("/live"));
  EXPECT_EQ(station_.requests("/listen"), 1);
  EXPECT_EQ(station_.requests("/live"), 1);
  EXPECT_EQ(station_.connections(), 2);
}

// Relative entries are resolved against where the playlist was found, after redirects.
TEST_F(SingleConnection, ARedirectedPlaylistResolvesItsEntriesWhereItWasFound) {
  station_.redirect("/moved", "/lists/deep/station");
  station_.page("/lists/deep/station", "application/octet-stream", "#EXTM3U\n#EXTINF:-1,Radio\n../live\n");
  player_.setURL(station_.url(QStringLiteral("/moved")));
  ASSERT_TRUE(playing()) << player_.statusText().toStdString();
  EXPECT_EQ(player_.currentStream().path(), QStringLiteral("/lists/live"));
  EXPECT_EQ(station_.requests("/moved") + station_.requests("/lists/deep/station"), 2);
  EXPECT_EQ(station_.requests("/lists/live"), 1);
}

}  // namespace
