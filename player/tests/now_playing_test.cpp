// What the messengers hear of the main window: the now-playing line on every Timer6 tick.
#include <QDBusConnection>
#include <QStringDecoder>

#include "desktop/nowplaying.h"
#include "form1_fixture.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// A messenger on a bus connection of its own: it checks each record's frame and keeps its text.
class Subscriber : public QObject {
  Q_OBJECT
 public:
  explicit Subscriber(const QString& name) : name_(name) {
    // Other test programs share the bus: listen to our program only.
    connected = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                    .connect(QDBusConnection::sessionBus().baseService(), BusMessenger::kObjectPath,
                             BusMessenger::kInterface, BusMessenger::kSignal, this,
                             SLOT(nowPlaying(uint, uint, QByteArray)));
  }
  ~Subscriber() override { QDBusConnection::disconnectFromBus(name_); }
  bool connected = false;
  QStringList texts;
 public Q_SLOTS:
  void nowPlaying(uint tag, uint byteCount, const QByteArray& buffer) {
    EXPECT_EQ(tag, 1351u);
    EXPECT_EQ(byteCount, static_cast<uint>(buffer.size()));
    texts << QStringDecoder(QStringDecoder::Utf16LE).decode(buffer);
  }

 private:
  QString name_;
};

namespace {

class NowPlayingTest : public MainWindowTest {
 protected:
  void SetUp() override {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
    messenger = &bus;
  }
  void TearDown() override { form.reset(); }  // before the messenger it sends to
  BusMessenger bus{QDBusConnection::sessionBus()};
};

TEST_F(NowPlayingTest, EveryTickReachesEverySubscriberWithThePrefixAndTheStation) {
  Subscriber first(QStringLiteral("messenger-1")), second(QStringLiteral("messenger-2"));
  ASSERT_TRUE(first.connected && second.connected);
  start();

  // No station remembered: the prefix and one blank, sent anyway, and nothing before 3 s.
  QTest::qWait(2000);
  EXPECT_TRUE(first.texts.isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(first.texts.size() >= 2 && second.texts.size() >= 2, 15000);
  const QString nul(QChar(u'\0'));
  for (const QString& text : first.texts + second.texts)
    EXPECT_EQ(text, "\\0Music\\01\\0{1}{0}\\0\\0Listening to: \\0\\0\\0" + nul);

  // Stopped or not, the station's name goes out on the next tick.
  form->openAddress("http://127.0.0.1:9/polder");
  player.report(MediaPlayer::Stopped, "Stopped");
  const qsizetype before = second.texts.size();
  QTRY_VERIFY_WITH_TIMEOUT(second.texts.size() > before, 10000);
  EXPECT_EQ(second.texts.last(),
            "\\0Music\\01\\0{1}{0}\\0\\0Listening to: http://127.0.0.1:9/polder\\0\\0\\0" + nul);
}

}  // namespace

#include "now_playing_test.moc"
