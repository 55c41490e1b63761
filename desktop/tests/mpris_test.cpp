#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "change_listener.h"
#include "desktop/mpris.h"

namespace {

// The program publishes on the session bus; a second connection plays the desktop shell.
class MprisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
    ASSERT_TRUE(mpris.publish(QDBusConnection::sessionBus(), name));
  }
  void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("shell")); }

  QDBusConnection shell() {
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("shell"));
  }
  // The program's side answers on this same thread, so every call is sent asynchronously and
  // the test spins the event loop until the answer is in.
  QDBusMessage ask(const char* interface, const char* method, const QVariantList& arguments = {}) {
    // Not QDBusInterface: it would introspect with a blocking call first.
    QDBusMessage message = QDBusMessage::createMethodCall(
        mpris.busName(), Mpris::kObjectPath, QString::fromLatin1(interface), QString::fromLatin1(method));
    message.setArguments(arguments);
    QDBusPendingCall pending = shell().asyncCall(message);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(pending.isFinished(), 5000); }();
    EXPECT_FALSE(pending.isError()) << method << ": " << pending.error().message().toStdString();
    return pending.reply();
  }
  void call(const char* method, const QVariant& argument = {}) {
    ask("org.mpris.MediaPlayer2.Player", method,
        argument.isValid() ? QVariantList{argument} : QVariantList{});
  }
  QVariant property(const char* interface, const char* name) {
    const QDBusMessage reply = ask("org.freedesktop.DBus.Properties", "Get",
                                   {QString::fromLatin1(interface), QString::fromLatin1(name)});
    return reply.arguments().isEmpty() ? QVariant()
                                       : qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
  }

  // Tests run side by side on one bus; each process takes a name of its own.
  const QString name =
      QStringLiteral("org.mpris.MediaPlayer2.vantortest%1").arg(QCoreApplication::applicationPid());
  Mpris mpris;
};

TEST_F(MprisTest, TakesTheNameOrOneWithAnInstanceSuffix) {
  EXPECT_EQ(mpris.busName(), name);
  EXPECT_TRUE(shell().interface()->isServiceRegistered(mpris.busName()));

  // A second program on its own connection finds the name taken.
  QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
  {
    Mpris second;
    ASSERT_TRUE(second.publish(other, name));
    EXPECT_EQ(second.busName(), name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()));
  }
  // Gone with the object, so a restarted copy can take it again.
  EXPECT_FALSE(shell().interface()->isServiceRegistered(
      name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())));
  QDBusConnection::disconnectFromBus(QStringLiteral("other"));
}

TEST_F(MprisTest, OpenUriPassesOnlyWebAddresses) {
  QSignalSpy opened(&mpris, &Mpris::openUriRequested);
  call("OpenUri", QStringLiteral("http://127.0.0.1:8000/stream.mp3"));
  call("OpenUri", QStringLiteral("file:///etc/passwd"));
  call("OpenUri", QStringLiteral("javascript:alert(1)"));
  call("OpenUri", QStringLiteral("http:///no-host"));
  call("OpenUri", QStringLiteral("HTTPS://radio.example/live"));
  ASSERT_EQ(opened.count(), 2);
  EXPECT_EQ(opened[0][0].toString(), "http://127.0.0.1:8000/stream.mp3");
  EXPECT_EQ(opened[1][0].toString(), "HTTPS://radio.example/live");
}

TEST_F(MprisTest, ControlsBecomeRequests) {
  QSignalSpy play(&mpris, &Mpris::playRequested);
  QSignalSpy stop(&mpris, &Mpris::stopRequested);
  QSignalSpy raise(&mpris, &Mpris::raiseRequested);
  call("Play");
  call("PlayPause");  // stopped: plays
  mpris.setStatus(Mpris::Status::Playing);
  call("PlayPause");  // playing: stops
  call("Pause");      // a live stream cannot hold; pausing stops it
  call("Stop");
  EXPECT_EQ(play.count(), 2);
  EXPECT_EQ(stop.count(), 3);

  EXPECT_TRUE(property("org.mpris.MediaPlayer2", "CanRaise").toBool());
  ask("org.mpris.MediaPlayer2", "Raise");
  EXPECT_EQ(raise.count(), 1);
}

TEST_F(MprisTest, VolumeIsWrittenAsAShareOfOne) {
  QSignalSpy volume(&mpris, &Mpris::volumeRequested);
  for (double share : {0.25, 1.7, -3.0})
    ask("org.freedesktop.DBus.Properties", "Set",
        {QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Volume"),
         QVariant::fromValue(QDBusVariant(share))});
  ASSERT_EQ(volume.count(), 3);
  EXPECT_EQ(volume[0][0].toInt(), 25);
  EXPECT_EQ(volume[1][0].toInt(), 100);
  EXPECT_EQ(volume[2][0].toInt(), 0);

  mpris.setVolume(40);
  EXPECT_DOUBLE_EQ(property("org.mpris.MediaPlayer2.Player", "Volume").toDouble(), 0.4);
}

