// The GStreamer player for real, on loopback streams, with a fake audio sink.
#include <QTcpServer>
#include <QTime>
#include <QTemporaryDir>

#include "gst_player_fixture.h"

namespace {

TEST_F(GstPlayerTest, PlainStreamPlaysStopsPlaysAgainAndCloses) {
  player().setVolume(30);
  player().setMute(true);
  player().setURL(url("/live.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing)) << history().join(u'\n').toStdString();
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_.front().first, MediaPlayer::Transitioning);
  EXPECT_EQ(player().statusText(), QStringLiteral("Playing"));
  EXPECT_EQ(player().URL(), url("/live.mp3"));

  // The stream connection itself announces us and asks for titles.
  EXPECT_GE(radio_.icyHits("/live.mp3"), 1);
  EXPECT_EQ(radio_.lastHeader("/live.mp3", "User-Agent"), "VantorInternetRadio/2.0");

  // Volume is cubic: 30 on the dial is 0.3^3 on playbin's linear scale.
  EXPECT_NEAR(property<gdouble>(player().pipeline(), "volume"), 0.027, 1e-3);
  EXPECT_TRUE(property<gboolean>(player().pipeline(), "mute"));
  player().setMute(false);
  player().setVolume(100);
  EXPECT_FALSE(property<gboolean>(player().pipeline(), "mute"));
  EXPECT_NEAR(property<gdouble>(player().pipeline(), "volume"), 1.0, 1e-3);
  EXPECT_EQ(player().volume(), 100);

  player().stop();
  EXPECT_EQ(player().playState(), MediaPlayer::Stopped);
  EXPECT_EQ(player().statusText(), QStringLiteral("Stopped"));
  GstState current = GST_STATE_VOID_PENDING;
  gst_element_get_state(player().pipeline(), &current, nullptr, 0);
  EXPECT_EQ(current, GST_STATE_NULL);

  player().play();
  EXPECT_EQ(player().playState(), MediaPlayer::Transitioning);
  EXPECT_TRUE(waitState(MediaPlayer::Playing));

  player().close();
  EXPECT_EQ(player().playState(), MediaPlayer::Ready);
  EXPECT_EQ(player().URL(), url("/live.mp3"));
  QTest::qWait(500);  // nothing of the closed stream may come back
  EXPECT_EQ(player().playState(), MediaPlayer::Ready);
  EXPECT_EQ(errors(), 0);
}

TEST_F(GstPlayerTest, VolumeOutOfRangeIsClamped) {
  player().setVolume(250);
  EXPECT_EQ(player().volume(), 100);
  player().setVolume(-5);
  EXPECT_EQ(player().volume(), 0);
  EXPECT_NEAR(property<gdouble>(player().pipeline(), "volume"), 0.0, 1e-6);
}

TEST_F(GstPlayerTest, SlowStartShowsBufferingThenPlays) {
  LoopbackRadio::Mount slow = liveMp3();
  slow.burst = 0;
  radio_.add("/slow.mp3", slow);
  player().setURL(url("/slow.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  static const QRegularExpression buffering(QStringLiteral("^9:Buffering \\d+%$"));
  EXPECT_FALSE(history().filter(buffering).isEmpty()) << history().join(u'\n').toStdString();
}

TEST_F(GstPlayerTest, IcyTitleReachesStatusFollowsChangesAndIsRepaired) {
  LoopbackRadio::Mount m = liveMp3();
  // The second title comes in Windows-1252, as many stations send it.
  m.titles = {"Artist One - First Song", "Beyonc\xe9 - D\xe9j\xe0 Vu \x96 Live"};
  m.titleEveryBytes = m.burst + 3 * m.bytesPerSecond;
  radio_.add("/icy.mp3", m);
  player().setURL(url("/icy.mp3"));
  EXPECT_TRUE(waitStatus(QStringLiteral("Playing: Artist One - First Song")))
      << player().statusText().toStdString();
  EXPECT_TRUE(waitStatus(QStringLiteral("Playing: Beyoncé - Déjà Vu – Live"), 20000))
      << player().statusText().toStdString();
  EXPECT_EQ(player().playState(), MediaPlayer::Playing);
}

// Held back for a look at its head, a stream still reaches ICY's demuxer with its titles.
TEST_F(GstPlayerTest, IcyTitleComesThroughAtAnAddressThatDoesNotSayWhatItIs) {
  LoopbackRadio::Mount m = liveMp3();
  m.contentType = "application/octet-stream";
  m.titles = {"Artist Two - Vague Song"};
  radio_.add("/listen", m);
  player().setURL(url("/listen"));
  EXPECT_TRUE(waitStatus(QStringLiteral("Playing: Artist Two - Vague Song")))
      << history().join(u'\n').toStdString();
  EXPECT_EQ(radio_.hits("/listen"), 1);
  EXPECT_EQ(radio_.icyHits("/listen"), 1);
}

TEST_F(GstPlayerTest, OggStationPlaysPastATitleChange) {
  LoopbackRadio::Mount m;
  m.contentType = "application/ogg";
  m.body = media().ogg;
  m.bytesPerSecond = media().oggBytesPerSecond;
  m.burst = m.bytesPerSecond;
  radio_.add("/live.ogg", m);
  player().setURL(url("/live.ogg"));
  EXPECT_TRUE(waitStatus(QStringLiteral("Playing: Ogg Artist - First Song")));
  EXPECT_TRUE(waitStatus(QStringLiteral("Playing: Ogg Artist - Second Song")))
      << history().join(u'\n').toStdString();
  EXPECT_TRUE(waitStatus(QStringLiteral("Playing: Ogg Artist - First Song")));  // the chain starts over
  EXPECT_EQ(player().playState(), MediaPlayer::Playing);
  EXPECT_EQ(errors(), 0);
}

TEST_F(GstPlayerTest, PlaylistsOfEachKindPlayTheirStream) {
  const std::string live = radio_.url("/live.mp3");
  radio_.add("/pls",
             staticText("audio/x-scpls", "[playlist]\r\nNumberOfEntries=1\r\nFile1=" + live + "\r\n"));
  radio_.add("/dir/m3u", staticText("audio/x-mpegurl", "#EXTM3U\n#EXTINF:-1,Loopback\n../live.mp3\n"));
  radio_.add("/asx", staticText("video/x-ms-asf",
                                "<ASX version=\"3.0\"><Entry><Ref HREF=\"" + live + "\"/></Entry></ASX>"));
  radio_.add("/xspf",
             staticText("application/xspf+xml",
                        "<?xml version=\"1.0\"?><playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"
                        "<trackList><track><location>" +
                            live + "</location></track></trackList></playlist>"));
  // Served as plain text: the content tells what it is.
  radio_.add("/listen.php", staticText("text/plain", "[playlist]\nFile1=" + live + "\n"));
  for (const char* path : {"/pls", "/dir/m3u", "/asx", "/xspf", "/listen.php"}) {
    SCOPED_TRACE(path);
    player().setURL(url(path));
    EXPECT_EQ(player().URL(), url(path));
    EXPECT_TRUE(waitState(MediaPlayer::Playing)) << history().join(u'\n').toStdString();
    EXPECT_EQ(player().currentStream().toString().toStdString(), live);
  }
  EXPECT_EQ(errors(), 0);
}

TEST_F(GstPlayerTest, PlaylistMovesOnToTheNextEntryWhenOneFails) {
  const std::string gone = radio_.url("/gone.mp3");
  const std::string junk = radio_.url("/junk.mp3");
  radio_.add("/junk.mp3", staticText("audio/mpeg", std::string(20000, 'x')));
  radio_.add("/list.pls", staticText("audio/x-scpls", "[playlist]\nFile1=" + gone + "\nFile2=" + junk +
                                                          "\nFile3=" + radio_.url("/live.mp3") + "\n"));
  player().setURL(url("/list.pls"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing, 20000)) << history().join(u'\n').toStdString();
  EXPECT_EQ(player().currentStream().path(), QStringLiteral("/live.mp3"));
  EXPECT_EQ(radio_.hits("/gone.mp3"), 1);
  EXPECT_EQ(errors(), 0);
}

TEST_F(GstPlayerTest, FailuresRaiseTheErrorOnceAndAtOnce) {
  struct Case {
    const char* what;
    QString address;
    QString status;
  };
  radio_.add("/junk.mp3", staticText("audio/mpeg", std::string(20000, 'x')));
  radio_.add("/empty.pls", staticText("audio/x-scpls", "[playlist]\nNumberOfEntries=0\n"));
  radio_.add("/about", staticText("text/html", "<html><body>Listen with your browser</body></html>"));
  const QString refused = QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(closedPort());
  const Case cases[] = {
      {"404", url("/missing.mp3"), QStringLiteral("Stream not found")},
      {"404 at an address without a file name", url("/missing"), QStringLiteral("Stream not found")},
      {"a web page", url("/about"), QStringLiteral("Cannot play this stream")},
      {"not audio", url("/junk.mp3"), QStringLiteral("Cannot play this stream")},
      {"empty playlist", url("/empty.pls"), QStringLiteral("Cannot play this stream")},
      {"refused", refused, QStringLiteral("Cannot connect to the stream")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    player().setURL(c.address);
    const int before = errors();
    EXPECT_TRUE(QTest::qWaitFor([&] { return errors() > before; }, 15000))
        << history().join(u'\n').toStdString();
    QTest::qWait(1500);
    EXPECT_EQ(errors(), before + 1);
    EXPECT_EQ(player().playState(), MediaPlayer::Ready);
    EXPECT_EQ(player().statusText(), c.status);
  }
  // Nothing was retried behind our back.
  EXPECT_EQ(radio_.hits("/missing.mp3"), 1);
  EXPECT_EQ(radio_.hits("/missing"), 1);
}

TEST_F(GstPlayerTest, StreamThatNeverStartsTimesOut) {
  radio_.add("/silent.mp3", silentMp3());
  tuning_.connectTimeoutMs = 1500;
  player().setURL(url("/silent.mp3"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return errors() == 1; }, 15000)) << history().join(u'\n').toStdString();
  EXPECT_EQ(player().playState(), MediaPlayer::Ready);
  EXPECT_EQ(radio_.icyHits("/silent.mp3"), 2);  // retried once, then given up
}

TEST_F(GstPlayerTest, DroppedStreamReconnectsAndPlaysOn) {
  radio_.add("/drop.mp3", droppingMp3(2));
  tuning_.reconnectBaseMs = 1000;
  tuning_.stablePlayMs = 300;
  player().setURL(url("/drop.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  EXPECT_TRUE(QTest::qWaitFor([&] { return radio_.icyHits("/drop.mp3") >= 4; }, 40000));
  EXPECT_TRUE(waitState(MediaPlayer::Playing));
  // Each drop after steady play waits the first delay again, never a doubled one.
  EXPECT_GE(history().filter(QStringLiteral("9:Reconnecting in 1 s...")).size(), 3)
      << history().join(u'\n').toStdString();
  EXPECT_TRUE(history().filter(QStringLiteral("Reconnecting in 2 s")).isEmpty());
  EXPECT_EQ(errors(), 0);
}

// Outages of 10 s, one minute and three minutes against a 30 s ceiling, all shortened thirtyfold;
// the two long ones tell since when the station is silent, each from its own drop.
TEST_F(GstPlayerTest, StationThatPlayedComesBackByItselfAfterAnyOutage) {
  tuning_.reconnectBaseMs = 100;
  tuning_.reconnectMaxMs = 1000;
  tuning_.silentNoticeMs = 1500;
  player().setURL(url("/live.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  for (const int outageMs : {333, 2000, 6000}) {
    SCOPED_TRACE(outageMs);
    const auto clock = [] { return QTime::currentTime().toString(QStringLiteral("HH:mm")); };
    const QString before = clock();
    radio_.stop();
    ASSERT_TRUE(waitStatus(QStringLiteral("Reconnecting in 1 s..."))) << history().join(u'\n').toStdString();
    const QString after = clock();  // the drop came in between
    QTest::qWait(outageMs);
    EXPECT_EQ(player().playState(), MediaPlayer::Transitioning);
    const auto silentSince = [&](const QString& at) {
      return player().statusText() == QStringLiteral("Silent since %1, trying again in 1 s").arg(at);
    };
    if (outageMs > tuning_.silentNoticeMs)
      EXPECT_TRUE(QTest::qWaitFor([&] { return silentSince(before) || silentSince(after); }, 5000))
          << history().join(u'\n').toStdString();
    else
      EXPECT_TRUE(history().filter(QStringLiteral("Silent since")).isEmpty());
    radio_.start();
    EXPECT_TRUE(waitState(MediaPlayer::Playing, 30000)) << history().join(u'\n').toStdString();
  }
  EXPECT_FALSE(history().filter(QStringLiteral("9:Reconnecting...")).isEmpty());
  EXPECT_EQ(errors(), 0);
  // A station that never played in this session still ends with the error, once.
  radio_.stop();
  player().setURL(url("/other.mp3"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return errors() == 1; }, 15000)) << history().join(u'\n').toStdString();
  QTest::qWait(1500);
  EXPECT_EQ(errors(), 1);
}

TEST_F(GstPlayerTest, StallIsADropAndIsReopenedWithAFreshRequest) {
  tuning_.stallMs = 1500;
  tuning_.reconnectMaxMs = 1000;
  tuning_.connectTimeoutMs = 1500;
  player().setURL(url("/live.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  const int before = radio_.icyHits("/live.mp3");
  radio_.stall(true);
  EXPECT_TRUE(waitReconnecting(20000));
  // It stays stalled over several tries: none of them gives up.
  EXPECT_TRUE(QTest::qWaitFor([&] { return radio_.icyHits("/live.mp3") >= before + 3; }, 30000))
      << history().join(u'\n').toStdString();
  EXPECT_EQ(radio_.lastHeader("/live.mp3", "Range"), "");
  radio_.stall(false);
  EXPECT_TRUE(waitState(MediaPlayer::Playing, 30000)) << history().join(u'\n').toStdString();
  EXPECT_EQ(errors(), 0);
}

TEST_F(GstPlayerTest, NetworkBackTriesAtOnceAndWakingUpReopensFresh) {
  tuning_.reconnectBaseMs = tuning_.reconnectMaxMs = 120000;  // only reconnectNow() brings it back in time
  player().setURL(url("/live.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  radio_.stop();
  ASSERT_TRUE(waitStatus(QStringLiteral("Reconnecting in 120 s..."))) << history().join(u'\n').toStdString();
  radio_.start();
  player().reconnectNow();
  EXPECT_TRUE(waitState(MediaPlayer::Playing, 30000)) << history().join(u'\n').toStdString();

  const int connections = radio_.icyHits("/live.mp3");
  player().reopen();
  EXPECT_EQ(player().playState(), MediaPlayer::Transitioning);
  EXPECT_TRUE(waitState(MediaPlayer::Playing, 30000));
  EXPECT_EQ(radio_.icyHits("/live.mp3"), connections + 1);
  player().stop();
  player().reopen();  // a stopped station stays stopped
  EXPECT_EQ(player().playState(), MediaPlayer::Stopped);
  EXPECT_EQ(errors(), 0);
}

TEST_F(GstPlayerTest, StopAndCloseCancelAPendingReconnect) {
  radio_.add("/drop.mp3", droppingMp3(2));
  tuning_.reconnectBaseMs = 1500;
  for (const bool useClose : {false, true}) {
    SCOPED_TRACE(useClose ? "close" : "stop");
    player().setURL(url("/drop.mp3"));
    ASSERT_TRUE(waitReconnecting(15000)) << history().join(u'\n').toStdString();
    const int connections = radio_.icyHits("/drop.mp3");
    useClose ? player().close() : player().stop();
    QTest::qWait(2500);
    EXPECT_EQ(radio_.icyHits("/drop.mp3"), connections);
    EXPECT_EQ(player().playState(), useClose ? MediaPlayer::Ready : MediaPlayer::Stopped);
  }
  EXPECT_EQ(errors(), 0);
}

// A directory or a playlist must never make the player read a local file or standard input.
TEST_F(GstPlayerTest, OnlyStreamAddressesAreOpened) {
  QTemporaryDir dir;
  QFile mp3(dir.filePath(QStringLiteral("short.mp3")));
  ASSERT_TRUE(mp3.open(QIODevice::WriteOnly));
  mp3.write(QByteArray::fromStdString(media().mp3.substr(0, 16000)));
  mp3.close();
  QFile m3u(dir.filePath(QStringLiteral("list.m3u")));
  ASSERT_TRUE(m3u.open(QIODevice::WriteOnly));
  m3u.write("# my list\r\nshort.mp3\r\n");
  m3u.close();
  radio_.add("/local.m3u",
             staticText("audio/x-mpegurl", "file://" + mp3.fileName().toStdString() + "\nfd://0\n"));
  for (const QString& address :
       {QStringLiteral("file:///etc/passwd"), mp3.fileName(), m3u.fileName(), QStringLiteral("fd://0"),
        QStringLiteral("ftp://127.0.0.1/x.mp3"), url("/local.m3u")}) {
    SCOPED_TRACE(address.toStdString());
    const int before = errors();
    player().setURL(address);
    EXPECT_TRUE(QTest::qWaitFor([&] { return errors() > before; }, 15000))
        << history().join(u'\n').toStdString();
    EXPECT_EQ(player().statusText(), QStringLiteral("Cannot play this stream"));
    EXPECT_TRUE(history().filter(QStringLiteral("3:Playing")).isEmpty());
  }
}

// A playlist of 20 playlists of 20 playlists of a dead stream: one start stays within its budget.
TEST_F(GstPlayerTest, BranchingPlaylistTreeStaysWithinTheStartBudget) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(closedPort()) + "/live.mp3";
  std::string root = "[playlist]\n";
  std::vector<std::string> paths;
  for (int i = 1; i <= 20; ++i) {
    const std::string branch = "/branch" + std::to_string(i) + ".pls";
    std::string list = "[playlist]\n";
    for (int j = 1; j <= 20; ++j) {
      const std::string leaf = "/leaf" + std::to_string(i) + "-" + std::to_string(j) + ".pls";
      list += "File" + std::to_string(j) + "=" + radio_.url(leaf) + "\n";
      radio_.add(leaf, staticText("audio/x-scpls", "[playlist]\nFile1=" + refused + "\n"));
      paths.push_back(leaf);
    }
    radio_.add(branch, staticText("audio/x-scpls", list));
    root += "File" + std::to_string(i) + "=" + radio_.url(branch) + "\n";
    paths.push_back(branch);
  }
  radio_.add("/tree.pls", staticText("audio/x-scpls", root));
  paths.push_back("/tree.pls");
  tuning_.startDeadlineMs = 30000;
  player().setURL(url("/tree.pls"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return errors() == 1; }, 40000)) << history().join(u'\n').toStdString();
  QTest::qWait(1500);
  int requests = 0;
  for (const std::string& p : paths) requests += radio_.hits(p);
  EXPECT_EQ(errors(), 1);
  EXPECT_LE(requests, 20) << "requests for one start";
  EXPECT_GE(requests, 8);
  EXPECT_EQ(player().playState(), MediaPlayer::Ready);
}

TEST_F(GstPlayerTest, StartGivesUpAtItsDeadline) {
  radio_.add("/silent.mp3", silentMp3());
  tuning_.connectTimeoutMs = 60000;
  tuning_.startDeadlineMs = 1500;
  player().setURL(url("/silent.mp3"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return errors() == 1; }, 15000)) << history().join(u'\n').toStdString();
  EXPECT_EQ(player().playState(), MediaPlayer::Ready);
}

// A bus message holds its pipeline: one message never released keeps a whole pipeline alive.
TEST_F(GstPlayerTest, TornDownPipelinesAreFreed) {
  int freed = 0;
  const auto watch = [&freed](GstElement* pipeline) {
    g_object_weak_ref(
        G_OBJECT(pipeline), [](gpointer count, GObject*) { ++*static_cast<int*>(count); }, &freed);
  };
  const quint16 closed = closedPort();
  player().setURL(url("/live.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  watch(player().pipeline());
  player().setURL(QStringLiteral("http://127.0.0.1:%1/closed.mp3").arg(closed));
  ASSERT_TRUE(QTest::qWaitFor([&] { return errors() == 1; }, 15000)) << history().join(u'\n').toStdString();
  watch(player().pipeline());
  player().setURL(url("/live.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  watch(player().pipeline());
  EXPECT_TRUE(QTest::qWaitFor([&] { return freed == 2; }, 5000))
      << freed << " of the two torn-down pipelines freed";
  player_.reset();
  EXPECT_EQ(freed, 3) << "the last pipeline outlives its player";
}

}  // namespace
