#include <QCoreApplication>
#include <QDBusConnection>
#include <QTest>

#include <gtest/gtest.h>

#include "desktop/desktoptext.h"
#include "desktop/mprislink.h"
#include "desktop/notifications.h"
#include "fake_media_player.h"
#include "fake_notification_server.h"
#include "playback/listening.h"

namespace {

using Activity = SongNotifier::Activity;

class SongNotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
    ASSERT_TRUE(server.registered());
  }
  static SongNotifier::Playing hidden(const QString& station, const QString& song) {
    return {station, QStringLiteral("http://127.0.0.1:9/") + station, song, Activity::Playing, false};
  }
  // Lets the bus carry every call there is to carry.
  void settle() { QTest::qWait(300); }

  const QString service =
      QStringLiteral("org.vantor.test.Notifications%1").arg(QCoreApplication::applicationPid());
  FakeNotificationServer server{QStringLiteral("notification-server"), service};
  SongNotifier notifier{QDBusConnection::sessionBus(), service};
};

TEST_F(SongNotifierTest, EachNewStationOrSongReplacesTheLastNotificationWhileTheWindowIsHidden) {
  notifier.update(hidden("Polder FM", {}));
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 1, 5000);
  EXPECT_EQ(server.notes[0].summary, "Polder FM");
  EXPECT_EQ(server.notes[0].replacesId, 0u);
  EXPECT_EQ(server.notes[0].appName, "Vantor Internet Radio");

  notifier.update(hidden("Polder FM", {}));  // the same again: no news
  notifier.update({"Polder FM", hidden("Polder FM", {}).url, "Band - Song", Activity::Connecting, false});
  settle();
  EXPECT_EQ(server.notes.size(), 1);

  notifier.update(hidden("Polder FM", "Band - Song"));
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 2, 5000);
  EXPECT_EQ(server.notes[1].body, "Band - Song");
  EXPECT_EQ(server.notes[1].replacesId, server.notes[0].id);
  EXPECT_EQ(notifier.notificationId(), server.notes[0].id);

  // A reconnect brings the same song back: still no news. A stop and a new start is.
  notifier.update({"Polder FM", hidden("Polder FM", {}).url, "Band - Song", Activity::Connecting, false});
  notifier.update(hidden("Polder FM", "Band - Song"));
  settle();
  EXPECT_EQ(server.notes.size(), 2);
  notifier.update({"Polder FM", {}, {}, Activity::Stopped, false});
  notifier.update(hidden("Polder FM", "Band - Song"));
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 3, 5000);
  EXPECT_EQ(server.capabilityQueries, 1);
}

TEST_F(SongNotifierTest, ChangesWhileACallIsOutCollapseIntoTheLatest) {
  for (const char* song : {"One", "Two", "Three", "Four"}) notifier.update(hidden("Polder FM", song));
  QTRY_VERIFY_WITH_TIMEOUT(!server.notes.isEmpty() && server.notes.last().body == "Four", 5000);
  settle();
  EXPECT_LE(server.notes.size(), 2);
  for (qsizetype i = 1; i < server.notes.size(); ++i)
    EXPECT_EQ(server.notes[i].replacesId, server.notes[0].id);
}

TEST_F(SongNotifierTest, AServerThatReadsMarkupGetsTheTitleAsText) {
  server.capabilities << "body-markup";
  notifier.update(hidden("<i>Jazz</i>", "Tom & Jerry - <b>Loud</b>"));
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 1, 5000);
  EXPECT_EQ(server.notes[0].body, "Tom &amp; Jerry - &lt;b&gt;Loud&lt;/b&gt;");
  EXPECT_EQ(server.notes[0].summary, "<i>Jazz</i>");  // the summary is never markup
}

TEST_F(SongNotifierTest, AHugeNameAndTitleAreShownAsOneShortLine) {
  notifier.update(hidden("Radio\nEen" + QString(10000, u'x'), QString(10000, u'y')));
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 1, 5000);
  EXPECT_TRUE(server.notes[0].summary.startsWith("Radio Eenxxx"));
  EXPECT_LE(server.notes[0].summary.size(), kMaxDesktopText);
  EXPECT_LE(server.notes[0].body.size(), kMaxDesktopText);
}

// The link hands the notifier the listening's station and song, and whether the window is in sight.
TEST_F(SongNotifierTest, TheLinkNotifiesOnlyWhileTheWindowIsOutOfSight) {
  FakeMediaPlayer player;
  Listening listening(player);
  bool inSight = false;
  linkNotifications(listening, notifier, [&inSight] { return inSight; });

  listening.play(Station{"Polder FM", "http://127.0.0.1:9/polder", "polder.example/"});
  player.report(MediaPlayer::Transitioning, "Connecting...");
  player.report(MediaPlayer::Playing, "Playing");
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 1, 5000);
  EXPECT_EQ(server.notes[0].summary, "Polder FM");
  player.announceTitle("Band - Song");
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 2, 5000);
  EXPECT_EQ(server.notes[1].body, "Band - Song");

  inSight = true;
  player.announceTitle("Other Band - Other Song");
  QTest::qWait(500);
  EXPECT_EQ(server.notes.size(), 2);

  inSight = false;
  player.announceTitle("Third Band - Third Song");
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 3, 5000);
  settle();
  EXPECT_EQ(server.notes.size(), 3);
}

TEST(SongNotifierWithoutServer, StaysQuietAndAsksAgainWhenTheNextSongComes) {
  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  const QString service =
      QStringLiteral("org.vantor.test.NoNotifications%1").arg(QCoreApplication::applicationPid());
  SongNotifier notifier(QDBusConnection::sessionBus(), service);
  notifier.update({"Polder FM", "http://127.0.0.1:9/", "One", Activity::Playing, false});
  QTest::qWait(300);
  EXPECT_EQ(notifier.notificationId(), 0u);

  // A server that starts later is found.
  FakeNotificationServer late(QStringLiteral("late-server"), service);
  ASSERT_TRUE(late.registered());
  notifier.update({"Polder FM", "http://127.0.0.1:9/", "Two", Activity::Playing, false});
  QTRY_COMPARE_WITH_TIMEOUT(late.notes.size(), 1, 5000);
  EXPECT_EQ(late.notes[0].body, "Two");
}

}  // namespace