TEST_F(MprisTest, StateChangesAreReadableAndAnnounced) {
  EXPECT_EQ(property("org.mpris.MediaPlayer2.Player", "PlaybackStatus").toString(), "Stopped");
  EXPECT_EQ(property("org.mpris.MediaPlayer2", "Identity").toString(), "Vantor Internet Radio");

  ChangeListener listener;
  ASSERT_TRUE(listener.listen(shell(), mpris.busName()));
  mpris.setStatus(Mpris::Status::Playing);
  mpris.setStatus(Mpris::Status::Playing);  // no change, no announcement
  mpris.setTrack("Polder FM", "http://127.0.0.1:8000/polder.mp3");
  QTRY_COMPARE_WITH_TIMEOUT(listener.changes.size(), 2, 5000);
  QTest::qWait(100);
  ASSERT_EQ(listener.changes.size(), 2);
  EXPECT_EQ(listener.interfaces,
            QStringList({"org.mpris.MediaPlayer2.Player", "org.mpris.MediaPlayer2.Player"}));
  EXPECT_EQ(listener.changes[0].value("PlaybackStatus").toString(), "Playing");
  EXPECT_TRUE(listener.changes[1].contains("Metadata"));

  EXPECT_EQ(property("org.mpris.MediaPlayer2.Player", "PlaybackStatus").toString(), "Playing");
  const QVariantMap metadata = qdbus_cast<QVariantMap>(property("org.mpris.MediaPlayer2.Player", "Metadata"));
  EXPECT_EQ(metadata.value("xesam:title").toString(), "Polder FM");
  EXPECT_EQ(metadata.value("xesam:url").toString(), "http://127.0.0.1:8000/polder.mp3");
  EXPECT_TRUE(metadata.contains("mpris:trackid"));
}

TEST_F(MprisTest, MetadataFollowTheStreamTitleWithOneAnnouncementPerRealChange) {
  ChangeListener listener;
  ASSERT_TRUE(listener.listen(shell(), mpris.busName()));
  const auto metadata = [&] {
    return qdbus_cast<QVariantMap>(property("org.mpris.MediaPlayer2.Player", "Metadata"));
  };
  const auto heard = [&](int count) {
    QTRY_COMPARE_WITH_TIMEOUT(listener.changes.size(), count, 5000);
    QTest::qWait(200);
    EXPECT_EQ(listener.changes.size(), count);
  };

  mpris.setTrack("Polder FM", "http://127.0.0.1:8000/polder.mp3");
  mpris.setStreamTitle("Doe Maar - Smoorverliefd");
  heard(1);
  QVariantMap now = metadata();
  EXPECT_EQ(now.value("xesam:title").toString(), "Smoorverliefd");
  EXPECT_EQ(now.value("xesam:artist").toStringList(), QStringList{"Doe Maar"});
  EXPECT_EQ(now.value("xesam:album").toString(), "Polder FM");
  const QString polderId = qvariant_cast<QDBusObjectPath>(now.value("mpris:trackid")).path();

  // Stations repeat the title with every metadata block.
  mpris.setStreamTitle("Doe Maar - Smoorverliefd");
  mpris.setTrack("Polder FM", "http://127.0.0.1:8000/polder.mp3");
  QTest::qWait(200);
  EXPECT_EQ(listener.changes.size(), 1);

  // No "Artist - Title": the whole text is the song; the station keeps its id.
  mpris.setStreamTitle("Nieuws - ");
  heard(2);
  now = metadata();
  EXPECT_EQ(now.value("xesam:title").toString(), "Nieuws -");
  EXPECT_FALSE(now.contains("xesam:artist"));
  EXPECT_EQ(qvariant_cast<QDBusObjectPath>(now.value("mpris:trackid")).path(), polderId);

  // A new station clears the title and names itself: one change, the station as the title.
  mpris.setStreamTitle({});
  mpris.setTrack("Grachten Jazz", "http://127.0.0.1:8000/jazz.mp3");
  heard(3);
  now = qdbus_cast<QVariantMap>(listener.changes[2].value("Metadata"));
  EXPECT_EQ(now.value("xesam:title").toString(), "Grachten Jazz");
  EXPECT_EQ(now.value("xesam:album").toString(), "Grachten Jazz");
  EXPECT_EQ(now.value("xesam:url").toString(), "http://127.0.0.1:8000/jazz.mp3");
  const QString jazzId = qvariant_cast<QDBusObjectPath>(metadata().value("mpris:trackid")).path();
  EXPECT_NE(jazzId, polderId);
  EXPECT_FALSE(jazzId.startsWith("/org/mpris/"));  // that namespace is MPRIS's own
}

}  // namespace
