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

  player.report(MediaPlayer::Transitioning, "Connecting");
  QTRY_VERIFY(mpris.status() == Mpris::Status::Playing);
  EXPECT_EQ(mpris.metadata().value("xesam:title").toString(), "http://127.0.0.1:8000/jazz.mp3");
  player.report(MediaPlayer::Stopped, "Stopped");
  QTRY_VERIFY(mpris.status() == Mpris::Status::Stopped);
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

}  // namespace
