// What the desktop hears of the main window: the now-playing line on every Timer6 tick, the
// song in the MPRIS metadata and the notifications while the window is out of sight.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QListWidget>
#include <QStringDecoder>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "bundled_directory.h"
#include "desktop/mpris.h"
#include "desktop/notifications.h"
#include "desktop/nowplaying.h"
#include "fake_media_player.h"
#include "fake_notification_server.h"
#include "fake_system_tray.h"
#include "player/Form1.h"
#include "playback/mediaplayer_gstreamer.h"
#include "player/mprislink.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// A messenger on a bus connection of its own.
class Subscriber : public QObject {
  Q_OBJECT
 public:
  struct Record {
    uint tag;
    uint byteCount;
    QByteArray buffer;
  };
  explicit Subscriber(const QString& name, const QString& sender)
      : name_(name), bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
    // Other test programs share the bus: listen to our program only.
    connected = bus_.connect(sender, "/org/vantor/Messenger", "org.vantor.Messenger1", "NowPlaying", this,
                             SLOT(nowPlaying(uint, uint, QByteArray)));
  }
  ~Subscriber() override { QDBusConnection::disconnectFromBus(name_); }
  bool connected = false;
  QList<Record> records;
 public Q_SLOTS:
  void nowPlaying(uint tag, uint byteCount, const QByteArray& buffer) {
    records << Record{tag, byteCount, buffer};
  }

 private:
  QString name_;
  QDBusConnection bus_;
};

// What a desktop shell hears of the player's changes.
class MetadataListener : public QObject {
  Q_OBJECT
 public:
  QList<QVariantMap> metadata;
 public Q_SLOTS:
  void changed(const QString&, const QVariantMap& map, const QStringList&) {
    if (map.contains("Metadata")) metadata << qdbus_cast<QVariantMap>(map.value("Metadata"));
  }
};

namespace {

QString messengerText(const QByteArray& buffer) {
  QStringDecoder utf16le(QStringDecoder::Utf16LE);
  return utf16le(buffer);
}

class DesktopLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  }
  void start(MediaPlayer& player, const QString& directory = "http://127.0.0.1:9/") {
    form = std::make_unique<Form1>(Form1Services{dir.folder(), prompt, player,
                                                 std::make_unique<FakeSystemTray>(),
                                                 DirectoryAddress(directory), &messenger});
  }
  QListWidget* list(const char* name) { return form->findChild<QListWidget*>(name); }
  void choose(const QString& station) {
    const QList<QListWidgetItem*> found = list("List1")->findItems(station, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << station.toStdString();
    list("List1")->setCurrentItem(found.first());
    QTest::keyClick(list("List1"), Qt::Key_Return);
  }

  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  BusMessenger messenger{QDBusConnection::sessionBus()};
  std::unique_ptr<Form1> form;
};

