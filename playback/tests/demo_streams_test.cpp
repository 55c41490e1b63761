// The player on the bundled directory's demo stations, found the way the window finds them:
// Holland's station list, scanned.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

#include "bundled_directory.h"
#include "directory/directoryaddress.h"
#include "directory/tagscanner.h"
#include "directory/transfer.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

class DemoStreams : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");
    directory = new BundledDirectory;
    Transfer inet;
    const DirectoryAddress address(QString::fromStdString(directory->base()));
    const QList<QStringList> lists =
        scanTags(inet.OpenURL(address.stationList("holland.txt")), {"naam", "url", "homepage"});
    for (qsizetype i = 0; i < lists[0].size(); ++i) (*stations)[lists[0][i]] = lists[1].value(i);
  }
  static void TearDownTestSuite() {
    delete directory;
    directory = nullptr;
  }
  static QString url(const QString& name) {
    const auto it = stations->find(name);
    const QString u = it == stations->end() ? QString() : it->second;
    EXPECT_FALSE(u.isEmpty()) << name.toStdString();
    return u;
  }
  // Waits until the player reports the state, or the time is up.
  static bool reaches(GstMediaPlayer& player, int state, int ms = 20000) {
    return QTest::qWaitFor([&] { return player.playState() == state; }, ms);
  }

  static BundledDirectory* directory;
  static inline std::map<QString, QString>* stations = new std::map<QString, QString>;
};
BundledDirectory* DemoStreams::directory = nullptr;

TEST_F(DemoStreams, PlainPlsAndM3uStationsPlayWithTheirTitles) {
  for (const char* name : {"Polder FM", "Grachten Jazz", "Duinradio"}) {
    GstMediaPlayer player;
    player.setURL(url(name));
    EXPECT_TRUE(reaches(player, MediaPlayer::Playing)) << name << ": " << player.statusText().toStdString();
    // The demo stations send ICY titles; the first arrives within the first metadata block.
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.statusText().startsWith("Playing: "); }, 10000))
        << name << ": " << player.statusText().toStdString();
    player.stop();
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
  }
}

TEST_F(DemoStreams, TheTitleFollowsTheStation) {
  GstMediaPlayer player;
  player.setURL(url("Polder FM"));
  ASSERT_TRUE(reaches(player, MediaPlayer::Playing));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.statusText().startsWith("Playing: "); }, 10000));
  const QString first = player.statusText();
  // The server changes the title every ten seconds.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return player.statusText() != first && player.statusText().startsWith("Playing: "); }, 25000))
      << first.toStdString();
}

TEST_F(DemoStreams, OggStationPlays) {
  GstMediaPlayer player;
  QSignalSpy errors(&player, &MediaPlayer::error);
  player.setURL(url("Molen Klassiek"));
  ASSERT_TRUE(reaches(player, MediaPlayer::Playing)) << player.statusText().toStdString();
  QTest::qWait(3000);
  EXPECT_EQ(player.playState(), MediaPlayer::Playing);
  EXPECT_EQ(errors.count(), 0);
}

TEST_F(DemoStreams, DroppingStationReconnectsAndBrokenStationFailsOnce) {
  GstMediaPlayer dropping;
  QSignalSpy dropErrors(&dropping, &MediaPlayer::error);
  dropping.setURL(url("Tulp Rock"));
  ASSERT_TRUE(reaches(dropping, MediaPlayer::Playing));
  // It drops after about five seconds; the player reconnects and plays on.
  EXPECT_TRUE(QTest::qWaitFor([&] { return dropping.statusText().startsWith("Reconnecting"); }, 15000))
      << dropping.statusText().toStdString();
  EXPECT_TRUE(reaches(dropping, MediaPlayer::Playing));
  EXPECT_EQ(dropErrors.count(), 0);
  // Stop while a reconnect waits cancels it.
  ASSERT_TRUE(QTest::qWaitFor([&] { return dropping.statusText().startsWith("Reconnecting"); }, 15000));
  dropping.stop();
  QTest::qWait(3000);
  EXPECT_EQ(dropping.playState(), MediaPlayer::Stopped);

  GstMediaPlayer broken;
  QSignalSpy errors(&broken, &MediaPlayer::error);
  broken.setURL(url("Verdwenen FM"));
  EXPECT_TRUE(errors.wait(15000));
  QTest::qWait(1500);
  EXPECT_EQ(errors.count(), 1);
}

}  // namespace
