// The window's start-up with the real player: resuming the last station costs it one connection.
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "fake_system_tray.h"
#include "playback/mediaplayer_gstreamer.h"
#include "playback/tests/counting_station.h"
#include "player/Form1.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

TEST(StartConnection, ResumingTheLastStationConnectsOnce) {
  qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");
  CountingStation station;
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  dir.profile({"Onthouden/LaatsteURL=" + station.url(QStringLiteral("/live.mp3")), "Online Radio/afspelen=1",
               "Onthouden/Volume=60"});
  RecordingPrompt prompt;
  GstMediaPlayer player;
  Listening listening{player};
  // Nothing listens on port 9 of loopback: the station list fails fast and stays out of the way.
  Form1 form(Form1Services{dir.folder(), prompt, listening, std::make_unique<FakeSystemTray>(),
                           DirectoryAddress(QStringLiteral("http://127.0.0.1:9/"))});
  auto* timer3 = form.findChild<QTimer*>(QStringLiteral("Timer3"));
  ASSERT_NE(timer3, nullptr);
  QSignalSpy startUp(timer3, &QTimer::timeout);
  ASSERT_TRUE(startUp.wait(5000));

  ASSERT_TRUE(QTest::qWaitFor([&] { return player.playState() == MediaPlayer::Playing; }, 20000))
      << player.statusText().toStdString();
  QTest::qWait(2000);
  EXPECT_EQ(station.connections(), 1);
  EXPECT_EQ(player.volume(), 60);
  EXPECT_EQ(player.playState(), MediaPlayer::Playing);
}

}  // namespace