TEST_F(DesktopLinkTest, EveryTickReachesEverySubscriberWithThePrefixAndTheStation) {
  FakeMediaPlayer player;
  const QString program = QDBusConnection::sessionBus().baseService();
  Subscriber first(QStringLiteral("messenger-1"), program);
  Subscriber second(QStringLiteral("messenger-2"), program);
  ASSERT_TRUE(first.connected && second.connected);
  start(player);

  // No station remembered: the prefix and one blank, sent anyway, and nothing before 3 s.
  QTest::qWait(2000);
  EXPECT_TRUE(first.records.isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(first.records.size() >= 2 && second.records.size() >= 2, 15000);
  const QString nul(QChar(u'\0'));
  for (const Subscriber* s : {&first, &second}) {
    for (const Subscriber::Record& r : s->records) {
      EXPECT_EQ(r.tag, 1351u);
      EXPECT_EQ(r.byteCount, static_cast<uint>(r.buffer.size()));
      EXPECT_EQ(messengerText(r.buffer), "\\0Music\\01\\0{1}{0}\\0\\0Listening to: \\0\\0\\0" + nul);
    }
  }

  // Stopped or not, the station's name goes out on the next tick.
  form->openAddress("http://127.0.0.1:9/polder");
  player.report(MediaPlayer::Stopped, "Stopped");
  const qsizetype before = second.records.size();
  QTRY_VERIFY_WITH_TIMEOUT(second.records.size() > before, 10000);
  EXPECT_EQ(messengerText(second.records.last().buffer),
            "\\0Music\\01\\0{1}{0}\\0\\0Listening to: http://127.0.0.1:9/polder\\0\\0\\0" + nul);
}

TEST_F(DesktopLinkTest, NotificationsOnlyWhileTheWindowIsHiddenEachReplacingTheLast) {
  const QString service =
      QStringLiteral("org.vantor.test.linkNotifications%1").arg(QCoreApplication::applicationPid());
  FakeNotificationServer server(QStringLiteral("link-notification-server"), service);
  ASSERT_TRUE(server.registered());
  FakeMediaPlayer player;
  start(player);
  form->findChild<QTimer*>("Timer3")->stop();  // stay hidden, as a start in the tray does
  SongNotifier notifier(QDBusConnection::sessionBus(), service);
  linkNotifications(*form, notifier);
  list("List1")->clear();
  list("List1")->addItem("Polder FM");
  list("List2")->addItem("http://127.0.0.1:9/polder");
  list("List3")->addItem("polder.example/");

  choose("Polder FM");
  player.report(MediaPlayer::Transitioning, "Connecting...");
  player.report(MediaPlayer::Playing, "Playing");
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 1, 5000);
  EXPECT_EQ(server.notes[0].summary, "Polder FM");
  player.announceTitle("Band - Song");
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 2, 5000);
  EXPECT_EQ(server.notes[1].body, "Band - Song");
  EXPECT_EQ(server.notes[1].replacesId, server.notes[0].id);

  form->show();
  player.announceTitle("Other Band - Other Song");
  QTest::qWait(500);
  EXPECT_EQ(server.notes.size(), 2);

  form->hide();
  player.announceTitle("Third Band - Third Song");
  QTRY_COMPARE_WITH_TIMEOUT(server.notes.size(), 3, 5000);
  EXPECT_EQ(server.notes[2].replacesId, server.notes[0].id);
  QTest::qWait(300);
  EXPECT_EQ(server.notes.size(), 3);
}

// The bundled directory's demo stations change their ICY title every ten seconds.
TEST_F(DesktopLinkTest, MetadataFollowTheTitlesOfARealStreamOneChangeEach) {
  qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");
  BundledDirectory directory;
  GstMediaPlayer player;
  start(player, QString::fromStdString(directory.base()));
  Mpris mpris;
  const QString name =
      QStringLiteral("org.mpris.MediaPlayer2.vantorlink%1").arg(QCoreApplication::applicationPid());
  ASSERT_TRUE(mpris.publish(QDBusConnection::sessionBus(), name));
  linkMpris(*form, mpris);
  QDBusConnection shell =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("link-shell"));
  MetadataListener listener;
  ASSERT_TRUE(shell.connect(name, Mpris::kObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                            &listener, SLOT(changed(QString, QVariantMap, QStringList))));

  // Timer1 fills the list from the remembered country.
  QTRY_VERIFY_WITH_TIMEOUT(!list("List1")->findItems("Polder FM", Qt::MatchExactly).isEmpty(), 15000);
  choose("Polder FM");
  const auto song = [](const QVariantMap& m) {
    const QStringList artist = m.value("xesam:artist").toStringList();
    return (artist.isEmpty() ? QString() : artist.first() + " - ") + m.value("xesam:title").toString();
  };
  const auto hasSong = [&] {
    if (listener.metadata.isEmpty()) return false;
    const QVariantMap& m = listener.metadata.last();
    return m.value("xesam:album") == "Polder FM" && m.value("xesam:title") != "Polder FM";
  };
  QTRY_VERIFY_WITH_TIMEOUT(hasSong(), 20000);
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
  EXPECT_EQ(now.value("xesam:url").toString(), player.URL());
  EXPECT_EQ(qvariant_cast<QDBusObjectPath>(now.value("mpris:trackid")),
            qvariant_cast<QDBusObjectPath>(listener.metadata[firstSong - 1].value("mpris:trackid")));

  // Another station: its first metadata name the station, not the last station's song.
  const qsizetype before = listener.metadata.size();
  choose("Grachten Jazz");
  QTRY_VERIFY_WITH_TIMEOUT(listener.metadata.size() > before, 10000);
  EXPECT_EQ(listener.metadata[before].value("xesam:album").toString(), "Grachten Jazz");
  EXPECT_EQ(listener.metadata[before].value("xesam:title").toString(), "Grachten Jazz");
  EXPECT_FALSE(listener.metadata[before].contains("xesam:artist"));
  player.stop();
  form.reset();
  QDBusConnection::disconnectFromBus(QStringLiteral("link-shell"));
}

}  // namespace

#include "desktop_link_test.moc"
