// What the messengers hear of the main window: the now-playing line on every Timer6 tick.
#include <QDBusConnection>
#include <QStringDecoder>
#include <QTest>

#include <gtest/gtest.h>

#include "desktop/nowplaying.h"
#include "fake_media_player.h"
#include "fake_system_tray.h"
#include "player/Form1.h"
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

namespace {

QString messengerText(const QByteArray& buffer) {
  QStringDecoder utf16le(QStringDecoder::Utf16LE);
  return utf16le(buffer);
}

class NowPlayingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  }
  void start(const QString& directory = "http://127.0.0.1:9/") {
    form = std::make_unique<Form1>(Form1Services{dir.folder(), prompt, listening,
                                                 std::make_unique<FakeSystemTray>(),
                                                 DirectoryAddress(directory), &messenger});
  }

  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  FakeMediaPlayer player;
  Listening listening{player};
  BusMessenger messenger{QDBusConnection::sessionBus()};
  std::unique_ptr<Form1> form;
};

TEST_F(NowPlayingTest, EveryTickReachesEverySubscriberWithThePrefixAndTheStation) {
  const QString program = QDBusConnection::sessionBus().baseService();
  Subscriber first(QStringLiteral("messenger-1"), program);
  Subscriber second(QStringLiteral("messenger-2"), program);
  ASSERT_TRUE(first.connected && second.connected);
  start();

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

}  // namespace

#include "now_playing_test.moc"
