// What the desktop hears of the listening and what it may ask through MPRIS, against a fake player,
// and the metadata of a real stream.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QTest>

#include <gtest/gtest.h>

#include "bundled_directory.h"
#include "change_listener.h"
#include "desktop/mprislink.h"
#include "fake_media_player.h"
#include "playback/listening.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

class MprisLinkTest : public ::testing::Test {
 protected:
  MprisLinkTest() {
    linkMpris(listening, mpris,
              {[this](const QString& address) { listening.play(Station{address, address, "site/"}); },
               [this](int volume) { asked << QStringLiteral("volume:%1").arg(volume); },
               [this] { asked << "raise"; }, [this] { asked << "quit"; }});
  }
  FakeMediaPlayer player;
  Listening listening{player};
  Mpris mpris;
  QStringList asked;
};

TEST_F(MprisLinkTest, AnOpenedAddressPlaysAndTheDesktopSeesItsNameAndState) {
  Q_EMIT mpris.openUriRequested("http://127.0.0.1:8000/jazz.mp3");
  EXPECT_EQ(player.url, "http://127.0.0.1:8000/jazz.mp3");
  Q_EMIT player.streamNameChanged("Jazz FM");
  const std::pair<int, Mpris::Status> steps[] = {{MediaPlayer::Transitioning, Mpris::Status::Playing},
                                                 {MediaPlayer::Playing, Mpris::Status::Playing},
                                                 {MediaPlayer::Stopped, Mpris::Status::Stopped}};
  for (const auto& [state, status] : steps) {
    player.report(state, {});
    EXPECT_EQ(mpris.status(), status) << state;
  }
  EXPECT_EQ(mpris.metadata().value("xesam:title").toString(), "Jazz FM");
  EXPECT_EQ(mpris.metadata().value("xesam:url").toString(), "http://127.0.0.1:8000/jazz.mp3");
  player.announceTitle("Band - Song");
  EXPECT_EQ(mpris.metadata().value("xesam:title").toString(), "Song");
}

TEST_F(MprisLinkTest, PlayAndStopFollowThePlayerTheRestGoesToTheProgram) {
  Q_EMIT mpris.playRequested();  // nothing chosen yet: nothing to play
  EXPECT_TRUE(player.calls.isEmpty());
  player.url = "http://s/1";
  player.report(MediaPlayer::Stopped, {});
  Q_EMIT mpris.playRequested();
  player.report(MediaPlayer::Playing, {});
  Q_EMIT mpris.playRequested();  // already playing: no restart
  Q_EMIT mpris.stopRequested();
  EXPECT_EQ(player.calls, QStringList({"play", "stop"}));

  Q_EMIT mpris.volumeRequested(30);
  Q_EMIT mpris.raiseRequested();
  Q_EMIT mpris.quitRequested();
  EXPECT_EQ(asked, QStringList({"volume:30", "raise", "quit"}));
}

// The bundled directory's demo stations change their ICY title every ten seconds.
TEST(MprisLinkOnADemoStream, MetadataFollowTheTitlesOneChangeEach) {
  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");
  BundledDirectory directory;
  const QString stream = QString::fromStdString(directory.base()) + "stream/";
  GstMediaPlayer player;
  Listening listening(player);
  Mpris mpris;
  const QString name =
      QStringLiteral("org.mpris.MediaPlayer2.vantorlink%1").arg(QCoreApplication::applicationPid());
  ASSERT_TRUE(mpris.publish(QDBusConnection::sessionBus(), name));
  linkMpris(listening, mpris, {});
  ChangeListener listener;
  const QDBusConnection shell = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "link-shell");
  ASSERT_TRUE(listener.listen(shell, name));

  listening.play(Station{"Polder FM", stream + "polder-fm.mp3", {}});
  const auto song = [](const QVariantMap& m) {
    const QStringList artist = m.value("xesam:artist").toStringList();
    return (artist.isEmpty() ? QString() : artist.first() + " - ") + m.value("xesam:title").toString();
  };
  // The first metadata name the station, the next its first song.
  QTRY_VERIFY_WITH_TIMEOUT(!listener.metadata.isEmpty() && song(listener.metadata.last()) != "Polder FM",
                           20000);
  const qsizetype firstSong = listener.metadata.size();
  const QString first = song(listener.metadata.last());
  // The title may come with the first data, before the player calls it playing.
  EXPECT_TRUE(QTest::qWaitFor([&] { return player.statusText() == "Playing: " + first; }, 10000))
      << player.statusText().toStdString() << " / " << first.toStdString();
  QTRY_VERIFY_WITH_TIMEOUT(song(listener.metadata.last()) != first, 30000);
  QTest::qWait(1000);
  ASSERT_EQ(listener.metadata.size(), firstSong + 1);

  const QVariantMap now = listener.metadata.last();
  EXPECT_TRUE(QTest::qWaitFor([&] { return player.statusText() == "Playing: " + song(now); }, 10000))
      << player.statusText().toStdString();
  EXPECT_EQ(now.value("xesam:album").toString(), "Polder FM");

  // Another station: its first metadata name the station, not the last station's song.
  const qsizetype before = listener.metadata.size();
  listening.play(Station{"Grachten Jazz", stream + "grachten-jazz.pls", {}});
  QTRY_VERIFY_WITH_TIMEOUT(listener.metadata.size() > before, 10000);
  EXPECT_EQ(listener.metadata[before].value("xesam:album").toString(), "Grachten Jazz");
  EXPECT_EQ(song(listener.metadata[before]), "Grachten Jazz");
  player.stop();
  QDBusConnection::disconnectFromBus(QStringLiteral("link-shell"));
}

}  // namespace
