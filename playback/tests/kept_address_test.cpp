// The directory server's addresses die with the run that gave them out: the station's own address
// is kept, and what earlier runs kept plays through today's server.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "counting_station.h"
#include "playback/keptaddress.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

TEST(KeptAddress, EarlierRunsAddressesGoToTodaysDirectory) {
  const QString id = QStringLiteral("/play/9608b51d-0601-11e8-ae97-52543be04c81");
  const QList<std::pair<QString, QStringList>> cases{
      {"http://127.0.0.1:39999" + id, {"http://127.0.0.1:41000" + id}},
      {"http://127.0.0.1:41000" + id, {"http://127.0.0.1:41000" + id}},
      {"http://radio.example" + id, {"http://radio.example" + id}},
      {"http://127.0.0.1:39999/play/no-station", {"http://127.0.0.1:39999/play/no-station"}},
      // Maybe another server's of this computer: tried as it is first.
      {"http://127.0.0.1:39999/stream/x.mp3", {"http://127.0.0.1:39999/stream/x.mp3", "http://127.0.0.1:41000/stream/x.mp3"}},
  };
  for (const auto& [address, expected] : cases) {
    QStringList tries;
    for (const QUrl& u : keptaddress::throughDirectory(QUrl(address), QUrl("http://127.0.0.1:41000/")))
      tries << u.toString();
    EXPECT_EQ(tries, expected) << address.toStdString();
  }
}

class KeptStation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true"); }
  void SetUp() override { player_.setDirectory(QUrl(station_.url("/"))); }
  bool playing() { return QTest::qWaitFor([&] { return player_.playState() == MediaPlayer::Playing; }, 20000); }

  CountingStation station_;  // today's directory server and the station in one
  GstMediaPlayer player_;
};

// Counted once per start by the user; a reconnect goes to the station itself.
TEST_F(KeptStation, AnEarlierRunsAddressPlaysAndKeepsTheStationsOwn) {
  const QString id = QStringLiteral("9608b51d-0601-11e8-ae97-52543be04c81");
  const QString own = station_.url("/station.mp3");
  station_.redirect("/play/" + id.toLatin1(), own.toLatin1());
  QSignalSpy found(&player_, &MediaPlayer::stationAddressFound);
  player_.setURL("http://127.0.0.1:9/play/" + id);  // nothing listens on port 9 any more
  ASSERT_TRUE(playing()) << player_.statusText().toStdString();
  EXPECT_EQ(player_.URL(), own);
  EXPECT_EQ(found.value(0), (QVariantList{id, own}));

  player_.reopen();  // as after a wake-up: a fresh connection
  ASSERT_TRUE(QTest::qWaitFor([&] { return station_.requests("/station.mp3") == 2; }, 20000));
  EXPECT_EQ(station_.requests("/play/" + id.toLatin1()), 1);
  player_.stop();
  player_.play();
  ASSERT_TRUE(playing());
  EXPECT_EQ(station_.requests("/play/" + id.toLatin1()), 2);
  EXPECT_EQ(found.count(), 1);
}

}  // namespace
