#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include "desktop/mpris.h"
#include "fake_media_player.h"
#include "fake_system_tray.h"
#include "player/Form1.h"
#include "player/mprislink.h"
#include "recording_prompt.h"
#include "app/ini.h"
#include "temp_program_folder.h"

namespace {

// The desktop's requests reach the window and the player as the window's own controls would.
class MprisLinkTest : public ::testing::Test {
 protected:
  MprisLinkTest() {
    form = std::make_unique<Form1>(Form1Services{dir.folder(), prompt, player,
                                                 std::make_unique<FakeSystemTray>(),
                                                 DirectoryAddress("http://127.0.0.1:9/")});
    linkMpris(*form, mpris);
  }
  QString label(const char* name) { return form->findChild<QLabel*>(name)->text(); }
  QSlider* slider() { return form->findChild<QSlider*>("Slider1"); }

  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  FakeMediaPlayer player;
  std::unique_ptr<Form1> form;
  Mpris mpris;
};

TEST_F(MprisLinkTest, AnOpenedAddressPlaysAndIsShownAsTheStation) {
  const QString site = label("RadioUrl");
  Q_EMIT mpris.openUriRequested("http://127.0.0.1:8000/jazz.mp3");
  EXPECT_EQ(player.url, "http://127.0.0.1:8000/jazz.mp3");
  EXPECT_EQ(label("ZenderNaam"), "http://127.0.0.1:8000/jazz.mp3");
  EXPECT_EQ(label("RadioUrl"), site);
  // The stream names itself: that name is shown, never as rich text, on one line.
  Q_EMIT player.streamNameChanged("Jazz <b>FM</b>\nAmsterdam");
  EXPECT_EQ(label("ZenderNaam"), "Jazz <b>FM</b> Amsterdam");
  EXPECT_EQ(form->findChild<QLabel*>("ZenderNaam")->textFormat(), Qt::PlainText);

  player.report(MediaPlayer::Transitioning, "Connecting");
  QTRY_VERIFY(mpris.status() == Mpris::Status::Playing);
  EXPECT_EQ(mpris.metadata().value("xesam:title").toString(), "Jazz <b>FM</b> Amsterdam");
  player.report(MediaPlayer::Stopped, "Stopped");
  QTRY_VERIFY(mpris.status() == Mpris::Status::Stopped);

  form->findChild<QLabel*>("ZenderNaam")->setText("Radio Een");  // a directory's name stays
  Q_EMIT player.streamNameChanged("Something Else");
  EXPECT_EQ(label("ZenderNaam"), "Radio Een");
}

TEST_F(MprisLinkTest, PlayAndStopFollowThePlayer) {
  Q_EMIT mpris.playRequested();  // nothing chosen yet: nothing to play
  EXPECT_TRUE(player.calls.isEmpty());

  player.url = "http://s/1";
  player.state = MediaPlayer::Stopped;
  Q_EMIT mpris.playRequested();
  player.state = MediaPlayer::Playing;
  Q_EMIT mpris.playRequested();  // already playing: no restart
  Q_EMIT mpris.stopRequested();
  EXPECT_EQ(player.calls, QStringList({"play", "stop"}));
}

TEST_F(MprisLinkTest, DesktopVolumeMovesTheSliderAndKeepsTheMuteRule) {
  Q_EMIT mpris.volumeRequested(30);
  EXPECT_EQ(slider()->value(), 30);
  EXPECT_EQ(player.vol, 30);
  EXPECT_EQ(mpris.volume(), 30);

  player.muted = true;
  Q_EMIT mpris.volumeRequested(80);
  EXPECT_EQ(slider()->value(), 80);
  EXPECT_EQ(player.vol, 30);  // muted: the slider moves, the player keeps its volume

  slider()->setValue(55);
  EXPECT_EQ(mpris.volume(), 55);
}

// Closed without a tray while a station plays, the window is out of sight; the desktop's media
// controls (another bus connection) bring it back with Raise.
TEST(MprisRaise, BringsBackTheWindowClosedWithoutATrayWhilePlaying) {
  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  INI::WriteIni(dir.folder().instIni(), "Online Radio", "xsluiten", "0");
  RecordingPrompt prompt;
  FakeMediaPlayer player;
  auto tray = std::make_unique<FakeSystemTray>();
  tray->available = false;
  Form1 form(Form1Services{dir.folder(), prompt, player, std::move(tray), DirectoryAddress("http://127.0.0.1:9/")});
  Mpris mpris;
  ASSERT_TRUE(mpris.publish(QDBusConnection::sessionBus(),
                            QStringLiteral("org.mpris.MediaPlayer2.vantorraise%1").arg(QCoreApplication::applicationPid())));
  linkMpris(form, mpris);
  form.show();
  player.state = MediaPlayer::Playing;
  form.close();
  ASSERT_FALSE(form.isVisible());

  QDBusConnection shell = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("shell"));
  const auto ask = [&](const QString& interface, const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(mpris.busName(), Mpris::kObjectPath, interface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = shell.asyncCall(message);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(pending.isFinished(), 5000); }();
    return pending.reply();
  };
  const QDBusMessage canRaise = ask("org.freedesktop.DBus.Properties", "Get", {"org.mpris.MediaPlayer2", "CanRaise"});
  ASSERT_FALSE(canRaise.arguments().isEmpty());
  EXPECT_TRUE(qvariant_cast<QDBusVariant>(canRaise.arguments().first()).variant().toBool());
  EXPECT_EQ(ask("org.mpris.MediaPlayer2", "Raise", {}).type(), QDBusMessage::ReplyMessage);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isMinimized());
  QDBusConnection::disconnectFromBus(QStringLiteral("shell"));
}

}  // namespace
